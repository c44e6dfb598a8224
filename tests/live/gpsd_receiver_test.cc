// gpsd's reports as the receiver takes them, from a stand-in for gpsd on a
// loopback port.
#include "tools/live/gpsd_receiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace trezik::live {
namespace {

using Clock = std::chrono::steady_clock;

// A program posing as gpsd that floods its one client with position
// reports for `flood`, as fast as the connection takes them.
class FloodingGpsd {
 public:
  explicit FloodingGpsd(std::chrono::milliseconds flood) : listener_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listener_, 1);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, flood] {
      const int client = ::accept(listener_, nullptr, nullptr);
      const auto end = Clock::now() + flood;
      std::string burst;
      for (int i = 0; i < 100; ++i) {
        burst += R"({"class":"TPV","device":"/dev/ttyUSB0","mode":3,"lat":49.01,"lon":12.1,"speed":13.9})"
                 "\r\n";
      }
      while (Clock::now() < end) {
        const ssize_t n = ::send(client, burst.data(), burst.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) sent_ += static_cast<std::size_t>(n);
        if (n <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      ::close(client);
    });
  }
  ~FloodingGpsd() {
    thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }
  std::size_t sent() const { return sent_; }

 private:
  int listener_;
  int port_ = 0;
  std::atomic<std::size_t> sent_{0};
  std::thread thread_;
};

TEST(GpsdReceiver, AFloodOfReportsIsWorkedOnOneATickAndTheRestCounted) {
  FloodingGpsd gpsd(std::chrono::milliseconds(2500));
  GpsdReceiver receiver("127.0.0.1", std::to_string(gpsd.port()));
  receiver.Start();
  // Asked every 50 ms, as often as a plug-in busy with commands might.
  GpsState state;
  for (const auto end = Clock::now() + std::chrono::seconds(2); Clock::now() < end;) {
    state = receiver.State();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  receiver.Stop();
  ASSERT_TRUE(state.fix);
  EXPECT_EQ(state.fix->mode, FixMode::k3D);
  EXPECT_NEAR(state.fix->latitude, 49.01, 1e-9);
  // Two seconds: one report at the start and at most one a tick after.
  EXPECT_GE(state.worked, 2u);
  EXPECT_LE(state.worked, 3u);
  EXPECT_GT(state.dropped, 500u);
  EXPECT_GT(gpsd.sent(), 100'000u);
}

// A port on which nothing listens: one bound for a moment and let go.
int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

TEST(GpsdReceiver, AGpsdNeverReachedIsNamedWithItsCause) {
  const std::string port = std::to_string(ClosedPort());
  GpsdReceiver receiver("127.0.0.1", port, 10.0);
  receiver.Start();
  const std::string refused = "no gpsd at 127.0.0.1:" + port + ": connection refused";
  GpsState state;
  for (const auto end = Clock::now() + std::chrono::seconds(3); Clock::now() < end && state.unreached.empty();) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    state = receiver.State();
  }
  receiver.Stop();
  EXPECT_FALSE(state.connected);
  EXPECT_EQ(state.unreached, refused);
}

}  // namespace
}  // namespace trezik::live
