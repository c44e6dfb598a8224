// Answers of the dashboard server through libmicrohttpd, each with the
// headers every answer carries: not to be cached, sniffed, framed or sent
// on as a referrer, and a Content-Security-Policy that allows nothing from
// elsewhere (the page's own, with its nonce, when given).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include <sys/types.h>

struct MHD_Connection;

namespace trezik::live {

using HeaderList = std::initializer_list<std::pair<const char*, std::string>>;

// Queues `body` as the answer; false when libmicrohttpd refuses it (the
// connection is then closed).
bool Answer(MHD_Connection* connection, unsigned status, std::string_view body, const char* content_type,
            HeaderList headers = {});
// {"error": TEXT} as JSON.
bool AnswerError(MHD_Connection* connection, unsigned status, std::string_view error, HeaderList headers = {});

// A body of unknown length, sent chunked as `next` writes it: `next` fills
// up to `room` bytes and answers how many, or -1 at the end. `done` runs
// once the answer is over, whichever way it ended.
struct StreamBody {
  std::function<ssize_t(char* buffer, std::size_t room)> next;
  std::function<void()> done;
};
bool AnswerStream(MHD_Connection* connection, StreamBody body, const char* content_type, HeaderList headers = {});

}  // namespace trezik::live
