// What the page reads: the labels, the event stream, the page itself.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>

#include "contract/vocabulary.h"
#include "tests/live/server_test_support.h"

namespace trezik::live {
namespace {

using testing::Connection;
using testing::Exchange;
using testing::RawAnswer;

class ServedDashboard : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server_.Start(error)) << error;
  }
  RawAnswer Get(const std::string& path) {
    return Exchange(server_.port(), "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_.port()) +
                                        "\r\nConnection: close\r\n\r\n");
  }
  Dashboard dashboard_;
  Server server_{dashboard_, ServerOptions{"127.0.0.1", 0, ""}};
};

// A header's value in a head written in lower case.
std::string HeaderValue(const std::string& head, const std::string& name) {
  const auto at = head.find("\r\n" + name + ": ");
  if (at == std::string::npos) return "";
  const auto start = at + name.size() + 4;
  return head.substr(start, head.find("\r\n", start) - start);
}

Snapshot Published(std::string trip) {
  Snapshot snapshot;
  snapshot.labels = {{"tripmeter", std::move(trip)}, {"speedunits", "Km/h"}, {"trezik_distunit", "Km"},
                     {"fuelunits", "35,2"}, {"avspeed", ""}, {"trezik_costperdist", "say \"0.12\" \xe2\x82\xac"}};
  snapshot.workrec = true;
  snapshot.gps = GpsStatus::kNoFix;
  snapshot.problems = {"The meters could not be saved"};
  snapshot.no_figure = {"trezik_costperdist"};
  snapshot.speed = "87";
  snapshot.clock = "07:05";
  return snapshot;
}

TEST_F(ServedDashboard, LabelsAreTheTextsAsPublishedInTheirOrder) {
  const RawAnswer before = Get("/labels");
  EXPECT_EQ(before.body, R"({"labels":{},"indicators":{"workrec":false},"gps":"no gps","problems":[],)"
                         R"("nofigure":[],"speed":null,"clock":"","place":null})");

  dashboard_.Publish(Published("24.03"));
  const RawAnswer after = Get("/labels");
  EXPECT_EQ(after.status, 200);
  EXPECT_NE(after.head.find("content-type: application/json\r\n"), std::string::npos) << after.head;
  const auto expected = nlohmann::ordered_json::parse(R"({
    "labels": {"tripmeter": "24.03", "speedunits": "Km/h", "trezik_distunit": "Km", "fuelunits": "35,2",
               "avspeed": "", "trezik_costperdist": "say \"0.12\" \u20ac"},
    "indicators": {"workrec": true},
    "gps": "no fix",
    "problems": ["The meters could not be saved"],
    "nofigure": ["trezik_costperdist"],
    "speed": "87",
    "clock": "07:05",
    "place": null})");
  EXPECT_EQ(nlohmann::ordered_json::parse(after.body), expected);
}

// The data of each complete event in `stream`.
std::vector<std::string> Events(const std::string& stream) {
  std::vector<std::string> events;
  static const std::regex event("\ndata: ([^\n]*)\n\n");
  for (auto it = std::sregex_iterator(stream.begin(), stream.end(), event); it != std::sregex_iterator(); ++it) {
    events.push_back((*it)[1]);
  }
  return events;
}

TEST_F(ServedDashboard, EventsCarryEachPublicationAndEndWhenTheServerStops) {
  dashboard_.Publish(Published("1.5"));
  Connection stream(server_.port());
  ASSERT_TRUE(stream.connected());
  stream.Send("GET /events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n\r\n");
  std::string received;
  ASSERT_TRUE(stream.ReceiveUntil("1.5", received)) << received;
  EXPECT_NE(received.find("Content-Type: text/event-stream"), std::string::npos) << received;

  dashboard_.Publish(Published("1.62"));
  ASSERT_TRUE(stream.ReceiveUntil("1.62", received)) << received;
  const std::vector<std::string> events = Events(received);
  ASSERT_EQ(events.size(), 2u) << received;
  EXPECT_EQ(nlohmann::json::parse(events[0])["labels"]["tripmeter"], "1.5");
  EXPECT_EQ(nlohmann::json::parse(events[1])["labels"]["tripmeter"], "1.62");
  EXPECT_EQ(nlohmann::json::parse(events[1])["gps"], "no fix");

  const auto start = std::chrono::steady_clock::now();
  server_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  std::string rest;
  EXPECT_FALSE(stream.ReceiveUntil("never sent", rest));  // the stream has ended
}

