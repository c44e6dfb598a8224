// trezik-live's dashboard server: the page, the labels as JSON, a stream of
// them (Server-Sent Events) and the commands the page's buttons send, handed
// to the plug-in's thread through the Dashboard. The server never calls the
// plug-in itself.
//
// Who may press: on loopback (the default) anyone on this machine whose
// request comes from the page itself (see request_guard.h); on any other
// address only who also carries the token.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "tools/live/dashboard.h"

namespace httplib {
class Server;
struct Response;
}

namespace trezik::live {

class RequestGuard;

struct ServerOptions {
  std::string address = "127.0.0.1";
  int port = 8787;      // 0: any free port (port() tells which)
  std::string token;    // required when `address` is not loopback: 12 to 256
                        // visible ASCII characters, no blank
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

 private:
  void Routes();
  void StreamEvents(httplib::Response& response);

  Dashboard& dashboard_;
  ServerOptions options_;
  bool loopback_ = true;
  int port_ = 0;
  std::unique_ptr<RequestGuard> guard_;
  std::unique_ptr<httplib::Server> http_;
  std::thread listener_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> streams_{0};
};

}  // namespace trezik::live
