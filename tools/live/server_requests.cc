// The dashboard server's requests: libmicrohttpd's callbacks, the checks in
// their order, and the answers.
#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <random>

#include "core/convert.h"
#include "tools/live/dashboard_json.h"
#include "tools/live/http_answer.h"
#include "tools/live/page.h"
#include "tools/live/request_guard.h"
#include "tools/live/server.h"

namespace trezik::live {

struct Server::Request {
  ConnectionWatch::Entry* entry = nullptr;
  std::string address;  // the client's, as counted
  std::string path;  // once admitted
  bool get = false;
  std::string body;
  std::size_t received = 0;
};

struct Server::Callbacks {
  static MHD_Result Accept(void* server, const sockaddr* address, socklen_t length);
  static void Connection(void* server, MHD_Connection* connection, void** context,
                         MHD_ConnectionNotificationCode code);
  static MHD_Result Access(void* server, MHD_Connection* connection, const char* url, const char* method,
                           const char* version, const char* upload, std::size_t* upload_size, void** request);
  static void Completed(void* server, MHD_Connection* connection, void** request, MHD_RequestTerminationCode code);
};

namespace {

constexpr auto kPressTimeout = std::chrono::seconds(5);
constexpr char kSessionCookie[] = "trezik-live-session";
constexpr const char* kJson = "application/json";

std::string PagePolicy(const std::string& nonce) {
  return "default-src 'none'; script-src 'nonce-" + nonce + "'; style-src 'nonce-" + nonce +
         "'; connect-src 'self'; img-src 'self' data:; base-uri 'none'; form-action 'none'; "
         "frame-ancestors 'none'";
}

// The report's page: its own inline style and pictures, nothing else.
constexpr char kHistoryPolicy[] =
    "default-src 'none'; style-src 'unsafe-inline'; img-src data:; base-uri 'none'; form-action 'none'";

// 128 random bits as 32 hexadecimal digits.
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

// The routes and the one method each answers.
struct Route {
  const char* path;
  const char* method;
};
constexpr std::array<Route, 5> kRoutes = {{
    {"/", "GET"}, {"/labels", "GET"}, {"/events", "GET"}, {"/command", "POST"}, {"/history", "GET"}}};

// The header lines of a request, and how often each header that a check
// reads, or that frames the body, is given.
struct HeaderCount {
  static constexpr std::array<const char*, 7> kSingle = {
      "host", "origin", "authorization", "x-trezik-token", "content-type", "content-length", "transfer-encoding"};
  unsigned lines = 0;
  std::array<unsigned, kSingle.size()> seen{};
};

MHD_Result CountHeader(void* count, MHD_ValueKind, const char* name, const char*) {
  auto& c = *static_cast<HeaderCount*>(count);
  ++c.lines;
  const std::string lower = ToLowerAscii(name);
  for (std::size_t i = 0; i < HeaderCount::kSingle.size(); ++i) c.seen[i] += lower == HeaderCount::kSingle[i];
  return MHD_YES;
}

std::string Header(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value != nullptr ? value : "";
}

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address == nullptr) return text;
  if (address->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
  }
  return text;
}

std::string ClientAddress(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  return AddressText(info != nullptr ? info->client_addr : nullptr);
}

}  // namespace

MHD_Daemon* Server::StartDaemon(int socket) {
  return MHD_start_daemon(
      MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | MHD_USE_ITC, 0,
      &Callbacks::Accept, this, &Callbacks::Access, this,
      MHD_OPTION_LISTEN_SOCKET, socket,
      MHD_OPTION_CONNECTION_LIMIT, ServerLimits::kDaemonConnections,
      MHD_OPTION_CONNECTION_TIMEOUT, ServerLimits::kIdleSeconds,
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, ServerLimits::kConnectionMemory,
      MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::Connection, this,
      MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::Completed, this,
      MHD_OPTION_END);
}

// No exception may leave a callback into libmicrohttpd's C: none could
// unwind through it, and the program would end without its final save.
// What a callback could not do is told on the log (when even that can be
// done), and the connection is refused or ended.
void Server::Failed(const char* where) noexcept {
  try {
    throw;
  } catch (const std::exception& error) {
    try {
      Log(std::string(where) + " failed: " + error.what());
    } catch (...) {
    }
  } catch (...) {
  }
}

MHD_Result Server::Callbacks::Accept(void* server, const sockaddr* address, socklen_t) {
  try {
    static_cast<Server*>(server)->watch_.MakeRoom(AddressText(address));
    return MHD_YES;
  } catch (...) {
    static_cast<Server*>(server)->Failed("a new connection");
    return MHD_NO;
  }
}

