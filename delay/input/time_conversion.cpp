#include "delay/input/time_conversion.hpp"

#include <clocale>
#include <cmath>
#include <cstdio>

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// `text` with every full stop written as the current locale's decimal
// separator, so that "%f" reads 7.3728 and 7,3728 alike where the locale
// writes a decimal comma: the frequency list is written with a point.
std::string with_locale_decimal_separator(std::string_view text) {
    const std::string_view separator = std::localeconv()->decimal_point;
    if (separator.empty() || separator == ".") {
        return std::string(text);
    }
    std::string written;
    for (const char c : text) {
        if (c == '.') {
            written += separator;
        } else {
            written += c;
        }
    }
    return written;
}

// The number at the start of `text`; nothing if the text does not begin with one.
std::optional<float> read_single(std::string_view text) {
    float value = 0.0f;
    if (std::sscanf(with_locale_decimal_separator(text).c_str(), "%f", &value) != 1) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::string> cycles_text_from_time(std::string_view time_text,
                                                 std::string_view mhz_text) {
    const std::optional<float> seconds = read_single(time_text);
    if (!seconds || *seconds == 0.0f) {
        return std::nullopt;
    }
    const std::optional<float> mhz = read_single(mhz_text);
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
