// The dashboard's JSON: what GET /labels and each event carry, the body of
// POST /command and its answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/live/dashboard.h"

namespace trezik::live {

// {"labels": {"tripmeter": "24.03", ...}, "indicators": {"workrec": false},
//  "gps": "fix", "problems": [], "nofigure": ["mpg", ...], "speed": "87",
//  "clock": "14:05", "place": "Ring Road"}: the labels in the snapshot's
// order, texts as published (bytes that are no UTF-8 become U+FFFD);
// "speed" and "place" are null when there is none.
std::string SnapshotJson(const Snapshot& snapshot);

// The command of a body that is exactly {"command": "NAME"} with NAME one of
// the plug-in's commands; none, with `error` saying why, for anything else
// (no JSON, other or further members, another type, an unknown command).
std::optional<std::string> CommandFromBody(std::string_view body, std::string& error);

// {"result": 2} or {"error": "..."}.
std::string AnswerJson(const CommandAnswer& answer);
std::string ErrorJson(std::string_view error);

}  // namespace trezik::live
