// SPDX-License-Identifier: MIT
#include "delay/input/exact_time.hpp"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "delay/input/entry_parsing.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// Significant digits a number may have; enough for any real clock or time.
constexpr size_t max_significant_digits = 100;
// Exponents are held far beyond any that can give a count, without overflow.
constexpr int64_t exponent_limit = 1000000000000000;

struct Unit {
    const char* name;
    int power_of_ten;   // of the unit in seconds or hertz
    const char* shown;  // in the listing's comment, which stays ASCII
};

constexpr Unit time_units[] = {{"s", 0, "s"},   {"ms", -3, "ms"},
                               {"us", -6, "us"}, {"\xC2\xB5s", -6, "us"},  // micro sign
                               {"\xCE\xBCs", -6, "us"},                    // Greek mu
                               {"\xB5s", -6, "us"},  // micro sign in Latin-1 (Windows' ANSI)
                               {"ns", -9, "ns"}};
constexpr Unit clock_units[] = {{"Hz", 0, "Hz"}, {"kHz", 3, "kHz"}, {"MHz", 6, "MHz"}};

struct QuantityKind {
    const char* what;            // "a time"
    const Unit* units;
    size_t unit_count;
    const char* default_unit;
    const char* example;         // a good text, for the message
    const char* unit_list;
};

const QuantityKind time_kind{"a time", time_units, std::size(time_units), "s", "1.5ms",
                             "s, ms, us or ns"};
const QuantityKind clock_kind{"a clock frequency", clock_units, std::size(clock_units), "MHz",
                              "16MHz", "Hz, kHz or MHz"};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The length of the decimal point at the start of `text`: "." or
// `other_point`; 0 when neither is there.
size_t point_length(std::string_view text, std::string_view other_point) {
    if (!text.empty() && text[0] == '.') {
        return 1;
    }
    return !other_point.empty() && text.substr(0, other_point.size()) == other_point
               ? other_point.size()
               : 0;
}

// Reads [+-]digits[.digits][e[+-]digits] from the start of `text` into
// `quantity`, `other_point` (if not empty) standing for "." too; returns the
// length read, 0 if there is no number.
size_t read_number(std::string_view text, std::string_view other_point, Quantity& quantity) {
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        quantity.negative = text[pos] == '-';
        ++pos;
    }
    std::string digits;
    int64_t exponent = 0;
    for (; pos < text.size() && is_digit(text[pos]); ++pos) {
        digits += text[pos];
    }
    if (const size_t point = point_length(text.substr(pos), other_point); point > 0) {
        for (pos += point; pos < text.size() && is_digit(text[pos]); ++pos) {
            digits += text[pos];
            --exponent;
        }
    }
    if (digits.empty()) {
        return 0;
    }
    if (pos + 1 < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        size_t exp_pos = pos + 1;
        const bool exp_negative = text[exp_pos] == '-';
        if (text[exp_pos] == '+' || text[exp_pos] == '-') {
            ++exp_pos;
        }
        if (exp_pos < text.size() && is_digit(text[exp_pos])) {
            int64_t written = 0;
            for (; exp_pos < text.size() && is_digit(text[exp_pos]); ++exp_pos) {
                written = std::min(written * 10 + (text[exp_pos] - '0'), exponent_limit);
            }
            exponent += exp_negative ? -written : written;
            pos = exp_pos;
        }
    }
    const size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? std::string() : digits.substr(first);
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    quantity.digits = digits;
    quantity.exponent = exponent;
    return pos;
}

QuantityReading refused(std::string problem) {
    QuantityReading reading;
    reading.problem = std::move(problem);
    return reading;
}

