// Every text of the host protocol in one place: the window titles the
// plug-in sends to, and the request and command texts it sends.
#pragma once

namespace trezik {

// The host's main window, found by title without regard to letter case.
inline constexpr char kHostWindowTitle[] = "PathWarden";
// The host's replies go to the plug-in's hidden window, titled "trezik",
// which the state holder creates (state/form1.cc) below this layer.

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
