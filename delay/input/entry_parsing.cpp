// SPDX-License-Identifier: MIT
#include "delay/input/entry_parsing.hpp"

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

size_t skip_blanks(std::string_view text, size_t pos) {
    while (pos < text.size() && is_blank(text[pos])) {
        ++pos;
    }
    return pos;
}

// parse_cycle_text with any limit up to max_compact_cycle_count.
CycleText read_cycle_number(std::string_view text, int64_t limit) {
    size_t pos = skip_blanks(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !is_digit(text[pos])) {
        return {CycleTextProblem::no_number, 0};
    }
    int64_t magnitude = 0;
    for (; pos < text.size() && is_digit(text[pos]); ++pos) {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > limit + 1) {
            magnitude = limit + 1;  // saturate: only the sign and "too large" matter now
        }
    }
    if (negative && magnitude > 0) {
        return {CycleTextProblem::negative, 0};
    }
    if (magnitude > limit) {
        return {CycleTextProblem::too_large, 0};
    }
    return {CycleTextProblem::none, magnitude};
}

}  // namespace

std::string cycle_text_refusal(CycleTextProblem problem, int64_t limit) {
    switch (problem) {
        case CycleTextProblem::no_number:
            return "No cycle count: enter a whole number of cycles.";
        case CycleTextProblem::negative:
            return "A delay cannot have a negative number of cycles.";
        case CycleTextProblem::too_large:
            return format_text("Too many cycles: at most %lld.", static_cast<long long>(limit));
        case CycleTextProblem::none:
            break;
    }
    return "";
}

CycleText parse_cycle_text(std::string_view text) { return read_cycle_number(text, max_cycle_count); }

size_t cycle_number_length(std::string_view text) {
    size_t pos = skip_blanks(text, 0);
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    const size_t digits = pos;
    while (pos < text.size() && is_digit(text[pos])) {
        ++pos;
    }
    return pos > digits ? pos : 0;
}

CycleText parse_whole_cycle_count(std::string_view text, int64_t limit) {
    size_t end = text.size();
    while (end > 0 && is_blank(text[end - 1])) {
        --end;
    }
    size_t digits = skip_blanks(text, 0);
    const bool minus = digits < end && text[digits] == '-';
    if (digits < end && (text[digits] == '+' || minus)) {
        ++digits;
    }
    if (digits == end) {
        return {CycleTextProblem::no_number, 0};
    }
    for (size_t pos = digits; pos < end; ++pos) {
        if (!is_digit(text[pos])) {
            return {CycleTextProblem::no_number, 0};
        }
    }
    const CycleText count = read_cycle_number(text, limit);
    // -0 is no count a user means: a minus sign goes only with a negative one.
    if (minus && count.problem == CycleTextProblem::none) {
        return {CycleTextProblem::no_number, 0};
    }
    return count;
}

std::string first_word(std::string_view text) {
    const size_t begin = skip_blanks(text, 0);
    size_t end = begin;
    while (end < text.size() && !is_blank(text[end])) {
        ++end;
    }
    return std::string(text.substr(begin, end - begin));
}

}  // namespace cyclotrim