QuantityReading read_quantity(std::string_view text, std::string_view other_point,
                              const QuantityKind& kind) {
    const std::string quoted = std::string(text);
    const std::string_view body = without_surrounding_blanks(text);
    Quantity quantity;
    const size_t number_length = read_number(body, other_point, quantity);
    const std::string_view unit = without_surrounding_blanks(body.substr(number_length));
    if (number_length > 0 && quantity.digits.size() > max_significant_digits) {
        return refused(format_text("\"%s\" is not %s: it has more than %i digits.",
                                   quoted.c_str(), kind.what, static_cast<int>(max_significant_digits)));
    }
    const std::string_view unit_name = unit.empty() ? std::string_view(kind.default_unit) : unit;
    const Unit* found = nullptr;
    for (size_t i = 0; i < kind.unit_count; ++i) {
        if (unit_name == kind.units[i].name) {
            found = &kind.units[i];
        }
    }
    if (number_length == 0 || found == nullptr) {
        if (quoted.find(',') != std::string::npos && other_point != ",") {
            return refused(format_text("\"%s\" is not %s: the decimal point is \".\", as in %s.",
                                       quoted.c_str(), kind.what, kind.example));
        }
        return refused(format_text("\"%s\" is not %s: give a number and a unit %s, such as %s.",
                                   quoted.c_str(), kind.what, kind.unit_list, kind.example));
    }
    quantity.number_text = std::string(body.substr(0, number_length));
    if (quantity.digits.empty() && quantity.number_text[0] == '-') {
        quantity.number_text.erase(0, 1);  // zero has no sign: the comment says 0, never -0
        quantity.negative = false;
    }
    quantity.unit = found->shown;
    if (!quantity.digits.empty()) {
        quantity.exponent += found->power_of_ten;
    }
    QuantityReading reading;
    reading.ok = true;
    reading.quantity = quantity;
    return reading;
}

// The product of two whole numbers written in decimal digits.
std::string multiply(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return "";
    }
    std::vector<int> sum(a.size() + b.size(), 0);
    for (size_t i = a.size(); i-- > 0;) {
        for (size_t j = b.size(); j-- > 0;) {
            sum[i + j + 1] += (a[i] - '0') * (b[j] - '0');
        }
    }
    for (size_t k = sum.size(); k-- > 1;) {
        sum[k - 1] += sum[k] / 10;
        sum[k] %= 10;
    }
    std::string digits;
    for (int d : sum) {
        if (!digits.empty() || d != 0) {
            digits += static_cast<char>('0' + d);
        }
    }
    return digits;
}

// A figure for the listing's comment: mantissa x 10^exponent, the
// mantissa from 1 to below 10. The exponent is held apart so that no
// figure overflows or vanishes, however small the fraction of a cycle or
// large the clock; only the mantissa is rounded.
struct Figure {
    double mantissa = 1.0;
    int64_t exponent = 0;
};

// digits x 10^exponent, `digits` a whole number without leading zeros.
Figure figure_of(const std::string& digits, int64_t exponent) {
    const size_t kept = std::min<size_t>(digits.size(), 18);
    uint64_t leading = 0;
    double scale = 1.0;
    for (size_t i = 0; i < kept; ++i) {
        leading = leading * 10 + static_cast<uint64_t>(digits[i] - '0');
        scale *= i == 0 ? 1.0 : 10.0;
    }
    return {static_cast<double>(leading) / scale,
            exponent + static_cast<int64_t>(digits.size()) - 1};
}

Figure quotient(const Figure& dividend, const Figure& divisor) {
    Figure result{dividend.mantissa / divisor.mantissa, dividend.exponent - divisor.exponent};
    if (result.mantissa < 1.0) {
        result.mantissa *= 10.0;
        result.exponent -= 1;
    }
    return result;
}

// 1 - fraction_digits x 10^-fraction_length, for a fraction above 0 and
// below 1: exactly where the digits can be subtracted, and as 1 where the
// fraction is too small to change the figure's four digits.
Figure complement(const std::string& fraction_digits, int64_t fraction_length) {
    const int64_t leading_zeros = fraction_length - static_cast<int64_t>(fraction_digits.size());
    if (leading_zeros > 8) {
        return {};
    }
    std::string difference(static_cast<size_t>(fraction_length), '0');
    int borrow = 0;
    const std::string padded = std::string(static_cast<size_t>(leading_zeros), '0') + fraction_digits;
    for (size_t i = padded.size(); i-- > 0;) {
        int digit = (i + 1 == padded.size() ? 10 : 9) - (padded[i] - '0') - borrow;
        borrow = 0;
        if (digit < 0) {
            digit += 10;
            borrow = 1;
        }
        difference[i] = static_cast<char>('0' + digit);
    }
    const size_t first = difference.find_first_not_of('0');
    return figure_of(difference.substr(first), -fraction_length);
}

