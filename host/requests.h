// A host's side of the protocol (hostlink/protocol.h): the requests of a
// message the plug-in sent, and the reply texts that answer them. The Linux
// host (host.cc) and the Windows test host both answer through it.
#pragma once

#include <string>
#include <string_view>

#include "hostlink/protocol.h"

namespace trezik::host {

// One "REQUEST;<id>;<NAME>" item of a message. `well_formed` is false when
// the text after "REQUEST;" holds no ";" (no id and name to read).
struct Request {
  std::string_view plugin_id;
  std::string_view name;
  bool well_formed = true;
};

// Calls `each(const Request&)` for every item of `message` that begins with
// "REQUEST;", in order. True when there was at least one.
template <typename Each>
bool ForEachRequest(std::string_view message, Each&& each) {
  bool any = false;
  for (std::string_view rest = message;;) {
    const std::size_t bar = rest.find(kFieldSeparator);
    std::string_view item = rest.substr(0, bar);
    if (item.substr(0, kRequestPrefix.size()) == kRequestPrefix) {
      any = true;
      item.remove_prefix(kRequestPrefix.size());
      const std::size_t semicolon = item.find(';');
      if (semicolon == std::string_view::npos) {
        each(Request{{}, {}, false});
      } else {
        each(Request{item.substr(0, semicolon), item.substr(semicolon + 1), true});
      }
    }
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + kFieldSeparator.size());
  }
  return any;
}

// The reply "<reply_name>||<value>" written into `reply`, reusing its
// storage, so that a host answering every second allocates nothing.
inline void ReplyText(std::string& reply, std::string_view reply_name, std::string_view value) {
  reply.resize(reply_name.size() + kFieldSeparator.size() + value.size());
  reply.replace(0, reply_name.size(), reply_name);
  reply.replace(reply_name.size(), kFieldSeparator.size(), kFieldSeparator);
  reply.replace(reply_name.size() + kFieldSeparator.size(), value.size(), value);
}

inline std::string ReplyText(std::string_view reply_name, std::string_view value) {
  std::string reply;
  ReplyText(reply, reply_name, value);
  return reply;
}

}  // namespace trezik::host
