// trezik-live's dashboard server: the page, the labels as JSON, a stream of
// them (Server-Sent Events) and the commands the page's buttons send, handed
// to the plug-in's thread through the Dashboard. The server never calls the
// plug-in itself.
//
// Who may press: on loopback (the default) anyone on this machine whose
// request comes from the page itself (see request_guard.h); on any other
// address only who also carries the token.
//
// Built on GNU libmicrohttpd, a thread per connection, with every request
// bounded before any check or handler sees it (docs/live.md, "Bounds"): a
// refused request is answered before its body is read and its connection
// closed, so that no byte of that body is ever taken for a request.
//
// The driver's requests always get through: a new connection is always
// admitted and answered on its own thread, and room is made for it by
// shutting the idlest or slowest connection of the busiest place, never
// one that carried the token or the page's session while another is left
// (connection_watch.h). The page's session is a cookie that the page gets
// with itself; the server keeps the newest few, at most two an address.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "tools/live/connection_watch.h"
#include "tools/live/dashboard.h"
#include "tools/live/history_view.h"
#include "tools/live/token_throttle.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace trezik::live {

class RequestGuard;

struct ServerOptions {
  std::string address = "127.0.0.1";
  int port = 8787;      // 0: any free port (port() tells which)
  std::string token;    // required when `address` is not loopback: 12 to 256
                        // visible ASCII characters, no blank
  std::ostream* log = nullptr;  // wrong tokens slowed down; none: not told
  HistoryView* history = nullptr;  // the History view's report; none: 404
};

// The server's bounds.
struct ServerLimits {
  static constexpr std::size_t kMaxBody = 1024;           // a command's body
  static constexpr std::size_t kDrainedBody = 16 * 1024;  // read and dropped before a 413; more: closed
  static constexpr unsigned kMaxHeaders = 64;             // header lines of a request
  static constexpr std::size_t kConnectionMemory = 32 * 1024;  // the head and the answer's head
  static constexpr int kConnections = 128;                // open at once: more takes one (a thread each)
  static constexpr int kConnectionsPerAddress = 12;       // from one address: more takes one of its own
  // libmicrohttpd's own limit, above the server's, so that connections
  // being shut for new ones never keep a new one from being accepted.
  static constexpr unsigned kDaemonConnections = kConnections + 32;
  static constexpr unsigned kIdleSeconds = 5;             // silence, also between kept-alive requests
  static constexpr std::chrono::seconds kRequestTime{10}; // from the wait's start to the body's end
  // An answer must be taken within kAnswerBase plus its size at kAnswerRate.
  static constexpr std::chrono::seconds kAnswerBase{2};
  static constexpr std::size_t kAnswerRate = 4 * 1024;    // bytes a second
  static constexpr int kStreams = 16;                     // event streams open at once
  static constexpr int kStreamsPerAddress = 2;            // the oldest gives way to a new one
  static constexpr std::size_t kSessions = 32;            // page sessions kept, 2 an address
};

// The time a client has to take an answer of `bytes` (ServerLimits).
inline std::chrono::milliseconds AnswerTime(std::size_t bytes) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(ServerLimits::kAnswerBase) +
         std::chrono::milliseconds(bytes * 1000 / ServerLimits::kAnswerRate);
}

// 127.0.0.0/8, ::1 (also written [::1]) and "localhost".
bool IsLoopbackAddress(const std::string& address);

class Server {
 public:
  Server(Dashboard& dashboard, ServerOptions options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and serves on its own threads; false with `error` when it cannot
  // (no usable token on a non-loopback address, the address is taken, ...).
  bool Start(std::string& error);
  // Ends the event streams and the listening; returns when the server's
  // threads are done. Safe to call twice.
  void Stop();

  bool loopback() const { return loopback_; }
  const std::string& token() const { return options_.token; }
  int port() const { return port_; }  // the bound port once started
  const ConnectionWatch& connections() const { return watch_; }

  // libmicrohttpd's callbacks (server_requests.cc); the per-request state.
  struct Request;
  struct Callbacks;

 private:
  int Listen(std::string& error);  // the listening socket, or -1
  MHD_Daemon* StartDaemon(int socket);  // serving on `socket`, or null
  // The first look at a request, its head complete: refuses it at once
  // (false; `queued` says whether the answer could be queued) or admits it
  // to be answered once its body is read (true).
  bool Admit(MHD_Connection* connection, const char* url, const char* method, Request& request, bool& queued);
  // A request's part as libmicrohttpd hands it over (its head, a piece of
  // its body, its end), as its access callback takes it: false ends the
  // connection. May throw, which the callback turns into the end too.
  bool Access(MHD_Connection* connection, const char* url, const char* method, const char* version,
                    const char* upload, std::size_t* upload_size, void** request);
  // Tells the exception being handled, in a callback's catch, as the
  // failure of `where`; throws nothing.
  void Failed(const char* where) noexcept;
  void Serve(MHD_Connection* connection, const Request& request);  // a GET
  void Command(MHD_Connection* connection, const Request& request);
  void Events(MHD_Connection* connection, ConnectionWatch::Entry* entry);
  void Log(const std::string& line);
  // The page's sessions: a new one for `address`, and whether a request's
  // Cookie header carries one.
  std::string NewSession(const std::string& address);
  bool KnownSession(const std::string& cookie);

  Dashboard& dashboard_;
  ServerOptions options_;
  bool loopback_ = true;
  int port_ = 0;
  std::unique_ptr<RequestGuard> guard_;
  ConnectionWatch watch_;
  TokenThrottle throttle_;
  MHD_Daemon* daemon_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::mutex log_mutex_;
  std::mutex sessions_mutex_;
  std::deque<std::pair<std::string, std::string>> sessions_;  // session, address; oldest first
};

}  // namespace trezik::live
