// Every text of the host protocol in one place: the window titles, the
// request and command texts the plug-in sends, how a host reads them, and
// the names of the replies. The plug-in (hostlink), the Linux host (host/)
// and the Windows test host all speak it from here.
#pragma once

#include <string_view>

namespace trezik {

// The host's main window, found by title without regard to letter case.
inline constexpr char kHostWindowTitle[] = "PathWarden";
// The host's replies go to the plug-in's hidden window, titled with the
// plug-in's id, which the state holder creates (state/form1.cc) below this
// layer under the same title.
inline constexpr char kPluginId[] = "trezik";

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

// Start-up: the host's folder, which holds "pw.ini".
inline constexpr char kPathRequest[] = "REQUEST;trezik;PWPATH";
// One tick: latitude, longitude and speed in one message.
inline constexpr char kFixRequest[] =
    "REQUEST;trezik;GPSLAT||REQUEST;trezik;GPSLON||REQUEST;trezik;GPSSPD";
// The road or place at the fix, for the logs.
inline constexpr char kRoadRequest[] = "REQUEST;trezik;CUSTOMFDROAD";

// After an accepted fill-up the skin's keypad screen is closed: the text
// "exit" goes to the window titled "Pathwarden" (found regardless of case).
inline constexpr char kKeypadCloseWindowTitle[] = "Pathwarden";
inline constexpr char kKeypadCloseCommand[] = "exit";

}  // namespace trezik
