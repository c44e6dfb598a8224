// The test host's "PathWarden" window: the top-level window the plug-in
// finds by its title and sends its requests to. It logs every WM_COPYDATA it
// receives, answers the requests from the scenario's answers while the
// plug-in waits in its SendMessage, and sends replies unasked. Closing it
// (--stop posts WM_CLOSE) ends the thread's message loop with WM_QUIT.
#pragma once

#include <string>
#include <vector>

#include "hostlink/protocol.h"
#include "tools/testhost/scenario.h"

namespace trezik::testhost {

inline constexpr const char* kHostTitle = kHostWindowTitle;
inline constexpr char kHostWindowClass[] = "trezik.TestHost";
// The title of the plug-in's hidden window, which replies and ticks go to.
inline constexpr const char* kPluginTitle = kPluginId;

// Creates the window, top-level and never shown; false when it cannot.
bool CreateHostWindow();
// Destroys the window unless it is gone already.
void DestroyHostWindow();

// The answers the window gives, which a played scenario changes as it goes.
Answers& HostAnswers();

// Serving beside another client: the scenario's pwpath, road, fix and nofix
// instructions are applied up to and including the first "fix", and each
// answered GPS request then applies them up to the next "fix".
void ServeAnswers(const std::vector<Instruction>& instructions);

// Sends one reply (dwData 1) to the plug-in's window and logs it.
void SendReply(const std::string& text);

// A reply whose size claims nearly 2 GiB over a short text, sent from this
// thread, or from a second one while this thread (the plug-in's) handles
// its messages until that send returns; logs the outcome.
void HugeReply(bool from_thread);

}  // namespace trezik::testhost
