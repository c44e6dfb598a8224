#include "tools/live/server.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <httplib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <random>
#include <stdexcept>
#include <utility>

#include "core/convert.h"
#include "tools/live/dashboard_json.h"
#include "tools/live/page.h"
#include "tools/live/request_guard.h"

namespace trezik::live {
namespace {

constexpr std::size_t kMaxBody = 1024;
// Requests are served by this many threads; event streams may hold at most
// kMaxStreams of them, so commands always find one.
constexpr std::size_t kThreads = 8;
constexpr int kMaxStreams = 4;
constexpr auto kPressTimeout = std::chrono::seconds(5);
// An event stream looks for a new publication (and for Stop) this often,
// and says something at least every kKeepAlive.
constexpr auto kStreamSlice = std::chrono::milliseconds(200);
constexpr auto kKeepAlive = std::chrono::seconds(10);

constexpr const char* kJson = "application/json";
// Everything but the page itself loads nothing and may not be framed.
constexpr const char* kStrictPolicy =
    "default-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

std::string PagePolicy(const std::string& nonce) {
  return "default-src 'none'; script-src 'nonce-" + nonce + "'; style-src 'nonce-" + nonce +
         "'; connect-src 'self'; img-src 'self' data:; base-uri 'none'; form-action 'none'; "
         "frame-ancestors 'none'";
}

std::string NewNonce() {
  std::random_device random;
  std::string nonce;
  constexpr char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < 4; ++i) {
    const unsigned value = random();
    for (int shift = 0; shift < 32; shift += 4) nonce += kDigits[(value >> shift) & 0xf];
  }
  return nonce;
}

void SetError(httplib::Response& response, int status, std::string_view error) {
  response.status = status;
  response.set_content(ErrorJson(error), kJson);
}

// The routes and the one method each answers.
struct Route {
  const char* path;
  const char* method;
};
constexpr std::array<Route, 4> kRoutes = {{
    {"/", "GET"}, {"/labels", "GET"}, {"/events", "GET"}, {"/command", "POST"}}};

std::string StripBrackets(const std::string& address) {
  if (address.size() > 2 && address.front() == '[' && address.back() == ']') {
    return address.substr(1, address.size() - 2);
  }
  return address;
}

}  // namespace

