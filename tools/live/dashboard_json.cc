#include "tools/live/dashboard_json.h"

#include <nlohmann/json.hpp>

#include "contract/vocabulary.h"

namespace trezik::live {
namespace {

std::string Dump(const nlohmann::ordered_json& json) {
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string SnapshotJson(const Snapshot& snapshot) {
  nlohmann::ordered_json labels = nlohmann::ordered_json::object();
  for (const auto& [name, text] : snapshot.labels) labels[name] = text;
  nlohmann::ordered_json json;
  json["labels"] = std::move(labels);
  json["indicators"] = {{std::string(vocabulary::kWorkIndicator), snapshot.workrec}};
  json["gps"] = GpsStatusText(snapshot.gps);
  json["problems"] = snapshot.problems;
  json["nofigure"] = snapshot.no_figure;
  json["speed"] = snapshot.speed ? nlohmann::ordered_json(*snapshot.speed) : nlohmann::ordered_json();
  json["clock"] = snapshot.clock;
  json["place"] = snapshot.place ? nlohmann::ordered_json(*snapshot.place) : nlohmann::ordered_json();
  return Dump(json);
}

std::optional<std::string> CommandFromBody(std::string_view body, std::string& error) {
  // Keys are counted as read: a second "command" would otherwise silently
  // replace the first.
  int keys = 0;
  const auto count_keys = [&keys](int, nlohmann::json::parse_event_t event, nlohmann::json&) {
    if (event == nlohmann::json::parse_event_t::key) ++keys;
    return true;
  };
  const nlohmann::json json = nlohmann::json::parse(body.begin(), body.end(), count_keys, false);
  if (json.is_discarded()) {
    error = "the body is no JSON";
    return std::nullopt;
  }
  if (!json.is_object() || keys != 1 || !json.contains("command")) {
    error = "the body must be {\"command\": NAME} and nothing else";
    return std::nullopt;
  }
  const nlohmann::json& command = json["command"];
  if (!command.is_string()) {
    error = "the command must be a text";
    return std::nullopt;
  }
  std::string name = command.get<std::string>();
  if (!vocabulary::IsCommand(name)) {
    error = "no such command";
    return std::nullopt;
  }
  return name;
}

std::string AnswerJson(const CommandAnswer& answer) {
  nlohmann::ordered_json json;
  if (answer.result) {
    json["result"] = *answer.result;
  } else {
    json["error"] = answer.error.empty() ? std::string("the command failed") : answer.error;
  }
  return Dump(json);
}

std::string ErrorJson(std::string_view error) {
  nlohmann::ordered_json json;
  json["error"] = std::string(error);
  return Dump(json);
}

}  // namespace trezik::live
