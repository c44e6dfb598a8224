// Who may reach the dashboard, and who may press its buttons.
//
// Every request must name the server in its Host header as the browser was
// told to reach it: the address and port it listens on; on loopback also
// localhost, 127.0.0.1 and [::1] with the port; on a wildcard address
// (0.0.0.0, ::) any numeric address or localhost with the port. A page
// served under any other name (a foreign DNS name pointed at this machine:
// DNS rebinding) gets 403 for everything, so it can neither read nor press.
//
// A command (POST) must also
//  - carry no foreign Origin: when the header is there, it must be
//    "http://" followed by an accepted Host. Browsers send Origin with every
//    cross-origin POST and with the page's own fetch POSTs, so a missing
//    Origin means a client that is no browser (curl, a test), which the
//    Host check and, off loopback, the token already cover; "null" (a
//    sandboxed or file: page) is foreign;
//  - off loopback, carry the token: "Authorization: Bearer TOKEN" or
//    "X-Trezik-Token: TOKEN", compared in constant time (401 otherwise);
//  - be sent as "Content-Type: application/json" (415 otherwise), which no
//    HTML form can send and no cross-origin script can send without a CORS
//    preflight that this server never allows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trezik::live {

// Whether two secrets are equal, taking the same time whatever their texts
// (it depends on the length of `expected` only).
bool SameSecret(std::string_view given, std::string_view expected);

// Whether a Content-Type header names application/json (parameters such as
// "; charset=utf-8" allowed, any letter case).
bool IsJsonContentType(std::string_view content_type);

// What a token needs to be usable in a header: 12 to 256 visible ASCII
// characters, no blank.
bool IsUsableToken(std::string_view token);

class RequestGuard {
 public:
  // `address` as the server was told to listen (IPv6 with or without
  // brackets), `port` the bound one; `token` empty on loopback.
  RequestGuard(std::string address, int port, bool loopback, std::string token);

  bool HostAccepted(std::string_view host) const;
  bool OriginAccepted(std::string_view origin) const;
  // The two header values as received (empty when absent).
  bool TokenAccepted(std::string_view authorization, std::string_view token_header) const;
  bool token_required() const { return !token_.empty(); }

 private:
  std::vector<std::string> hosts_;  // lower case, "name:port"
  bool any_numeric_host_ = false;   // a wildcard listen
  int port_ = 0;
  std::string token_;
};

}  // namespace trezik::live
