// An allocation that fails inside a request's handler, on a server thread:
// the exception must not cross libmicrohttpd's C callbacks (that would end
// the program without its final save). That request's connection ends; the
// next request is answered. Allocations fail through this program's own
// operator new, on every thread but the test's, while armed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <sstream>
#include <thread>

#include "tests/live/server_test_support.h"

// The replacements below pair with each other; GCC takes free() in them for
// a mismatch with the new-expressions it inlines them into.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

std::atomic<bool> fail_other_threads{false};
std::thread::id test_thread;

}  // namespace

void* operator new(std::size_t size) {
  if (fail_other_threads.load(std::memory_order_relaxed) && std::this_thread::get_id() != test_thread) {
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace trezik::live {
namespace {

using testing::Connection;
using testing::Exchange;

TEST(ServerFault, AnAllocationThatFailsInARequestEndsThatRequestOnly) {
  test_thread = std::this_thread::get_id();
  Dashboard dashboard;
  std::ostringstream log;
  Server server(dashboard, ServerOptions{"127.0.0.1", 0, "", &log});
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  const std::string request =
      "GET /labels HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\nConnection: close\r\n\r\n";
  {
    Connection connection(server.port());
    ASSERT_TRUE(connection.connected());
    // The connection's own bookkeeping is done; only the request is left.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    fail_other_threads = true;
    connection.Send(request);
    const std::string answer = connection.Receive();
    fail_other_threads = false;
    EXPECT_EQ(answer, "") << "the request failed in its handler, and was answered";
  }
  EXPECT_EQ(Exchange(server.port(), request).status, 200);
  server.Stop();
}

}  // namespace
}  // namespace trezik::live
