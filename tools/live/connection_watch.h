// The dashboard server's watch over its connections, on top of libmicrohttpd
// (which bounds a connection's idle time and the memory of a request's head,
// and whose own limit on connections lies above the watch's, so that every
// new connection reaches MakeRoom here instead of waiting unaccepted):
//  - time, both ways: a request's head and body must have arrived within
//    `request_time` of the connection's start or of the previous answer on
//    it, and an answer must have been taken by the client within the time
//    the server gave it (a base and a minimum rate for its size, see
//    Answering). A connection that is slower is shut down, however steadily
//    it trickles bytes in or reads them out, which resets libmicrohttpd's
//    idle time;
//  - room: when a new connection comes and its address already has
//    `open_per_address` open, or all addresses together `open_total`, one
//    connection is shut down for it: the one that has been in its present
//    state longest (waiting for a request, or being answered), since it is
//    the idlest or the slowest. Being answered protects nothing: a client
//    that pipelines requests and reads the answers slowly, or never, is
//    always being answered. Connections that carried the dashboard's token
//    or the page's own session (Prefer) are taken only when no other is
//    left, and event streams only by the stream rule. The cap per address
//    lies far below the total, so that a few addresses cannot fill it;
//  - event streams: at most `streams_per_address` from one address, the
//    oldest of them giving way to a new one, and `streams_total` in all.
// A new connection is thus always admitted, and the driver's request on it
// is answered at once (a thread per connection): whoever holds the other
// connections, in whatever state, only ever loses their own oldest.
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

// The address a connection is counted under: IPv4 in IPv6 (::ffff:a.b.c.d)
// as IPv4, and ::1 as 127.0.0.1, so that the same machine is one address.
std::string CountedAddress(const std::string& address);

class ConnectionWatch {
 public:
  struct Limits {
    int open_total;        // connections open at once
    int open_per_address;  // the same from one client address
    std::chrono::milliseconds request_time;
    int streams_total = 16;
    int streams_per_address = 2;
  };
  using Clock = std::chrono::steady_clock;
  enum class State { kWaiting, kAnswering, kStreaming };
  // One connection as the watch keeps it; opaque to the server.
  struct Entry {
    int socket = -1;  // a duplicate of the connection's socket
    std::string address;
    State state = State::kWaiting;
    Clock::time_point since;     // in this state since
    Clock::time_point deadline;  // waiting or answering: shut down after
    bool preferred = false;
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
  // shutting down another when the limits are reached. Always admits.
  void MakeRoom(const std::string& address);
  // The connection on `socket` began; the entry lives until Closed().
  Entry* Opened(int socket, std::string address);
  void Closed(Entry* entry);
  // A request is complete and being answered: its answer must be sent
  // within `time` (an answer's time grows with its size, see the server).
  void Answering(Entry* entry, std::chrono::milliseconds time);
  // The answer is sent; the connection waits for the next request.
  void Answered(Entry* entry);
  // The connection carried the dashboard's token or the page's session.
  void Prefer(Entry* entry);
  // The request is an event stream: untimed. Makes room by the stream rule
  // (the oldest stream of its address gives way); false when all streams
  // are taken.
  bool Streaming(Entry* entry);
  // Whether the connection was shut down (a stream ends then).
  bool IsShut(const Entry* entry) const;

  // What the connections are doing now (for tests).
  int waiting() const;
  int open() const;

 private:
  void Run();
  void ShutDown(Entry& entry);  // mutex held

  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::list<Entry> entries_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace trezik::live
