// What the dashboard makes of a request, before anything reaches the
// plug-in: the body of a command, the Host, Origin and token headers, and
// the labels' JSON it sends back.
//
// The first byte picks the part; the rest is its input.
//  - body: a command taken from a body is one of the plug-in's commands, and
//    a body refused always says why;
//  - headers: an accepted Host names the listening port, an accepted Origin
//    is "http://" with an accepted Host, and the token is accepted only when
//    one header carries exactly it (after the scheme "Bearer", in any case,
//    and between blanks);
//  - labels (the input split at zero bytes into label texts): the JSON always
//    parses, holds the labels in the page's order, and every text that is
//    UTF-8 comes back exactly.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "core/convert.h"
#include "oracles.h"
#include "contract/vocabulary.h"
#include "tools/live/dashboard.h"
#include "tools/live/dashboard_json.h"
#include "tools/live/request_guard.h"

namespace trezik::fuzz {
namespace {

// Whether `text` is well-formed UTF-8 (no overlongs, surrogates or values
// past U+10FFFF), checked byte by byte.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;
    if (c < 0x80) length = 1;
    else if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c == 0xE0) length = 3, low = 0xA0;
    else if (c == 0xED) length = 3, high = 0x9F;
    else if (c >= 0xE1 && c <= 0xEF) length = 3;
    else if (c == 0xF0) length = 4, low = 0x90;
    else if (c >= 0xF1 && c <= 0xF3) length = 4;
    else if (c == 0xF4) length = 4, high = 0x8F;
    else return false;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

void Body(std::string_view body) {
  std::string error;
  if (const auto command = live::CommandFromBody(body, error)) {
    Expect(vocabulary::IsCommand(*command), "the body " + Shown(body) + " gave " + Shown(*command));
  } else {
    Expect(!error.empty(), "the body " + Shown(body) + " was refused without a reason");
  }
}

void Headers(std::string_view input) {
  const std::size_t cut = input.find('\n');
  const std::string_view host = input.substr(0, cut);
  const std::string_view origin = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  const live::RequestGuard loopback("127.0.0.1", 8787, true, "");
  if (loopback.HostAccepted(host)) {
    Expect(host.size() > 5 && host.substr(host.size() - 5) == ":8787", "the Host " + Shown(host) + " was accepted");
  }
  if (loopback.OriginAccepted(origin)) {
    Expect(ToLowerAscii(origin.substr(0, 7)) == "http://" && loopback.HostAccepted(origin.substr(7)),
           "the Origin " + Shown(origin) + " was accepted");
  }
  const std::string token = "0123456789abcdef0123456789abcdef";
  const live::RequestGuard open("0.0.0.0", 8787, false, token);
  const auto trimmed = [](std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
  };
  const std::string_view authorization = trimmed(host);
  if (open.TokenAccepted(host, origin)) {
    Expect((ToLowerAscii(authorization.substr(0, 7)) == "bearer " && trimmed(authorization.substr(7)) == token) ||
               trimmed(origin) == token,
           "the token headers " + Shown(host) + " and " + Shown(origin) + " were accepted");
  }
}

void Labels(std::string_view input) {
  live::Snapshot snapshot;
  for (const std::string& name : live::DashboardLabels()) {
    const std::size_t cut = input.find('\0');
    snapshot.labels.emplace_back(name, std::string(input.substr(0, cut)));
    input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  }
  snapshot.workrec = !input.empty() && (input[0] & 1);
  const std::string json = live::SnapshotJson(snapshot);
  const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(json, nullptr, false);
  Expect(!parsed.is_discarded(), "the labels' JSON does not parse: " + Shown(json));
  const auto& labels = parsed["labels"];
  Expect(labels.is_object() && labels.size() == snapshot.labels.size(), "labels missing from " + Shown(json));
  std::size_t i = 0;
  for (const auto& [name, value] : labels.items()) {
    const auto& [want_name, want_text] = snapshot.labels[i++];
    Expect(name == want_name && value.is_string(), "the label " + Shown(name) + " stands where " + want_name + " should");
    if (IsUtf8(want_text)) {
      Expect(value.get<std::string>() == want_text, "the label " + want_name + " " + Shown(want_text) +
                                                        " came back as " + Shown(value.get<std::string>()));
    }
  }
  Expect(parsed["indicators"]["workrec"] == snapshot.workrec, "workrec changed in " + Shown(json));
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0: trezik::fuzz::Body(input); break;
    case 1: trezik::fuzz::Headers(input); break;
    default: trezik::fuzz::Labels(input); break;
  }
  return 0;
}
