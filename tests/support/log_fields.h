// Reading log records back in tests.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace trezik::testing {

// The comma-separated fields of one record, quotes kept.
inline std::vector<std::string> Fields(const std::string& record) {
  std::vector<std::string> fields;
  std::stringstream stream(record);
  for (std::string field; std::getline(stream, field, ',');) fields.push_back(field);
  return fields;
}

// An independent rounding to two decimals, for expected figures.
inline double Round2(double value) { return std::nearbyint(value * 100.0) / 100.0; }

}  // namespace trezik::testing