// The figure with four significant digits, written as printf's %g writes
// it, but the same in every locale and without floating-point formatting
// (which not every C++ library has).
std::string four_digits(const Figure& figure) {
    int64_t rounded = std::llround(figure.mantissa * 1000.0);
    int64_t exponent = figure.exponent;
    if (rounded >= 10000) {
        rounded /= 10;
        exponent += 1;
    }
    std::string digits = std::to_string(rounded);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    if (exponent < -4 || exponent >= 4) {
        const std::string fraction = digits.size() > 1 ? "." + digits.substr(1) : "";
        const int64_t magnitude = exponent < 0 ? -exponent : exponent;
        return digits.substr(0, 1) + fraction + (exponent < 0 ? "e-" : "e+") +
               (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
    }
    if (exponent < 0) {
        return "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
        return digits + std::string(whole - digits.size(), '0');
    }
    return digits.substr(0, whole) + "." + digits.substr(whole);
}

// A duration in the unit that shows it best; below a thousandth of a
// nanosecond, in seconds with an exponent.
std::string duration_text(Figure seconds) {
    const std::pair<int64_t, const char*> scales[] = {{0, "s"}, {-3, "ms"}, {-6, "us"}};
    for (const auto& [power, unit] : scales) {
        if (seconds.exponent >= power) {
            seconds.exponent -= power;
            return four_digits(seconds) + " " + unit;
        }
    }
    if (seconds.exponent >= -12) {
        seconds.exponent += 9;
        return four_digits(seconds) + " ns";
    }
    return four_digits(seconds) + " s";
}

TimeInCycles no_count(std::string problem) {
    TimeInCycles result;
    result.comment_or_problem = std::move(problem);
    return result;
}

// time x clock as a whole count of cycles, rounded as asked, with the
// fraction of a cycle that the rounding dropped or added.
struct RoundedProduct {
    std::string problem;  // why there is no count; empty when there is one
    int64_t cycles = 0;
    std::string fraction_digits;  // the fraction is fraction_digits x 10^-fraction_length
    int64_t fraction_length = 0;
    bool round_up = false;
};

RoundedProduct rounded_product(const Quantity& time, const Quantity& clock, Rounding rounding,
                               int64_t limit) {
    RoundedProduct result;
    if (clock.negative || clock.digits.empty()) {
        result.problem = "A clock frequency must be above 0 Hz.";
        return result;
    }
    if (time.negative && !time.digits.empty()) {
        result.problem = cycle_text_refusal(CycleTextProblem::negative);
        return result;
    }
    const std::string too_many = cycle_text_refusal(CycleTextProblem::too_large, limit);
    std::string product = multiply(time.digits, clock.digits);
    int64_t exponent = time.exponent + clock.exponent;
    while (!product.empty() && product.back() == '0') {
        product.pop_back();
        ++exponent;
    }
    const int64_t length = static_cast<int64_t>(product.size());
    if (!product.empty() && length + exponent > 10) {
        result.problem = too_many;
        return result;
    }
    // product x 10^exponent = whole + fraction, fraction = fraction_digits x 10^-fraction_length
    uint64_t whole = 0;
    if (exponent >= 0) {
        whole = product.empty() ? 0 : std::strtoull(product.c_str(), nullptr, 10);
        for (int64_t i = 0; i < exponent && whole != 0; ++i) {
            whole *= 10;
        }
    } else {
        result.fraction_length = -exponent;
        const int64_t whole_length = std::max<int64_t>(0, length + exponent);
        whole = whole_length == 0 ? 0 : std::strtoull(product.substr(0, whole_length).c_str(), nullptr, 10);
        result.fraction_digits = product.substr(whole_length);
    }
    const std::string& fraction_digits = result.fraction_digits;
    const bool has_fraction = !fraction_digits.empty();
    const bool half_or_more = has_fraction &&
                              result.fraction_length == static_cast<int64_t>(fraction_digits.size()) &&
                              fraction_digits[0] >= '5';
    result.round_up = has_fraction && (rounding == Rounding::up ||
                                       (rounding == Rounding::nearest && half_or_more));
    const uint64_t cycles = whole + (result.round_up ? 1 : 0);
    if (cycles > static_cast<uint64_t>(limit)) {
        result.problem = too_many;
        return result;
    }
    result.cycles = static_cast<int64_t>(cycles);
    return result;
}

// count x the figure, `count` at least 1.
Figure times(Figure figure, int32_t count) {
    figure.mantissa *= count;
    while (figure.mantissa >= 10.0) {
        figure.mantissa /= 10.0;
        figure.exponent += 1;
    }
    return figure;
}

// How far `count` times the rounded count is from `count` times the time:
// "0.8 cycles (108.5 ns) shorter than asked"; empty when it is exact.
std::string how_far(const RoundedProduct& product, const Quantity& clock, int32_t count) {
    const std::string& fraction_digits = product.fraction_digits;
    if (fraction_digits.empty()) {
        return "";
    }
    const Figure off_cycles = times(
        product.round_up
            ? complement(fraction_digits, product.fraction_length)
            : figure_of(fraction_digits.substr(fraction_digits.find_first_not_of('0')),
                        -product.fraction_length),
        count);
    const Figure off_seconds = quotient(off_cycles, figure_of(clock.digits, clock.exponent));
    return format_text("%s cycles (%s) %s than asked", four_digits(off_cycles).c_str(),
                       duration_text(off_seconds).c_str(),
                       product.round_up ? "longer" : "shorter");
}

}  // namespace

