// SPDX-License-Identifier: MIT
#include "delay/input/time_conversion.hpp"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// The current locale's decimal separator, where it is not a full stop.
std::string_view locale_decimal_separator() {
    const std::string_view separator = std::localeconv()->decimal_point;
    return separator.empty() || separator == "." ? std::string_view() : separator;
}

// `text` with every full stop written as `separator`, the current locale's
// decimal separator (none: unchanged), so that "%f" reads 7.3728 and 7,3728
// alike where the locale writes a decimal comma: the frequency list is
// written with a point.
std::string with_locale_decimal_separator(std::string_view text, std::string_view separator) {
    std::string written;
    for (const char c : text) {
        if (c == '.' && !separator.empty()) {
            written += separator;
        } else {
            written += c;
        }
    }
    return written;
}

// How much of `text` became the first `written_length` characters of its
// rewritten form.
size_t length_before_rewriting(std::string_view text, size_t written_length,
                               std::string_view separator) {
    size_t length = 0;
    for (size_t written = 0; length < text.size() && written < written_length; ++length) {
        written += text[length] == '.' && !separator.empty() ? separator.size() : 1;
    }
    return length;
}

}  // namespace

SingleReading read_single(std::string_view text) {
    const std::string_view separator = locale_decimal_separator();
    const std::string written = with_locale_decimal_separator(text, separator);
    float value = 0.0f;
    if (std::sscanf(written.c_str(), "%f", &value) != 1) {
        return {};
    }
    // "%f" may take a dangling exponent mark ("100e" of 100ergs) without
    // using it; the number ends where strtof, which gave the value, stopped.
    char* end = nullptr;
    std::strtof(written.c_str(), &end);
    return {value, length_before_rewriting(text, static_cast<size_t>(end - written.c_str()), separator)};
}

std::optional<std::string> cycles_text_from_time(std::string_view time_text,
                                                 std::string_view mhz_text) {
    const std::optional<float> seconds = read_single(time_text).value;
    if (!seconds || *seconds == 0.0f) {
        return std::nullopt;
    }
    const std::optional<float> mhz = read_single(mhz_text).value;
    if (!mhz) {
        return std::nullopt;
    }
    // The product of two singles is exact in double: one rounding in all.
    const double product = static_cast<double>(*mhz) * static_cast<double>(*seconds) * 1000000.0;
    if (!std::isfinite(product)) {
        return std::nullopt;
    }
    // + 0.0 turns a zero product of a negative time into plain 0.
    return format_text("%.0f", std::floor(product) + 0.0);
}

}  // namespace cyclotrim
