// The dashboard's page: one document with its style and script inline, for
// a car's touchscreen (800x480) and a phone (360 px wide and up). It loads
// nothing else, so it works without a network beyond trezik-live itself.
#pragma once

#include <string>
#include <string_view>

namespace trezik::live {

// The page, its inline style and script marked with `nonce` for its
// Content-Security-Policy ("script-src 'nonce-...'").
std::string DashboardPage(std::string_view nonce);

// The pieces DashboardPage puts together.
extern const char* const kPageStyle;
extern const char* const kPageScript;

}  // namespace trezik::live