QuantityReading read_time(std::string_view text, std::string_view other_point) {
    return read_quantity(text, other_point, time_kind);
}

QuantityReading read_clock(std::string_view text, std::string_view other_point) {
    return read_quantity(text, other_point, clock_kind);
}

std::optional<std::string> whole_cycles_text(const Quantity& time, const Quantity& clock) {
    if ((time.negative && !time.digits.empty()) || clock.negative || clock.digits.empty()) {
        return std::nullopt;
    }
    const std::string product = multiply(time.digits, clock.digits);
    const int64_t whole_length = static_cast<int64_t>(product.size()) + time.exponent + clock.exponent;
    if (product.empty() || whole_length <= 0) {
        return "0";
    }
    if (whole_length > 40) {
        return std::nullopt;
    }
    const size_t whole = static_cast<size_t>(whole_length);
    return whole <= product.size() ? product.substr(0, whole)
                                   : product + std::string(whole - product.size(), '0');
}

TimeInCycles cycles_for_time(const Quantity& time, const Quantity& clock, Rounding rounding,
                             int64_t limit) {
    const RoundedProduct product = rounded_product(time, clock, rounding, limit);
    if (!product.problem.empty()) {
        return no_count(product.problem);
    }
    TimeInCycles result;
    result.ok = true;
    result.cycles = product.cycles;
    const std::string off = how_far(product, clock, 1);
    result.comment_or_problem =
        format_text("%s %s at %s %s: %lld cycles, %s", time.number_text.c_str(),
                    time.unit.c_str(), clock.number_text.c_str(), clock.unit.c_str(),
                    static_cast<long long>(result.cycles),
                    off.empty() ? "exactly the time asked for" : off.c_str());
    return result;
}

std::string deviation_after(const Quantity& time, const Quantity& clock, Rounding rounding,
                            int32_t count) {
    const RoundedProduct product = rounded_product(time, clock, rounding, max_cycle_count);
    return product.problem.empty() ? how_far(product, clock, count) : "";
}

}  // namespace cyclotrim