void Server::Callbacks::Connection(void* server, MHD_Connection* connection, void** context,
                                   MHD_ConnectionNotificationCode code) {
  ConnectionWatch& watch = static_cast<Server*>(server)->watch_;
  try {
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
      const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
      *context = watch.Opened(info->connect_fd, ClientAddress(connection));
    } else if (*context != nullptr) {
      auto* entry = static_cast<ConnectionWatch::Entry*>(*context);
      *context = nullptr;
      watch.Closed(entry);
    }
  } catch (...) {
    static_cast<Server*>(server)->Failed("a connection's bookkeeping");
  }
}

void Server::Callbacks::Completed(void* server, MHD_Connection*, void** request, MHD_RequestTerminationCode) {
  auto* done = static_cast<Request*>(*request);
  if (done == nullptr) return;
  *request = nullptr;
  try {
    static_cast<Server*>(server)->watch_.Answered(done->entry);
  } catch (...) {
    static_cast<Server*>(server)->Failed("a request's end");
  }
  delete done;
}

MHD_Result Server::Callbacks::Access(void* server, MHD_Connection* connection, const char* url,
                                     const char* method, const char* version, const char* upload,
                                     std::size_t* upload_size, void** request) {
  try {
    return static_cast<Server*>(server)->Access(connection, url, method, version, upload, upload_size, request)
               ? MHD_YES
               : MHD_NO;
  } catch (...) {
    static_cast<Server*>(server)->Failed("a request");
    return MHD_NO;  // the connection ends
  }
}

bool Server::Access(MHD_Connection* connection, const char* url, const char* method, const char*,
                    const char* upload, std::size_t* upload_size, void** request) {
  auto* state = static_cast<Request*>(*request);
  if (state == nullptr) {
    state = new Request;
    *request = state;
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    state->entry = static_cast<ConnectionWatch::Entry*>(info->socket_context);
    state->address = CountedAddress(ClientAddress(connection));
    bool queued = false;
    if (Admit(connection, url, method, *state, queued)) return true;
    watch_.Answering(state->entry, AnswerTime(1024));
    return queued;
  }
  if (*upload_size > 0) {
    state->received += *upload_size;
    // A body somewhat over the limit is read and dropped, so that the
    // connection stays in step for a 413; a far larger one ends it.
    if (state->received > ServerLimits::kDrainedBody) return false;
    if (state->received <= ServerLimits::kMaxBody) state->body.append(upload, *upload_size);
    *upload_size = 0;
    return true;
  }
  if (state->get) {
    Serve(connection, *state);
    return true;
  }
  watch_.Answering(state->entry, std::chrono::duration_cast<std::chrono::milliseconds>(kPressTimeout) +
                                          AnswerTime(1024));
  if (state->received > ServerLimits::kMaxBody) {
    return AnswerError(connection, 413, "the request is too large");
  }
  Command(connection, *state);
  return true;
}

bool Server::Admit(MHD_Connection* connection, const char* url, const char* method, Request& request,
                   bool& queued) {
  // Answered at once, before the body is read: libmicrohttpd then closes
  // the connection after the answer, and the body is never read as more
  // requests.
  const auto refuse = [&](unsigned status, std::string_view error, HeaderList headers = {}) {
    queued = AnswerError(connection, status, error, headers);
    return false;
  };
  HeaderCount count;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &CountHeader, &count);
  if (count.lines > ServerLimits::kMaxHeaders) return refuse(431, "too many header lines");
  for (std::size_t i = 0; i < HeaderCount::kSingle.size(); ++i) {
    if (count.seen[i] > 1) return refuse(400, std::string("the header ") + HeaderCount::kSingle[i] + " is given twice");
  }
  const bool content_length = count.seen[5] > 0, chunked = count.seen[6] > 0;
  if (content_length && chunked) return refuse(400, "a body is framed one way only");

  const std::string path = url != nullptr ? url : "";
  const Route* route = nullptr;
  for (const Route& candidate : kRoutes) {
    if (path == candidate.path) route = &candidate;
  }
  if (route == nullptr) return refuse(404, "no such page");
  if (std::strcmp(method, route->method) != 0) {
    return refuse(405, std::string("only ") + route->method + " here", {{"Allow", route->method}});
  }
  if (!guard_->HostAccepted(Header(connection, "Host"))) {
    return refuse(403, "this server is not reached under that name");
  }
  const std::string length_text = Header(connection, "Content-Length");
  const bool has_body = chunked || (content_length && length_text.find_first_not_of('0') != std::string::npos);
  // The page's own requests, and a right token's, are never the ones shut
  // for room (a GET's token is only looked at, never counted).
  if (KnownSession(Header(connection, "Cookie")) ||
      (guard_->token_required() &&
       guard_->TokenAccepted(Header(connection, "Authorization"), Header(connection, "X-Trezik-Token")))) {
    watch_.Prefer(request.entry);
  }
  const bool get = route->method == std::string_view("GET");
  if (get && has_body) return refuse(400, "a GET carries no body");
  // The History view shows where the car went: asked for as a command is.
  if (get && path != "/history") {
    // Answered once the request is complete: an answer queued now would
    // end the connection.
    request.get = true;
    request.path = path;
    return true;
  }

  const std::string origin = Header(connection, "Origin");
  if (MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Origin") != nullptr &&
      !guard_->OriginAccepted(origin)) {
    return refuse(403, get ? "the history comes to the dashboard's own page only"
                           : "commands come from the dashboard's own page only");
  }
  if (guard_->token_required()) {
    // The token is always looked at: a right one is never refused, however
    // many wrong ones came from its address; wrong ones are slowed down.
    if (!guard_->TokenAccepted(Header(connection, "Authorization"), Header(connection, "X-Trezik-Token"))) {
      const TokenThrottle::Verdict verdict = throttle_.Wrong(request.address, TokenThrottle::Clock::now());
      if (verdict.report) Log(*verdict.report);
      if (verdict.wait.count() > 0) {
        return refuse(429, "too many wrong tokens: try again later",
                      {{"Retry-After", std::to_string(verdict.wait.count())}});
      }
      return refuse(401, "the dashboard's token is missing or wrong", {{"WWW-Authenticate", "Bearer"}});
    }
  }
  if (get) {
    request.get = true;
    request.path = path;
    return true;
  }
  if (!IsJsonContentType(Header(connection, "Content-Type"))) {
    return refuse(415, "a command is sent as application/json");
  }
  if (content_length) {
    const std::optional<double> length = ParseFileNumber(length_text);
    if (!length || *length > static_cast<double>(ServerLimits::kMaxBody)) return refuse(413, "the request is too large");
  }
  return true;
}

