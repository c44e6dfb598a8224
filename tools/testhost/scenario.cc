// Reading a scenario, and the front end's answers it sets.
#include "tools/testhost/scenario.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace trezik::testhost {

namespace {

// A coordinate text moved on by some degrees, written with "." and 7 decimals.
std::string Moved(const std::string& coordinate, double degrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7f", std::strtod(coordinate.c_str(), nullptr) + degrees);
  return text;
}

}  // namespace

bool ReadScenario(const std::string& path, std::vector<Instruction>* instructions) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) {
      instructions->push_back({line, ""});
    } else {
      instructions->push_back({line.substr(0, space), line.substr(space + 1)});
    }
  }
  return true;
}

bool ApplyAnswer(const Instruction& instruction, Answers* answers) {
  if (instruction.name == "pwpath") {
    answers->pwpath = instruction.value;
  } else if (instruction.name == "road") {
    answers->road = instruction.value;
  } else if (instruction.name == "nofix") {
    answers->has_fix = false;
  } else if (instruction.name == "fix") {
    // LAT LON SPD...: the speed is everything after the second space.
    const std::string& value = instruction.value;
    const std::size_t first = value.find(' ');
    const std::size_t second = first == std::string::npos ? first : value.find(' ', first + 1);
    answers->has_fix = true;
    answers->latitude = value.substr(0, first);
    answers->longitude = first == std::string::npos ? "" : value.substr(first + 1, second - first - 1);
    answers->speed = second == std::string::npos ? "" : value.substr(second + 1);
  } else if (instruction.name == "move") {
    char* end = nullptr;
    answers->move_latitude = std::strtod(instruction.value.c_str(), &end);
    answers->move_longitude = std::strtod(end, nullptr);
  } else {
    return false;
  }
  return true;
}

void MoveFixOn(Answers* answers) {
  if (answers->move_latitude == 0.0 && answers->move_longitude == 0.0) return;
  answers->latitude = Moved(answers->latitude, answers->move_latitude);
  answers->longitude = Moved(answers->longitude, answers->move_longitude);
}

}  // namespace trezik::testhost
