#include "tools/live/request_guard.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>

#include "core/convert.h"

namespace trezik::live {
namespace {

bool IsIpv4Literal(const std::string& name) {
  in_addr parsed{};
  return inet_pton(AF_INET, name.c_str(), &parsed) == 1;
}

// "[::1]" for "::1" or "[::1]"; other names unchanged.
std::string HostName(std::string address) {
  address = ToLowerAscii(address);
  if (address.find(':') != std::string::npos && address.front() != '[') return "[" + address + "]";
  return address;
}

bool IsWildcard(const std::string& address) {
  return address.empty() || address == "0.0.0.0" || address == "::" || address == "[::]";
}

// Splits "name:port", "[v6]:port" or a bare name (port 80, as browsers omit
// it); none for anything else.
std::optional<std::pair<std::string, int>> SplitHost(std::string_view host) {
  std::string_view name = host;
  std::string_view port_text;
  bool has_port = false;
  if (!host.empty() && host.front() == '[') {
    const auto close = host.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    name = host.substr(0, close + 1);
    const std::string_view rest = host.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port_text = rest.substr(1);
      has_port = true;
    }
  } else {
    const auto colon = host.find(':');
    if (colon != std::string_view::npos) {
      name = host.substr(0, colon);
      port_text = host.substr(colon + 1);
      has_port = true;
    }
  }
  if (name.empty()) return std::nullopt;
  int port = 80;
  if (has_port) {
    if (port_text.empty() || port_text.size() > 5) return std::nullopt;
    const auto [end, error] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
    if (error != std::errc() || end != port_text.data() + port_text.size()) return std::nullopt;
  }
  return std::make_pair(ToLowerAscii(name), port);
}

bool IsNumericName(const std::string& name) {
  if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
    const std::string inner = name.substr(1, name.size() - 2);
    in6_addr parsed{};
    return inet_pton(AF_INET6, inner.c_str(), &parsed) == 1;
  }
  return IsIpv4Literal(name);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool SameSecret(std::string_view given, std::string_view expected) {
  // Every byte of `expected` is looked at once whatever `given` holds, and
  // no comparison ends early.
  unsigned difference = given.size() == expected.size() ? 0u : 1u;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const unsigned char got = i < given.size() ? static_cast<unsigned char>(given[i]) : 0u;
    difference |= got ^ static_cast<unsigned char>(expected[i]);
  }
  return difference == 0 && !expected.empty();
}

bool IsJsonContentType(std::string_view content_type) {
  const auto semicolon = content_type.find(';');
  const std::string_view media = TrimBlanks(content_type.substr(0, semicolon));
  return ToLowerAscii(media) == "application/json";
}

bool IsUsableToken(std::string_view token) {
  if (token.size() < 12 || token.size() > 256) return false;
  return std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

RequestGuard::RequestGuard(std::string address, int port, bool loopback, std::string token)
    : port_(port), token_(std::move(token)) {
  if (loopback || IsWildcard(address)) hosts_ = {"localhost", "127.0.0.1", "[::1]"};
  if (IsWildcard(address)) {
    any_numeric_host_ = true;
  } else {
    hosts_.push_back(HostName(std::move(address)));
  }
}

bool RequestGuard::HostAccepted(std::string_view host) const {
  const auto split = SplitHost(host);
  if (!split || split->second != port_) return false;
  const std::string& name = split->first;
  if (std::find(hosts_.begin(), hosts_.end(), name) != hosts_.end()) return true;
  return any_numeric_host_ && IsNumericName(name);
}

bool RequestGuard::OriginAccepted(std::string_view origin) const {
  constexpr std::string_view kScheme = "http://";
  if (origin.size() <= kScheme.size() || ToLowerAscii(origin.substr(0, kScheme.size())) != kScheme) return false;
  const std::string_view host = origin.substr(kScheme.size());
  if (host.find('/') != std::string_view::npos) return false;
  return HostAccepted(host);
}

bool RequestGuard::TokenAccepted(std::string_view authorization, std::string_view token_header) const {
  if (token_.empty()) return true;
  bool accepted = false;
  constexpr std::string_view kBearer = "bearer ";
  authorization = TrimBlanks(authorization);
  if (authorization.size() > kBearer.size() && ToLowerAscii(authorization.substr(0, kBearer.size())) == kBearer) {
    accepted |= SameSecret(TrimBlanks(authorization.substr(kBearer.size())), token_);
  }
  accepted |= SameSecret(TrimBlanks(token_header), token_);
  return accepted;
}

}  // namespace trezik::live
