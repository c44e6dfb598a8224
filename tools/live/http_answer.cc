#include "tools/live/http_answer.h"

#include <microhttpd.h>

#include "tools/live/dashboard_json.h"

namespace trezik::live {
namespace {

// Everything but the page itself loads nothing and may not be framed.
constexpr const char* kStrictPolicy =
    "default-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

bool Queue(MHD_Connection* connection, unsigned status, MHD_Response* response, const char* content_type,
           HeaderList headers) {
  if (response == nullptr) return false;
  bool has_policy = false;
  for (const auto& [name, value] : headers) {
    MHD_add_response_header(response, name, value.c_str());
    has_policy |= std::string_view(name) == "Content-Security-Policy";
  }
  if (!has_policy) MHD_add_response_header(response, "Content-Security-Policy", kStrictPolicy);
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, content_type);
  MHD_add_response_header(response, "Cache-Control", "no-store");
  MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
  MHD_add_response_header(response, "X-Frame-Options", "DENY");
  const bool queued = MHD_queue_response(connection, status, response) == MHD_YES;
  MHD_destroy_response(response);
  return queued;
}

// libmicrohttpd's callbacks of a stream: nothing may leave them (see
// server_requests.cc); a piece that cannot be made ends the stream.
ssize_t NextPiece(void* body, std::uint64_t, char* buffer, std::size_t room) {
  try {
    return static_cast<StreamBody*>(body)->next(buffer, room);
  } catch (...) {
    return MHD_CONTENT_READER_END_WITH_ERROR;
  }
}

void StreamOver(void* body) {
  auto* stream = static_cast<StreamBody*>(body);
  try {
    if (stream->done) stream->done();
  } catch (...) {
  }
  delete stream;
}

}  // namespace

bool Answer(MHD_Connection* connection, unsigned status, std::string_view body, const char* content_type,
            HeaderList headers) {
  MHD_Response* response =
      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
  return Queue(connection, status, response, content_type, headers);
}

bool AnswerError(MHD_Connection* connection, unsigned status, std::string_view error, HeaderList headers) {
  return Answer(connection, status, ErrorJson(error), "application/json", headers);
}

bool AnswerStream(MHD_Connection* connection, StreamBody body, const char* content_type, HeaderList headers) {
  auto* stream = new StreamBody(std::move(body));
  MHD_Response* response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 1024, &NextPiece, stream, &StreamOver);
  if (response == nullptr) {
    StreamOver(stream);
    return false;
  }
  return Queue(connection, 200, response, content_type, headers);
}

}  // namespace trezik::live
