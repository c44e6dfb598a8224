#include "tools/live/server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <utility>

#include "core/convert.h"
#include "tools/live/request_guard.h"

namespace trezik::live {
namespace {

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
    : dashboard_(dashboard),
      options_(std::move(options)),
      loopback_(IsLoopbackAddress(options_.address)),
      watch_({ServerLimits::kConnections, ServerLimits::kConnectionsPerAddress,
              std::chrono::duration_cast<std::chrono::milliseconds>(ServerLimits::kRequestTime),
              ServerLimits::kStreams, ServerLimits::kStreamsPerAddress}) {}

Server::~Server() { Stop(); }

int Server::Listen(std::string& error) {
  const std::string where = "cannot listen on " + options_.address + " port " + std::to_string(options_.port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string host = StripBrackets(options_.address);
  const int resolved = getaddrinfo(host.c_str(), std::to_string(options_.port).c_str(), &hints, &found);
  if (resolved != 0) {
    error = where + ": " + gai_strerror(resolved);
    return -1;
  }
  int socket = -1, failure = 0;
  for (const addrinfo* at = found; at != nullptr && socket < 0; at = at->ai_next) {
    socket = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol);
    if (socket < 0) {
      failure = errno;
      continue;
    }
    // SO_REUSEADDR only: with SO_REUSEPORT a second trezik-live (or any
    // program of the same user) could bind the same port and take half the
    // connections.
    const int yes = 1, no = 0;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (at->ai_family == AF_INET6) setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
    if (::bind(socket, at->ai_addr, at->ai_addrlen) != 0 || ::listen(socket, SOMAXCONN) != 0) {
      failure = errno;
      ::close(socket);
      socket = -1;
    }
  }
  freeaddrinfo(found);
  if (socket < 0) {
    error = where + (failure != 0 ? std::string(": ") + std::strerror(failure) : std::string());
    return -1;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                           : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  return socket;
}

bool Server::Start(std::string& error) {
  if (daemon_ != nullptr) {
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
  const int socket = Listen(error);
  if (socket < 0) return false;
  guard_ = std::make_unique<RequestGuard>(options_.address, port_, loopback_, loopback_ ? "" : options_.token);
  stopping_ = false;
  watch_.Start();
  daemon_ = StartDaemon(socket);
  if (daemon_ == nullptr) {
    error = "the dashboard server could not start on " + options_.address + " port " + std::to_string(port_);
    watch_.Stop();
    ::close(socket);
    port_ = 0;
    return false;
  }
  return true;
}

void Server::Stop() {
  stopping_ = true;
  // Every connection's socket is shut down first, so that its thread ends
  // at once whatever it waited for; the event streams see `stopping_`.
  watch_.Stop();
  if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
  daemon_ = nullptr;
}

void Server::Log(const std::string& line) {
  if (options_.log == nullptr) return;
  std::lock_guard lock(log_mutex_);
  *options_.log << "trezik-live: " << line << "\n" << std::flush;
}

}  // namespace trezik::live
