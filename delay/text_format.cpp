// SPDX-License-Identifier: MIT
#include "delay/text_format.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace cyclotrim {

std::string format_text(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

std::string_view without_surrounding_blanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end = 0; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::vector<std::string> words_of(const std::string& line) {
    constexpr const char* blanks = " \t\v\f\r";
    std::vector<std::string> words;
    size_t start = line.find_first_not_of(blanks);
    while (start != std::string::npos) {
        const size_t end = line.find_first_of(blanks, start);
        words.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(blanks, end);
    }
    return words;
}

}  // namespace cyclotrim
