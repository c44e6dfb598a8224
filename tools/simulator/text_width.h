// Text laid out for a terminal of a given width, counted in columns: one per
// UTF-8 character.
#pragma once

#include <string>

namespace trezik::drive {

// Columns of a UTF-8 text: one per character.
int Columns(const std::string& text);

// The first `columns` characters, never splitting one.
std::string Cut(const std::string& text, int columns);

// `text` within `columns`: whole when it fits, else "..." and its end (the
// end of a path names the file).
std::string KeepEnd(const std::string& text, int columns);

// The text with every line longer than `width` columns wrapped at its blanks;
// the lines it continues on are indented two columns deeper than it (at most
// to half the width). A word is never split unless it alone is wider than a
// line (a long file path). Blank lines and lines that fit stay as they are.
std::string FitWidth(const std::string& text, int width);

}  // namespace trezik::drive
