// The watch over the dashboard's connections, on socket pairs: whether a
// connection was shut is seen from its other end (the end of the stream).
#include "tools/live/connection_watch.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace trezik::live {
namespace {

using std::chrono::milliseconds;

struct Pair {
  Pair() { ::socketpair(AF_UNIX, SOCK_STREAM, 0, ends); }
  ~Pair() {
    ::close(ends[0]);
    ::close(ends[1]);
  }
  // Whether the server's end was shut: the client's end reads the end.
  bool Shut(milliseconds within = milliseconds(0)) const {
    pollfd client{ends[1], POLLIN, 0};
    char byte;
    return ::poll(&client, 1, static_cast<int>(within.count())) == 1 && ::recv(ends[1], &byte, 1, MSG_DONTWAIT) == 0;
  }
  int ends[2];
};

TEST(ConnectionWatch, ARequestNotInByItsTimeIsShutAndOneBeingAnsweredIsNot) {
  // Times a second apart, so that a loaded machine's late wake-ups (a
  // few hundred ms) cannot run one into the next.
  ConnectionWatch watch({10, 10, milliseconds(1500)});
  watch.Start();
  Pair slow, answered, again;
  watch.Opened(slow.ends[0], "a");
  ConnectionWatch::Entry* busy = watch.Opened(answered.ends[0], "a");
  ConnectionWatch::Entry* next = watch.Opened(again.ends[0], "a");
  watch.Answering(busy);
  watch.Answering(next);
  EXPECT_FALSE(slow.Shut(milliseconds(500)));
  watch.Answered(next);  // its next request has 1500 ms from now
  EXPECT_TRUE(slow.Shut(milliseconds(3000)));
  EXPECT_FALSE(again.Shut());
  EXPECT_TRUE(again.Shut(milliseconds(3000)));
  EXPECT_FALSE(answered.Shut(milliseconds(100)));
  watch.Stop();  // shuts every connection
  EXPECT_TRUE(answered.Shut());
}

TEST(ConnectionWatch, ANewConnectionTakesTheRoomOfTheOneWaitingLongest) {
  ConnectionWatch watch({3, 2, std::chrono::seconds(60)});
  std::vector<Pair> pairs(5);
  // Two from "a", then one from "b": "a" is at its limit; a third from "a"
  // takes the older "a".
  watch.Opened(pairs[0].ends[0], "a");
  watch.Opened(pairs[1].ends[0], "a");
  watch.Opened(pairs[2].ends[0], "b");
  watch.MakeRoom("a");
  watch.Opened(pairs[3].ends[0], "a");
  EXPECT_TRUE(pairs[0].Shut());
  EXPECT_FALSE(pairs[1].Shut());
  // In all three wait (1, 2, 3): one from "c" takes the oldest of them all,
  // unless it is being answered.
  watch.Answering(watch.Opened(pairs[4].ends[0], "c"));
  watch.MakeRoom("c");
  EXPECT_TRUE(pairs[1].Shut());
  EXPECT_FALSE(pairs[2].Shut());
  EXPECT_FALSE(pairs[4].Shut());
  EXPECT_EQ(watch.waiting(), 2);
}

}  // namespace
}  // namespace trezik::live
