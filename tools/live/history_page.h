// The History view's part of the dashboard's page: a button in the status
// line, a panel over the whole page with the report in it, its style and
// its script. The report is fetched from /history as a command is sent
// (with the token), and shown in a shadow root of its own, its style put
// there through the style sheet API, so that the page's policy (no inline
// style without the nonce) holds and neither page's style reaches the other.
#pragma once

namespace trezik::live {

extern const char* const kHistoryButton;
extern const char* const kHistoryPanel;
extern const char* const kHistoryStyle;
extern const char* const kHistoryScript;

}  // namespace trezik::live
