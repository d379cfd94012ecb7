// SPDX-License-Identifier: MIT
// printf-style formatting into a std::string, for the listing's and the
// status bar's fixed wordings, and text split into lines and words without
// a string stream (which would carry the whole stream and locale library
// into the web page's WebAssembly).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cyclotrim {

std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// `text` without the spaces and tabs around it.
std::string_view without_surrounding_blanks(std::string_view text);

// The lines of `text` without their line feeds; a line feed at the end ends
// the last line and starts no empty one.
std::vector<std::string> lines_of(const std::string& text);

// The words of `line`: what lies between blanks (space, tab, vertical tab,
// form feed, carriage return).
std::vector<std::string> words_of(const std::string& line);

}  // namespace cyclotrim
