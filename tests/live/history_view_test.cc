// The History view at /history: asked for as a command is (Host, Origin,
// token), and built again when a log changed.
#include "tools/live/history_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/live/server_test_support.h"
#include "tools/common/atomic_file.h"

namespace trezik::live {
namespace {

using testing::Exchange;

std::string Get(const std::string& host, const std::vector<std::string>& headers) {
  std::string request = "GET /history HTTP/1.1\r\nConnection: close\r\nHost: " + host + "\r\n";
  for (const std::string& header : headers) request += header + "\r\n";
  return request + "\r\n";
}

void Append(const std::string& path, const std::string& line) { std::ofstream(path, std::ios::app) << line << "\r\n"; }

TEST(HistoryView, IsServedWithTheChecksOfACommandAndFollowsTheLogs) {
  const std::string folder = tools::MakeTemporaryFolder("trezik-history-test-");
  Append(folder + "/fuel.log", R"("2026-12-08","07:01:38",35.2,1236.12,"3.17",1.859,0.06,"49.0240067","12.0646933","")");
  Append(folder + "/tripmeter.log", R"("2026-12-08","07:01:38",12.5,0,0,"49.0240067","12.0646933","Home")");
  HistoryView history(folder);
  Dashboard dashboard;
  const std::string token = "k3y-0f-th3-d4shb0ard";
  Server server(dashboard, ServerOptions{"0.0.0.0", 0, token, nullptr, &history});
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  const std::string bearer = "Authorization: Bearer " + token;
  struct Case {
    const char* what;
    std::string host;
    std::vector<std::string> headers;
    int status;
  } cases[] = {
      {"no token", host, {}, 401},
      {"a wrong token", host, {"X-Trezik-Token: " + token + "x"}, 401},
      {"another origin", host, {bearer, "Origin: http://evil.example"}, 403},
      {"a rebound name", "evil.example", {bearer}, 403},
      {"the page's", host, {bearer, "Origin: http://" + host}, 200},
  };
  for (const Case& c : cases) {
    const testing::RawAnswer answer = Exchange(server.port(), Get(c.host, c.headers));
    EXPECT_EQ(answer.status, c.status) << c.what << ": " << answer.body;
    if (c.status != 200) continue;
    EXPECT_NE(answer.head.find("content-security-policy: default-src 'none'; style-src 'unsafe-inline'"),
              std::string::npos);
    EXPECT_NE(answer.body.find("35.2"), std::string::npos);
    EXPECT_NE(answer.body.find("Home"), std::string::npos);
  }
  // A fill-up logged since is on the next page.
  Append(folder + "/fuel.log", R"("2026-12-09","08:00:00",41.7,1700,"3.05",1.799,0.06,"49.0240067","12.0646933","")");
  EXPECT_NE(history.Page().html.find("41.7"), std::string::npos);
  server.Stop();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace trezik::live
