// Every text of the host protocol in one place: the window titles, the
// request and command texts the plug-in sends, how a host reads them, and
// the names of the replies. The plug-in (hostlink), the Linux host (host/)
// and the Windows test host all speak it from here.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "contract/names.h"

namespace trezik {

// The host's main window, found by title without regard to letter case.
inline constexpr char kHostWindowTitle[] = "PathWarden";
// The host's replies go to the plug-in's hidden window, titled with the
// plug-in's id (kPluginId, contract/names.h), which the state holder creates
// (state/form1.cc).

// A message of requests: items separated by "||", each request
// "REQUEST;<plug-in id>;<NAME>". A reply is "<name>||<value>" (further
// fields are ignored), one WM_COPYDATA each.
inline constexpr std::string_view kRequestPrefix = "REQUEST;";
inline constexpr std::string_view kFieldSeparator = "||";

// The names the plug-in asks for, and the reply name a host answers each with.
inline constexpr char kPathName[] = "PWPATH";
inline constexpr char kLatitudeName[] = "GPSLAT";
inline constexpr char kLongitudeName[] = "GPSLON";
inline constexpr char kSpeedName[] = "GPSSPD";
inline constexpr char kRoadName[] = "CUSTOMFDROAD";
inline constexpr char kPathReply[] = "pwpath";
inline constexpr char kLatitudeReply[] = "gpslat";
inline constexpr char kLongitudeReply[] = "gpslon";
inline constexpr char kSpeedReply[] = "gpsspd";
inline constexpr char kRoadReply[] = "customfdroad";
// Replies the plug-in takes besides: the road under its older name, and the
// total since the last fill-up set by the host (in two spellings).
inline constexpr char kOldRoadReply[] = "fdroad";
inline constexpr char kTotalReply[] = "tripmeter";
inline constexpr char kTotalReplyQuoted[] = "$tripmeter$";
// Every reply name the plug-in takes, matched without regard to case.
inline constexpr std::string_view kReplyNames[] = {kPathReply,  kLatitudeReply, kLongitudeReply,
                                                   kSpeedReply, kRoadReply,     kOldRoadReply,
                                                   kTotalReply, kTotalReplyQuoted};

// The texts of the requests, put together from their parts when compiling:
// Joined<parts...>::text holds them one after the other, ended by a NUL.
namespace request_text {
template <const std::string_view&... parts>
struct Joined {
  static constexpr std::array<char, (parts.size() + ... + 1)> text = [] {
    std::array<char, (parts.size() + ... + 1)> joined{};
    std::size_t at = 0;
    for (std::string_view part : {parts...}) {
      for (char c : part) joined[at++] = c;
    }
    return joined;
  }();
};
inline constexpr std::string_view kId = kPluginId, kEnd = ";", kPath = kPathName, kLatitude = kLatitudeName,
                                  kLongitude = kLongitudeName, kSpeed = kSpeedName, kRoad = kRoadName;
}  // namespace request_text

// Start-up: the host's folder, which holds "pw.ini": "REQUEST;trezik;PWPATH".
inline constexpr const char* kPathRequest =
    request_text::Joined<kRequestPrefix, request_text::kId, request_text::kEnd, request_text::kPath>::text.data();
// One tick: latitude, longitude and speed in one message:
// "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD".
inline constexpr const char* kFixRequest =
    request_text::Joined<kRequestPrefix, request_text::kId, request_text::kEnd, request_text::kLatitude,
                         kFieldSeparator, kRequestPrefix, request_text::kId, request_text::kEnd,
                         request_text::kLongitude, kFieldSeparator, kRequestPrefix, request_text::kId,
                         request_text::kEnd, request_text::kSpeed>::text.data();
// The road or place at the fix, for the logs: "REQUEST;trezik;CUSTOMFDROAD".
inline constexpr const char* kRoadRequest =
    request_text::Joined<kRequestPrefix, request_text::kId, request_text::kEnd, request_text::kRoad>::text.data();

// After an accepted fill-up the skin's keypad screen is closed: the text
// "exit" goes to the window titled "Pathwarden" (found regardless of case).
inline constexpr char kKeypadCloseWindowTitle[] = "Pathwarden";
inline constexpr char kKeypadCloseCommand[] = "exit";

}  // namespace trezik
