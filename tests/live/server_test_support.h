// A dashboard server on a free port with its plug-in side played by a
// thread of the test, and plain-socket HTTP to reach it with any header.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/live/dashboard.h"
#include "tools/live/server.h"

namespace trezik::live::testing {

// Takes the commands from the dashboard as the plug-in's thread does and
// answers them: 1 for "trezik_ok", a failure for "logtrip", 2 for the rest.
class FakePlugin {
 public:
  explicit FakePlugin(Dashboard& dashboard) : dashboard_(dashboard), thread_([this] { Run(); }) {}
  ~FakePlugin() {
    done_ = true;
    thread_.join();
  }
  std::vector<std::string> received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void Run() {
    while (!done_) {
      for (auto& pending : dashboard_.TakeCommands(std::chrono::steady_clock::now() + std::chrono::milliseconds(20))) {
        {
          std::lock_guard lock(mutex_);
          received_.push_back(pending->command);
        }
        if (pending->command == "trezik_ok") {
          pending->answer.set_value({200, 1, ""});
        } else if (pending->command == "logtrip") {
          pending->answer.set_value({500, std::nullopt, "disk full"});
        } else {
          pending->answer.set_value({200, 2, ""});
        }
      }
    }
  }

  Dashboard& dashboard_;
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// One TCP connection to 127.0.0.1:port, from `from` (another loopback
// address stands for another client), reads time out after `wait_seconds`;
// `receive_buffer` > 0 makes a small window, as a client that reads slowly.
class Connection {
 public:
  explicit Connection(int port, const char* from = nullptr, int wait_seconds = 5, int receive_buffer = 0)
      : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{wait_seconds, 0};
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (receive_buffer > 0) setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    if (from != nullptr) {
      sockaddr_in source{};
      source.sin_family = AF_INET;
      inet_pton(AF_INET, from, &source.sin_addr);
      ::bind(socket_, reinterpret_cast<sockaddr*>(&source), sizeof source);
    }
    connected_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Connection() { ::close(socket_); }
  bool connected() const { return connected_; }
  void Send(const std::string& text) const { SendSome(text); }
  // Sends all of `text`; false when the server closed the connection.
  bool SendSome(const std::string& text) const {
    for (std::size_t sent = 0; sent < text.size();) {
      const ssize_t n = ::send(socket_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }
  // Whatever arrives next; empty at the end of the stream or on time-out.
  std::string Receive() const {
    char buffer[4096];
    const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  // Reads until `text` has arrived (true) or the stream ends.
  bool ReceiveUntil(const std::string& text, std::string& received) const {
    while (received.find(text) == std::string::npos) {
      const std::string more = Receive();
      if (more.empty()) return false;
      received += more;
    }
    return true;
  }

 private:
  int socket_;
  bool connected_ = false;
};

// An answer read to the end of the connection.
struct RawAnswer {
  int status = 0;
  std::string head;  // the status line and headers, lower case
  std::string body;
};

inline RawAnswer Exchange(int port, const std::string& request, const char* from = nullptr) {
  Connection connection(port, from);
  connection.Send(request);
  std::string all;
  for (std::string more = connection.Receive(); !more.empty(); more = connection.Receive()) all += more;
  RawAnswer answer;
  const auto end = all.find("\r\n\r\n");
  if (all.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return answer;
  answer.status = std::stoi(all.substr(9, 3));
  for (char c : all.substr(0, end)) answer.head += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  answer.body = all.substr(end + 4);
  return answer;
}

}  // namespace trezik::live::testing
