#include "tools/simulator/text_width.h"

#include <algorithm>

namespace trezik::drive {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// One line (without its line end) wrapped to `width` columns. Within a
// line the blanks between words stay as they were; a line break takes the
// blanks it falls on.
std::string WrapLine(const std::string& line, int width) {
  if (Columns(line) <= width) return line + "\n";
  const std::size_t first = line.find_first_not_of(' ');
  const int indent = first == std::string::npos ? 0 : static_cast<int>(first);
  const std::string continuation(static_cast<std::size_t>(std::min(indent + 2, width / 2)), ' ');
  std::string out, current = line.substr(0, static_cast<std::size_t>(indent));
  bool has_word = false;
  std::size_t at = static_cast<std::size_t>(indent);
  while (at < line.size()) {
    const std::size_t word_start = line.find_first_not_of(' ', at);
    if (word_start == std::string::npos) break;
    std::size_t word_end = line.find(' ', word_start);
    if (word_end == std::string::npos) word_end = line.size();
    const std::string gap = line.substr(at, word_start - at);
    std::string word = line.substr(word_start, word_end - word_start);
    at = word_end;
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
