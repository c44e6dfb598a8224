// The dashboard's event stream (GET /events): the latest publication at
// once, then each newer one as it comes, a keep-alive when there is none,
// and the end when the server stops or the connection watch shuts it.
#include <microhttpd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

#include "tools/live/dashboard_json.h"
#include "tools/live/http_answer.h"
#include "tools/live/server.h"

namespace trezik::live {

namespace {

// An event stream looks for a new publication (and for Stop) this often,
// and says something at least every kKeepAlive; a reader that takes none
// of it for kStreamIdleSeconds is dropped.
constexpr auto kStreamSlice = std::chrono::milliseconds(200);
constexpr auto kKeepAlive = std::chrono::seconds(10);
constexpr unsigned kStreamIdleSeconds = 30;

}  // namespace

void Server::Events(MHD_Connection* connection, ConnectionWatch::Entry* entry) {
  if (!watch_.Streaming(entry)) {
    watch_.Answering(entry, AnswerTime(1024));
    AnswerError(connection, 503, "too many open dashboards");
    return;
  }
  MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT, kStreamIdleSeconds);
  struct Stream {
    std::uint64_t version = 0;
    bool first = true;
    std::string pending;
    std::chrono::steady_clock::time_point last_write = std::chrono::steady_clock::now();
  };
  auto stream = std::make_shared<Stream>();
  const auto event = [](const Snapshot& snapshot) { return "data: " + SnapshotJson(snapshot) + "\n\n"; };
  StreamBody body;
  // Each call hands on what is pending, or waits for one event or
  // keep-alive, or ends the stream.
  body.next = [this, stream, event, entry](char* buffer, std::size_t room) -> ssize_t {
    while (stream->pending.empty()) {
      if (stream->first) {
        stream->first = false;
        const Snapshot latest = dashboard_.Latest();
        stream->version = latest.version;
        stream->pending = "retry: 2000\n" + event(latest);
      } else if (stopping_ || dashboard_.closed() || watch_.IsShut(entry)) {
        return MHD_CONTENT_READER_END_OF_STREAM;
      } else if (const auto newer = dashboard_.WaitNewer(stream->version, kStreamSlice)) {
        stream->version = newer->version;
        stream->pending = event(*newer);
      } else if (std::chrono::steady_clock::now() - stream->last_write >= kKeepAlive) {
        stream->pending = ": keep-alive\n\n";
      }
    }
    const std::size_t n = std::min(room, stream->pending.size());
    std::memcpy(buffer, stream->pending.data(), n);
    stream->pending.erase(0, n);
    stream->last_write = std::chrono::steady_clock::now();
    return static_cast<ssize_t>(n);
  };
  AnswerStream(connection, std::move(body), "text/event-stream", {{"X-Accel-Buffering", "no"}});
}

}  // namespace trezik::live
