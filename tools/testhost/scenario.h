// The test host's scenario: what it plays, and how the front end answers the
// plug-in's requests.
//
// Scenario: one instruction a line; blank lines and lines starting with #
// are ignored; an instruction's value is the rest of the line after the
// first space, taken exactly.
//   pwpath V | road V | fix LAT LON SPD... | nofix     how requests are answered
//   move DLAT DLON                                   from then on each answered GPS
//                                                    request moves the fix on by that
//                                                    (with pump: a drive in real time)
//   create | release | free                          the object (free: CoFreeUnusedLibraries)
//   create another                                   one more object, the earlier ones kept
//                                                    alive; calls go to the newest
//   tick | pump MS                                   Timer1: one tick sent, or real pumping
//   command T | label N | indicator N                method calls, results printed
//   reply TEXT                                       one reply (dwData 1) sent unasked
//   hugereply | hugereply thread                     a reply claiming 0x7FFFFFF0 bytes over
//                                                    a 9-byte buffer, sent from this thread
//                                                    or from a second one
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trezik::testhost {

struct Instruction {
  std::string name;
  std::string value;
};

// Reads the scenario file into its instructions, in order (a CR before the
// line end is dropped); false when the file cannot be opened.
bool ReadScenario(const std::string& path, std::vector<Instruction>* instructions);

// How the front end answers the plug-in's requests.
struct Answers {
  std::optional<std::string> pwpath;
  std::optional<std::string> road;
  bool has_fix = false;
  std::string latitude, longitude, speed;
  // Degrees the fix moves on after each answered GPS request; "move 0 0" stops.
  double move_latitude = 0.0, move_longitude = 0.0;
};

// Applies an answer instruction (pwpath, road, fix, nofix, move); false for
// any other instruction.
bool ApplyAnswer(const Instruction& instruction, Answers* answers);

// After an answered GPS request: the fix moved on by the "move" degrees,
// each coordinate written with "." and 7 decimals; unchanged while both are 0.
void MoveFixOn(Answers* answers);

}  // namespace trezik::testhost
