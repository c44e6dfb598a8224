// The dashboard server's watch over its connections, beside what
// libmicrohttpd bounds itself (the number of connections in all and per
// client address, a connection's idle time, the memory of a request's head):
//  - time: a request's head and body must have arrived within
//    `request_time` of the connection's start or of the previous answer on
//    it; a connection that is slower is shut down, however steadily it
//    trickles bytes (which resets libmicrohttpd's idle time);
//  - room: when a new connection comes and too many connections wait for a
//    request (in all, or from its address), the one waiting longest is shut
//    down, so that idle or trickling connections cannot keep a new request
//    out. Connections with a request being answered (an event stream, a
//    command the plug-in is carrying out) are never taken.
// Shut down means shutdown(2) on a duplicate of the socket: the connection's
// thread sees the end at once, and a socket number reused after
// libmicrohttpd closed its own can never be hit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace trezik::live {

class ConnectionWatch {
 public:
  struct Limits {
    int waiting_total;        // connections waiting for a request, in all
    int waiting_per_address;  // the same from one client address
    std::chrono::milliseconds request_time;
  };
  using Clock = std::chrono::steady_clock;
  // One connection as the watch keeps it; opaque to the server.
  struct Entry {
    int socket = -1;  // a duplicate of the connection's socket
    std::string address;
    bool waiting = true;  // for a request's head or body, and timed
    Clock::time_point since;
    bool shut = false;
  };

  explicit ConnectionWatch(Limits limits);
  ~ConnectionWatch() { Stop(); }
  ConnectionWatch(const ConnectionWatch&) = delete;
  ConnectionWatch& operator=(const ConnectionWatch&) = delete;

  // Starts the thread that shuts down connections past their time.
  void Start();
  // Ends that thread and shuts down every connection still open.
  void Stop();

  // A new connection from `address` is about to be accepted: makes room by
  // shutting down the connection waiting longest when the limits are
  // reached. Always admits.
  void MakeRoom(const std::string& address);
  // The connection on `socket` began; the entry lives until Closed().
  Entry* Opened(int socket, std::string address);
  void Closed(Entry* entry);
  // A request's body has all arrived: it is being answered, untimed.
  void Answering(Entry* entry);
  // The answer is sent; the connection waits for the next request.
  void Answered(Entry* entry);

  // What the connections are doing now (for tests).
  int waiting() const;
  int open() const;

 private:
  void Run();
  void ShutDown(Entry& entry);  // mutex held

  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::list<Entry> entries_;  // oldest wait first among the waiting
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace trezik::live
