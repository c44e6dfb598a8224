// The tools' shared command-line style: a mistake on the command line is a
// UsageError, said in one line the way every tool says it ("unknown option
// --x", "--out needs a value", "--a and --b: give one of the two"). A tool
// words its own cases (its operands, what is required) before it asks
// DescribeUsageError for one that CLI11 found.
#pragma once

#include <CLI/CLI.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace trezik::tools {

// A usage mistake, in one line for the user; the tool adds "; see --help".
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

inline std::string DescribeUsageError(const CLI::ParseError& error, const CLI::App& app) {
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::vector<std::string> extra = app.remaining();
    if (!extra.empty() && extra[0].size() > 1 && extra[0][0] == '-') return "unknown option " + extra[0];
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    const std::string what = error.what();
    const std::string name = what.substr(0, what.find(':'));
    return name + (what.find("missing") != std::string::npos ? " needs a value" : " is given more than once");
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    return std::string(error.what()) + ": give one of the two";
  }
  return error.what();
}

}  // namespace trezik::tools
