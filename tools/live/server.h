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
#pragma once

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>

#include "tools/live/connection_watch.h"
#include "tools/live/dashboard.h"
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
};

// The server's bounds.
struct ServerLimits {
  static constexpr std::size_t kMaxBody = 1024;           // a command's body
  static constexpr std::size_t kDrainedBody = 16 * 1024;  // read and dropped before a 413; more: closed
  static constexpr unsigned kMaxHeaders = 64;             // header lines of a request
  static constexpr std::size_t kConnectionMemory = 32 * 1024;  // the head and the answer's head
  static constexpr unsigned kConnections = 128;           // open at once (a thread each)
  static constexpr unsigned kConnectionsPerAddress = 96;
  static constexpr int kWaitingConnections = 32;          // waiting for a request: more takes the oldest
  static constexpr int kWaitingPerAddress = 24;
  static constexpr unsigned kIdleSeconds = 5;             // silence, also between kept-alive requests
  static constexpr std::chrono::seconds kRequestTime{10}; // from the wait's start to the body's end
};

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

  // libmicrohttpd's callbacks (server_callbacks.cc); the per-request state.
  struct Request;
  struct Callbacks;

 private:
  int Listen(std::string& error);  // the listening socket, or -1
  MHD_Daemon* StartDaemon(int socket);  // serving on `socket`, or null
  // The first look at a request, its head complete: refuses it at once
  // (false; `queued` says whether the answer could be queued) or admits it
  // to be answered once its body is read (true).
  bool Admit(MHD_Connection* connection, const char* url, const char* method, Request& request, bool& queued);
  void Serve(MHD_Connection* connection, const std::string& path);  // a GET
  void Command(MHD_Connection* connection, const Request& request);
  void Events(MHD_Connection* connection);
  void Log(const std::string& line);

  Dashboard& dashboard_;
  ServerOptions options_;
  bool loopback_ = true;
  int port_ = 0;
  std::unique_ptr<RequestGuard> guard_;
  ConnectionWatch watch_;
  TokenThrottle throttle_;
  MHD_Daemon* daemon_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::atomic<int> streams_{0};
  std::mutex log_mutex_;
};

}  // namespace trezik::live