bool IsLoopbackAddress(const std::string& address) {
  if (ToLowerAscii(address) == "localhost") return true;
  const std::string bare = StripBrackets(address);
  in_addr v4{};
  if (inet_pton(AF_INET, bare.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (inet_pton(AF_INET6, bare.c_str(), &v6) == 1) {
    if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
    return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
  }
  return false;
}

Server::Server(Dashboard& dashboard, ServerOptions options)
    : dashboard_(dashboard), options_(std::move(options)), loopback_(IsLoopbackAddress(options_.address)) {}

Server::~Server() { Stop(); }

bool Server::Start(std::string& error) {
  if (http_) {
    error = "the dashboard server runs already";
    return false;
  }
  if (!loopback_ && !IsUsableToken(options_.token)) {
    error = "listening on " + options_.address +
            ", which is not loopback, needs a token of 12 to 256 visible characters (--token)";
    return false;
  }
  if (options_.port < 0 || options_.port > 65535) {
    error = "no such port: " + std::to_string(options_.port);
    return false;
  }
  http_ = std::make_unique<httplib::Server>();
  http_->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  // SO_REUSEADDR only: httplib's default adds SO_REUSEPORT, with which a
  // second trezik-live (or any program of the same user) could bind the
  // same port and take half the connections.
  http_->set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  http_->set_payload_max_length(kMaxBody);
  http_->set_read_timeout(5, 0);
  http_->set_write_timeout(5, 0);
  http_->set_keep_alive_timeout(5);
  http_->set_keep_alive_max_count(100);
  const std::string bind_address = StripBrackets(options_.address);
  errno = 0;
  port_ = options_.port == 0 ? http_->bind_to_any_port(bind_address) : options_.port;
  const bool bound = options_.port == 0 ? port_ > 0 : http_->bind_to_port(bind_address, options_.port);
  if (!bound) {
    error = "cannot listen on " + options_.address + " port " + std::to_string(options_.port) +
            (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string());
    http_.reset();
    port_ = 0;
    return false;
  }
  guard_ = std::make_unique<RequestGuard>(options_.address, port_, loopback_, loopback_ ? "" : options_.token);
  Routes();
  auto ended = std::make_shared<std::atomic<bool>>(false);
  listener_ = std::thread([this, ended] {
    http_->listen_after_bind();
    *ended = true;
  });
  // Stop() only reaches a server that has begun to listen.
  while (!http_->is_running() && !*ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void Server::Stop() {
  stopping_ = true;
  if (http_) http_->stop();
  if (listener_.joinable()) listener_.join();
}

void Server::Routes() {
  using Handled = httplib::Server::HandlerResponse;
  http_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    const Route* route = nullptr;
    for (const Route& candidate : kRoutes) {
      if (request.path == candidate.path) route = &candidate;
    }
    if (route == nullptr) {
      SetError(response, 404, "no such page");
      return Handled::Handled;
    }
    if (request.method != route->method) {
      response.set_header("Allow", route->method);
      SetError(response, 405, std::string("only ") + route->method + " here");
      return Handled::Handled;
    }
    if (!guard_->HostAccepted(request.get_header_value("Host"))) {
      SetError(response, 403, "this server is not reached under that name");
      return Handled::Handled;
    }
    if (request.method != "POST") return Handled::Unhandled;
    if (request.has_header("Origin") && !guard_->OriginAccepted(request.get_header_value("Origin"))) {
      SetError(response, 403, "commands come from the dashboard's own page only");
      return Handled::Handled;
    }
    if (!guard_->TokenAccepted(request.get_header_value("Authorization"),
                               request.get_header_value("X-Trezik-Token"))) {
      response.set_header("WWW-Authenticate", "Bearer");
      SetError(response, 401, "the dashboard's token is missing or wrong");
      return Handled::Handled;
    }
    if (!IsJsonContentType(request.get_header_value("Content-Type"))) {
      SetError(response, 415, "a command is sent as application/json");
      return Handled::Handled;
    }
    return Handled::Unhandled;
  });

  http_->Get("/", [](const httplib::Request&, httplib::Response& response) {
    const std::string nonce = NewNonce();
    response.set_header("Content-Security-Policy", PagePolicy(nonce));
    response.set_content(DashboardPage(nonce), "text/html; charset=utf-8");
  });
  http_->Get("/labels", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content(SnapshotJson(dashboard_.Latest()), kJson);
  });
  http_->Get("/events", [this](const httplib::Request&, httplib::Response& response) { StreamEvents(response); });
  http_->Post("/command", [this](const httplib::Request& request, httplib::Response& response) {
    std::string error;
    std::optional<std::string> command = CommandFromBody(request.body, error);
    if (!command) return SetError(response, 400, error);
    const CommandAnswer answer = dashboard_.Press(std::move(*command), kPressTimeout);
    response.status = answer.status;
    response.set_content(AnswerJson(answer), kJson);
  });

  // httplib's own refusals (a body over kMaxBody: 413, a request it cannot
  // read: 400) get a JSON body like ours.
  http_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    SetError(response, response.status,
             response.status == 413 ? "the request is too large" : "the request cannot be served");
  });
  http_->set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
    SetError(response, 500, "the dashboard server failed");
  });
  http_->set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.has_header("Content-Security-Policy")) response.set_header("Content-Security-Policy", kStrictPolicy);
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("X-Frame-Options", "DENY");
  });
}

void Server::StreamEvents(httplib::Response& response) {
  if (streams_.fetch_add(1) >= kMaxStreams) {
    streams_.fetch_sub(1);
    return SetError(response, 503, "too many open dashboards");
  }
  struct Stream {
    std::uint64_t version = 0;
    bool first = true;
    std::chrono::steady_clock::time_point last_write = std::chrono::steady_clock::now();
  };
  auto stream = std::make_shared<Stream>();
  const auto write = [stream](httplib::DataSink& sink, const std::string& text) {
    stream->last_write = std::chrono::steady_clock::now();
    return sink.write(text.data(), text.size());
  };
  const auto event = [](const Snapshot& snapshot) { return "data: " + SnapshotJson(snapshot) + "\n\n"; };
  response.set_header("X-Accel-Buffering", "no");
  response.set_chunked_content_provider(
      "text/event-stream",
      // Called again as long as it answers true; each call writes one event
      // or one keep-alive, or ends the stream.
      [this, stream, write, event](std::size_t, httplib::DataSink& sink) {
        if (stream->first) {
          stream->first = false;
          const Snapshot latest = dashboard_.Latest();
          stream->version = latest.version;
          return write(sink, "retry: 2000\n" + event(latest));
        }
        while (!stopping_ && !dashboard_.closed()) {
          if (const auto newer = dashboard_.WaitNewer(stream->version, kStreamSlice)) {
            stream->version = newer->version;
            return write(sink, event(*newer));
          }
          if (std::chrono::steady_clock::now() - stream->last_write >= kKeepAlive) {
            return write(sink, ": keep-alive\n\n");
          }
        }
        sink.done();
        return true;
      },
      [this](bool) { streams_.fetch_sub(1); });
}

}  // namespace trezik::live
