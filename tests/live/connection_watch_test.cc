// The watch over the dashboard's connections, on socket pairs: whether a
// connection was shut is seen from its other end (the end of the stream).
#include "tools/live/connection_watch.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
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

TEST(ConnectionWatch, ARequestNotInOrAnAnswerNotTakenByItsTimeIsShutAndAStreamIsNot) {
  // Times a second apart, so that a loaded machine's late wake-ups (a
  // few hundred ms) cannot run one into the next.
  ConnectionWatch watch({10, 10, milliseconds(1500)});
  watch.Start();
  Pair slow, unread, stream, again;
  watch.Opened(slow.ends[0], "a");
  ConnectionWatch::Entry* answering = watch.Opened(unread.ends[0], "a");
  ConnectionWatch::Entry* streaming = watch.Opened(stream.ends[0], "a");
  ConnectionWatch::Entry* next = watch.Opened(again.ends[0], "a");
  watch.Answering(answering, milliseconds(1500));
  ASSERT_TRUE(watch.Streaming(streaming));
  watch.Answering(next, milliseconds(1500));
  EXPECT_FALSE(slow.Shut(milliseconds(500)));
  watch.Answered(next);  // its next request has 1500 ms from now
  EXPECT_TRUE(slow.Shut(milliseconds(3000)));
  EXPECT_TRUE(unread.Shut(milliseconds(1000)));  // never read: no protection in being answered
  EXPECT_FALSE(again.Shut());
  EXPECT_TRUE(again.Shut(milliseconds(3000)));
  EXPECT_FALSE(stream.Shut(milliseconds(100)));
  watch.Stop();  // shuts every connection
  EXPECT_TRUE(stream.Shut());
}

TEST(ConnectionWatch, ANewConnectionTakesTheRoomOfTheOneLongestInItsStateUnlessPreferred) {
  ConnectionWatch watch({4, 2, std::chrono::seconds(60)});
  std::vector<Pair> pairs(6);
  std::vector<ConnectionWatch::Entry*> entries;
  // "a" at its cap of two: a third from "a" takes the older "a", though it
  // is being answered.
  entries.push_back(watch.Opened(pairs[0].ends[0], "a"));
  watch.Answering(entries[0], std::chrono::seconds(60));
  std::this_thread::sleep_for(milliseconds(2));
  entries.push_back(watch.Opened(pairs[1].ends[0], "a"));
  entries.push_back(watch.Opened(pairs[2].ends[0], "b"));
  watch.MakeRoom("a");
  EXPECT_TRUE(pairs[0].Shut());
  EXPECT_FALSE(pairs[1].Shut());
  entries.push_back(watch.Opened(pairs[3].ends[0], "a"));
  // Four open in all (1, 2, 3): one from "c" takes the one longest in its
  // state, unless it carried the token or the page's session.
  watch.Prefer(entries[1]);
  std::this_thread::sleep_for(milliseconds(2));
  watch.Opened(pairs[4].ends[0], "b");
  watch.MakeRoom("c");
  EXPECT_FALSE(pairs[1].Shut());
  EXPECT_TRUE(pairs[2].Shut());
  EXPECT_EQ(watch.open(), 3);
  // IPv6's loopback and IPv4 in IPv6 count as their IPv4 address.
  EXPECT_EQ(CountedAddress("::1"), "127.0.0.1");
  EXPECT_EQ(CountedAddress("::ffff:192.168.4.7"), "192.168.4.7");
  EXPECT_EQ(CountedAddress("fe80::1"), "fe80::1");
}

TEST(ConnectionWatch, TheOldestStreamOfAnAddressGivesWayToItsNewest) {
  ConnectionWatch watch({4, 20, std::chrono::seconds(60), 3, 2});
  std::vector<Pair> pairs(5);
  std::vector<ConnectionWatch::Entry*> streams;
  for (int i = 0; i < 5; ++i) streams.push_back(watch.Opened(pairs[i].ends[0], i < 3 ? "a" : "b"));
  EXPECT_TRUE(watch.Streaming(streams[0]));
  std::this_thread::sleep_for(milliseconds(2));
  EXPECT_TRUE(watch.Streaming(streams[1]));
  EXPECT_TRUE(watch.Streaming(streams[2]));  // "a"'s third: its first goes
  EXPECT_TRUE(pairs[0].Shut());
  EXPECT_TRUE(watch.IsShut(streams[0]));
  EXPECT_FALSE(pairs[1].Shut());
  EXPECT_TRUE(watch.Streaming(streams[3]));
  EXPECT_FALSE(watch.Streaming(streams[4]));  // three in all
  // Streams are never taken for room: of the four open, the one refused.
  watch.MakeRoom("c");
  EXPECT_FALSE(pairs[3].Shut());
  EXPECT_TRUE(pairs[4].Shut());
}

}  // namespace
}  // namespace trezik::live
