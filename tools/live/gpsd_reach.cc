#include "tools/live/gpsd_reach.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace trezik::live {
namespace {

// The system's words, lower case at the start as in the rest of the line.
std::string Words(const char* text) {
  std::string words = text != nullptr ? text : "unknown error";
  if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z' && (words.size() < 2 || words[1] < 'A' || words[1] > 'Z')) {
    words[0] = static_cast<char>(words[0] - 'A' + 'a');
  }
  return words;
}

// The errno of one connection attempt to `address`, 0 when it connected,
// ETIMEDOUT when `wait` passed first.
int TryConnect(const addrinfo& address, std::chrono::milliseconds wait) {
  const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) return errno;
  int error = 0;
  if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      pollfd done{fd, POLLOUT, 0};
      const int ready = ::poll(&done, 1, static_cast<int>(wait.count()));
      if (ready <= 0) {
        error = ready == 0 ? ETIMEDOUT : errno;
      } else {
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      }
    }
  }
  ::close(fd);
  return error;
}

}  // namespace

std::string GpsdUnreached(const std::string& host, const std::string& port, std::chrono::milliseconds wait) {
  const std::string where = "no gpsd at " + host + ":" + port + ": ";
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int looked_up = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (looked_up != 0) return where + Words(looked_up == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(looked_up));
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);
  // The first address's failure names the cause, as gps_open tries it first.
  int first_error = -1;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    const int error = TryConnect(*address, wait);
    if (error == 0) return where + "it answered, but the connection could not be opened";
    if (first_error < 0) first_error = error;
  }
  return where + Words(std::strerror(first_error < 0 ? EHOSTUNREACH : first_error));
}

}  // namespace trezik::live
