// The text fields of the report's CSV files, and reading a row of them back.
//
// A spreadsheet runs a cell that starts with =, +, - or @ as a formula (and
// some strip a leading tab or CR first), so a place name from the host such
// as "=HYPERLINK(...)" or "-Ring road" would be run, not shown. Such a text is
// written with a single quote in front of it, inside the double quotes:
// "'=HYPERLINK(...)". The quote is shown by the spreadsheet, so the cell says
// that it was guarded rather than looking like the plain text. A text that
// starts with the quote itself gets one more, so that reading drops exactly
// one and every text comes back as it was. A text that is a plain decimal
// number ("-33.8688", a latitude south of the equator) is no formula and is
// written as it is, so that the spreadsheet still reads it as a number.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trezik::report {

// The field for `text`: in double quotes, a quote inside doubled, guarded as
// above.
std::string CsvText(std::string_view text);

// The fields of one row of the report's CSV files (without its line end):
// quotes removed, doubled quotes made single and the guard dropped, so that
// a text field holds what CsvText was given. Nothing, with the reason in
// `why`, for a row that does not split.
std::optional<std::vector<std::string>> ReadCsvRow(std::string_view row, std::string& why);

}  // namespace trezik::report
