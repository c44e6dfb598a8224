// One record of "tripmeter.log" or "fuel.log", built whole in memory so that
// it is appended in one write: fields separated by commas, texts in double
// quotes, numbers with "." whatever the user's decimal mark, CR LF at the end.
// The records' own writers (contract/log_record.h) build theirs with it.
#pragma once

#include <string>
#include <string_view>

namespace trezik {

class LogLine {
 public:
  // A text field. A double quote inside it is written doubled, and every
  // control byte (below 0x20, and 0x7F) becomes a blank, so the record stays
  // one line of text that a spreadsheet and the report read.
  LogLine& Text(std::string_view text);
  // A number in plain decimal form with ".".
  LogLine& Number(double value);
  // A number field left empty: the record has no value for it.
  LogLine& Empty();
  // The record with its CR LF.
  std::string Finish() const { return line_ + "\r\n"; }

 private:
  void Separate();
  std::string line_;
  int fields_ = 0;
};

// A record's date as 2026-12-07, and its time of day as 14:03:25 (the
// seconds since midnight, their fraction dropped).
std::string RecordDate(int year, int month, int day);
std::string RecordTime(double seconds_since_midnight);

}  // namespace trezik
