#include "delay/exact_time.hpp"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "delay/entry_parsing.hpp"
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

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Reads [+-]digits[.digits][e[+-]digits] from the start of `text` into
// `quantity`; returns the length read, 0 if there is no number.
size_t read_number(std::string_view text, Quantity& quantity) {
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
    if (pos < text.size() && text[pos] == '.') {
        for (++pos; pos < text.size() && is_digit(text[pos]); ++pos) {
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

QuantityReading read_quantity(std::string_view text, const QuantityKind& kind) {
    const std::string quoted = std::string(text);
    const std::string_view body = trimmed(text);
    Quantity quantity;
    const size_t number_length = read_number(body, quantity);
    const std::string_view unit = trimmed(body.substr(number_length));
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
        if (quoted.find(',') != std::string::npos) {
            return refused(format_text("\"%s\" is not %s: the decimal point is \".\", as in %s.",
                                       quoted.c_str(), kind.what, kind.example));
        }
        return refused(format_text("\"%s\" is not %s: give a number and a unit %s, such as %s.",
                                   quoted.c_str(), kind.what, kind.unit_list, kind.example));
    }
    quantity.number_text = std::string(body.substr(0, number_length));
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

// digits x 10^exponent as a double, for the comment's figures only.
double approximate(const std::string& digits, int64_t exponent) {
    if (digits.empty()) {
        return 0.0;
    }
    const std::string text = digits + "e" + std::to_string(exponent);
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string shortest(double value) {
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
    return std::string(buffer, result.ptr);
}

// A duration in the unit that shows it best.
std::string duration_text(double seconds) {
    const std::pair<double, const char*> scales[] = {{1.0, "s"}, {1e-3, "ms"}, {1e-6, "us"}};
    for (const auto& [scale, unit] : scales) {
        if (seconds >= scale) {
            return shortest(seconds / scale) + " " + unit;
        }
    }
    return shortest(seconds / 1e-9) + " ns";
}

TimeInCycles no_count(std::string problem) {
    TimeInCycles result;
    result.comment_or_problem = std::move(problem);
    return result;
}

}  // namespace

QuantityReading read_time(std::string_view text) { return read_quantity(text, time_kind); }

QuantityReading read_clock(std::string_view text) { return read_quantity(text, clock_kind); }

TimeInCycles cycles_for_time(const Quantity& time, const Quantity& clock, Rounding rounding) {
    if (clock.negative || clock.digits.empty()) {
        return no_count("A clock frequency must be above 0 Hz.");
    }
    if (time.negative && !time.digits.empty()) {
        return no_count(cycle_text_refusal(CycleTextProblem::negative));
    }
    const char* const too_many = cycle_text_refusal(CycleTextProblem::too_large);
    std::string product = multiply(time.digits, clock.digits);
    int64_t exponent = time.exponent + clock.exponent;
    while (!product.empty() && product.back() == '0') {
        product.pop_back();
        ++exponent;
    }
    const int64_t length = static_cast<int64_t>(product.size());
    if (!product.empty() && length + exponent > 10) {
        return no_count(too_many);
    }
    // product x 10^exponent = whole + fraction, fraction = fraction_digits x 10^-fraction_length
    uint64_t whole = 0;
    std::string fraction_digits;
    int64_t fraction_length = 0;
    if (exponent >= 0) {
        whole = product.empty() ? 0 : std::strtoull(product.c_str(), nullptr, 10);
        for (int64_t i = 0; i < exponent && whole != 0; ++i) {
            whole *= 10;
        }
    } else {
        fraction_length = -exponent;
        const int64_t whole_length = std::max<int64_t>(0, length + exponent);
        whole = whole_length == 0 ? 0 : std::strtoull(product.substr(0, whole_length).c_str(), nullptr, 10);
        fraction_digits = product.substr(whole_length);
    }
    const bool has_fraction = !fraction_digits.empty();
    const bool half_or_more = has_fraction && fraction_length == static_cast<int64_t>(fraction_digits.size()) &&
                              fraction_digits[0] >= '5';
    const bool round_up = has_fraction && (rounding == Rounding::up ||
                                           (rounding == Rounding::nearest && half_or_more));
    const uint64_t cycles = whole + (round_up ? 1 : 0);
    if (cycles > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        return no_count(too_many);
    }
    TimeInCycles result;
    result.ok = true;
    result.cycles = static_cast<int32_t>(cycles);
    std::string how_far = "exactly the time asked for";
    if (has_fraction) {
        const double fraction = approximate(fraction_digits, -fraction_length);
        const double off_cycles = round_up ? 1.0 - fraction : fraction;
        const double off_seconds = off_cycles / approximate(clock.digits, clock.exponent);
        how_far = format_text("%s cycles (%s) %s than asked", shortest(off_cycles).c_str(),
                              duration_text(off_seconds).c_str(),
                              round_up ? "longer" : "shorter");
    }
    result.comment_or_problem =
        format_text("%s %s at %s %s: %i cycles, %s", time.number_text.c_str(),
                    time.unit.c_str(), clock.number_text.c_str(), clock.unit.c_str(),
                    result.cycles, how_far.c_str());
    return result;
}

}  // namespace cyclotrim