// Four streams held from one address leave it two, its newest; another
// address still gets one.
TEST_F(ServedDashboard, AnAddressKeepsTwoStreamsItsNewestAndNoneKeepsAnotherOut) {
  const std::string request = "GET /events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n\r\n";
  const auto open = [&](const char* from) {
    auto stream = std::make_unique<Connection>(server_.port(), from, 2);
    stream->Send(request);
    std::string received;
    EXPECT_TRUE(stream->ReceiveUntil("data: ", received)) << from << received;
    return stream;
  };
  std::vector<std::unique_ptr<Connection>> held;
  for (int i = 0; i < 4; ++i) held.push_back(open("127.0.0.2"));
  const auto other = open("127.0.0.3");
  for (int i = 0; i < 2; ++i) {
    // The two oldest end at once (a read that times out takes 2 s).
    const auto start = std::chrono::steady_clock::now();
    std::string rest;
    EXPECT_FALSE(held[i]->ReceiveUntil("never sent", rest));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << i;
  }
  dashboard_.Publish(Published("2.25"));
  for (int i = 2; i < 4; ++i) {
    std::string received;
    EXPECT_TRUE(held[i]->ReceiveUntil("2.25", received)) << i;
  }
  std::string received;
  EXPECT_TRUE(other->ReceiveUntil("2.25", received));
  EXPECT_EQ(Get("/labels").status, 200);
}

// The keypad's keys are checked at work in the browser test; here, that
// they are the plug-in's.
TEST_F(ServedDashboard, PageShowsEveryLabelAndSendsOnlyPluginCommands) {
  const RawAnswer first = Get("/");
  const RawAnswer second = Get("/");
  EXPECT_EQ(first.status, 200);
  EXPECT_NE(first.head.find("content-type: text/html; charset=utf-8\r\n"), std::string::npos) << first.head;
  const std::string& page = first.body;

  // The page's inline script and style run under a nonce that is new each
  // time; nothing may come from elsewhere.
  const std::string policy = HeaderValue(first.head, "content-security-policy");
  std::smatch nonce;
  ASSERT_TRUE(std::regex_search(policy, nonce, std::regex("script-src 'nonce-([0-9a-f]{32})'"))) << policy;
  EXPECT_NE(page.find("<script nonce=\"" + nonce[1].str() + "\">"), std::string::npos);
  EXPECT_NE(page.find("<style nonce=\"" + nonce[1].str() + "\">"), std::string::npos);
  EXPECT_NE(policy, HeaderValue(second.head, "content-security-policy"));
  EXPECT_NE(policy.find("default-src 'none'"), std::string::npos);
  EXPECT_EQ(policy.find("http"), std::string::npos);
  EXPECT_EQ(std::regex_search(page, std::regex("(src|href)=\"[a-z]*:?//")), false);

  std::set<std::string> shown;
  static const std::regex label("data-label=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), label); it != std::sregex_iterator(); ++it) {
    shown.insert((*it)[1]);
  }
  EXPECT_EQ(shown, std::set<std::string>(DashboardLabels().begin(), DashboardLabels().end()));
  // Every button sends one of the plug-in's commands; the keypad's marks
  // are keys.
  std::set<std::string> keys;
  static const std::regex command("data-command=\"([^\"]+)\"");
  int commands = 0;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), command); it != std::sregex_iterator(); ++it) {
    if (vocabulary::FindKeypadKey((*it)[1].str())) {
      keys.insert((*it)[1]);
      continue;
    }
    EXPECT_TRUE(vocabulary::FindCommand((*it)[1].str())) << (*it)[1];
    ++commands;
  }
  EXPECT_EQ(commands, 6);
  // The keypad sends each of the plug-in's keys: a key's quantity and price
  // commands, the marks and the script's accept.
  static const std::regex key("data-(quantity|price)=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), key); it != std::sregex_iterator(); ++it) {
    const auto found = vocabulary::FindKeypadKey((*it)[2].str());
    ASSERT_TRUE(found) << (*it)[2];
    const bool price = found->key == vocabulary::KeypadKey::kPrice || found->key == vocabulary::KeypadKey::kPriceClear;
    EXPECT_EQ(price, (*it)[1] == "price") << (*it)[2];
    keys.insert((*it)[2]);
  }
  std::smatch names;
  ASSERT_TRUE(std::regex_search(page, names, std::regex("const VOCABULARY = (\\{[^\n]*\\});")));
  const nlohmann::json script_names = nlohmann::json::parse(names[1].str());
  keys.insert(script_names.at("accept").get<std::string>());
  std::set<std::string> plugin_keys;
  for (const std::string& name : vocabulary::AllCommands()) {
    if (vocabulary::FindKeypadKey(name)) plugin_keys.insert(name);
  }
  EXPECT_EQ(keys, plugin_keys);
  EXPECT_EQ(script_names.at("workIndicator").get<std::string>(), vocabulary::kWorkIndicator);
  EXPECT_TRUE(vocabulary::FindCommand(script_names.at("logWork").get<std::string>()));
}

}  // namespace
}  // namespace trezik::live