void Server::Serve(MHD_Connection* connection, const Request& request) {
  if (request.path == "/events") {
    Events(connection, request.entry);
    return;
  }
  if (request.path == "/history") {
    const HistoryPage page = options_.history != nullptr ? options_.history->Page()
                                                         : HistoryPage{404, "trezik-live keeps no history here"};
    watch_.Answering(request.entry, AnswerTime(page.html.size()));
    if (page.status != 200) {
      AnswerError(connection, static_cast<unsigned>(page.status), page.html);
    } else {
      Answer(connection, 200, page.html, "text/html; charset=utf-8", {{"Content-Security-Policy", kHistoryPolicy}});
    }
    return;
  }
  std::string body;
  const char* type = kJson;
  std::string nonce, session;
  if (request.path == "/") {
    nonce = NewNonce();
    session = std::string(kSessionCookie) + "=" + NewSession(request.address) + "; Path=/; HttpOnly; SameSite=Strict";
    body = DashboardPage(nonce);
    type = "text/html; charset=utf-8";
  } else {
    body = SnapshotJson(dashboard_.Latest());
  }
  watch_.Answering(request.entry, AnswerTime(body.size()));
  if (request.path == "/") {
    Answer(connection, 200, body, type, {{"Content-Security-Policy", PagePolicy(nonce)}, {"Set-Cookie", session}});
  } else {
    Answer(connection, 200, body, type);
  }
}

std::string Server::NewSession(const std::string& address) {
  std::string session = NewNonce();
  std::lock_guard lock(sessions_mutex_);
  // At most two an address (its oldest goes), kSessions in all.
  const auto first = std::find_if(sessions_.begin(), sessions_.end(), [&](const auto& s) { return s.second == address; });
  if (first != sessions_.end() &&
      std::count_if(sessions_.begin(), sessions_.end(), [&](const auto& s) { return s.second == address; }) >= 2) {
    sessions_.erase(first);
  }
  if (sessions_.size() >= ServerLimits::kSessions) sessions_.pop_front();
  sessions_.emplace_back(session, address);
  return session;
}

bool Server::KnownSession(const std::string& cookie) {
  const std::string name = std::string(kSessionCookie) + "=";
  const auto at = cookie.find(name);
  if (at == std::string::npos || (at > 0 && cookie[at - 1] != ' ' && cookie[at - 1] != ';')) return false;
  const std::string given = cookie.substr(at + name.size(), 32);
  std::lock_guard lock(sessions_mutex_);
  return std::any_of(sessions_.begin(), sessions_.end(), [&](const auto& s) { return SameSecret(given, s.first); });
}

void Server::Command(MHD_Connection* connection, const Request& request) {
  std::string error;
  std::optional<std::string> command = CommandFromBody(request.body, error);
  if (!command) {
    AnswerError(connection, 400, error);
    return;
  }
  const CommandAnswer answer = dashboard_.Press(std::move(*command), kPressTimeout);
  const std::string json = AnswerJson(answer);
  watch_.Answering(request.entry, AnswerTime(json.size()));
  Answer(connection, static_cast<unsigned>(answer.status), json, kJson);
}

}  // namespace trezik::live
