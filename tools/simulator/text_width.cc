#include "tools/simulator/text_width.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace trezik::drive {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool EndsInDigit(const std::string& word) { return !word.empty() && word.back() >= '0' && word.back() <= '9'; }

// A unit after a figure ("%", "Km", "km/h", "L/100KM") stays with it.
bool IsUnitAfter(const std::string& previous, const std::string& word) {
  std::string unit = word;
  while (!unit.empty() && std::strchr(".,;:)", unit.back()) != nullptr) unit.pop_back();
  if (!EndsInDigit(previous) || unit.empty()) return false;
  const bool letter = (unit[0] >= 'A' && unit[0] <= 'Z') || (unit[0] >= 'a' && unit[0] <= 'z');
  return unit == "%" || (letter && unit.size() <= 7);
}

// One line (without its line end) wrapped to `width` columns. Within a
// line the blanks between words stay as they were; a line break takes the
// blanks it falls on. Continuation lines hang under the text after a label
// ("Trip      24.03 Km ...": under "24.03"), else two columns in.
std::string WrapLine(const std::string& line, int width) {
  if (Columns(line) <= width) return line + "\n";
  const std::size_t first = line.find_first_not_of(' ');
  const int indent = first == std::string::npos ? 0 : static_cast<int>(first);
  int hang = indent >= 8 ? indent : indent + 2;  // a block under a label stays aligned
  const std::size_t label_end = line.find("  ", static_cast<std::size_t>(indent));
  if (indent == 0 && label_end != std::string::npos && label_end < 16) {
    const std::size_t text_at = line.find_first_not_of(' ', label_end);
    if (text_at != std::string::npos) hang = static_cast<int>(text_at);
  }
  const std::string continuation(static_cast<std::size_t>(std::min(hang, width / 2)), ' ');

  // The words with the blanks before them; a unit joins its figure.
  std::vector<std::pair<std::string, std::string>> words;
  for (std::size_t at = static_cast<std::size_t>(indent); at < line.size();) {
    const std::size_t word_start = line.find_first_not_of(' ', at);
    if (word_start == std::string::npos) break;
    std::size_t word_end = line.find(' ', word_start);
    if (word_end == std::string::npos) word_end = line.size();
    std::string gap = line.substr(at, word_start - at), word = line.substr(word_start, word_end - word_start);
    at = word_end;
    if (!words.empty() && IsUnitAfter(words.back().second, word)) {
      words.back().second += gap + word;
    } else {
      words.emplace_back(std::move(gap), std::move(word));
    }
  }

  std::string out, current = line.substr(0, static_cast<std::size_t>(indent));
  bool has_word = false;
  for (auto& [gap, word] : words) {
    if (has_word && Columns(current) + Columns(gap) + Columns(word) > width) {
      out += current + "\n";
      current = continuation;
      has_word = false;
    }
    // A word wider than a whole line is split where the line ends.
    while (!has_word && Columns(current) + Columns(word) > width) {
      const std::string piece = Cut(word, std::max(1, width - Columns(current)));
      out += current + piece + "\n";
      word = word.substr(piece.size());
      current = continuation;
    }
    if (word.empty()) continue;
    current += (has_word ? gap : "") + word;
    has_word = true;
  }
  if (has_word) out += current + "\n";
  return out;
}

}  // namespace

int Columns(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

std::string Cut(const std::string& text, int columns) {
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsContinuationByte(text[i]) && seen++ == columns) return text.substr(0, i);
  }
  return text;
}

std::string KeepEnd(const std::string& text, int columns) {
  const int have = Columns(text);
  if (have <= columns) return text;
  if (columns <= 3) return Cut(text, std::max(columns, 0));
  std::size_t from = 0;
  for (int skip = have - (columns - 3); skip > 0; --skip) {
    do ++from;
    while (from < text.size() && IsContinuationByte(text[from]));
  }
  return "..." + text.substr(from);
}

std::string FitWidth(const std::string& text, int width) {
  width = std::max(width, 8);
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool ended = end != std::string::npos;
    if (!ended) end = text.size();
    std::string wrapped = WrapLine(text.substr(start, end - start), width);
    if (!ended) wrapped.pop_back();
    out += wrapped;
    start = end + 1;
  }
  return out;
}

}  // namespace trezik::drive
