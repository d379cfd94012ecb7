// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

#include "delay/input/reading_notes.hpp"
#include "delay/input/time_conversion.hpp"

using cyclotrim::cycles_text_from_time;

namespace {

struct Conversion {
    const char* time;
    const char* mhz;
    std::optional<std::string> cycles;  // nothing: the entry keeps its count
};

void expect_conversions(std::initializer_list<Conversion> cases) {
    for (const Conversion& c : cases) {
        EXPECT_EQ(cycles_text_from_time(c.time, c.mhz), c.cycles)
            << "time '" << c.time << "' at '" << c.mhz << "' MHz";
    }
}

// Sets a locale for one test and restores the C locale afterwards.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) : active_(std::setlocale(LC_ALL, name) != nullptr) {}
    ~LocaleScope() { std::setlocale(LC_ALL, "C"); }
    bool active() const { return active_; }

private:
    bool active_;
};

}  // namespace

TEST(TimeConversion, ExactTimesInTheCLocale) {
    expect_conversions({
        {"1", "4.000", "4000000"},
        {"0.001", "4.000", "4000"},
        {"0.0005", "7.3728", "3686"},
        {"0.7", "1.000", "700000"},
        {"0.7ms", "12MHz", "8400"},
        {"0.000001", "1.000", "1"},
        {"0.5s", "4.000", "2000000"},
        {" 1e-3", "4.000", "4000"},
        {"+2", "1", "2000000"},
    });
}

TEST(TimeConversion, CountsBeyondThirtyTwoBitsAreWrittenInFull) {
    expect_conversions({
        {"200", "12.00", "2400000000"},
        {"1e30", "1", "1" + std::string(36, '0')},
    });
}

TEST(TimeConversion, KeepsTheCountWhenThereIsNothingToConvert) {
    expect_conversions({
        {"", "4.000", std::nullopt},
        {"0", "4.000", std::nullopt},
        {"0.", "4.000", std::nullopt},
        {"0.00", "4.000", std::nullopt},
        {"-0", "4.000", std::nullopt},
        {"soon", "4.000", std::nullopt},
        {"0,5", "4.000", std::nullopt},  // a comma is no separator in the C locale
        {"1", "", std::nullopt},
        {"1", "fast", std::nullopt},
        {"inf", "4.000", std::nullopt},
        {"nan", "4.000", std::nullopt},
        {"1e39", "4.000", std::nullopt},
        {"1", "inf", std::nullopt},
        {"-1", "-infinity", std::nullopt},
    });
}

TEST(TimeConversion, ReadsTheLocalesDecimalComma) {
    LocaleScope german("de_DE.UTF-8");
    ASSERT_TRUE(german.active()) << "the de_DE.UTF-8 locale is not generated on this machine";
    expect_conversions({
        {"0,5", "4,000", "2000000"},
        {"0,001", "4,000", "4000"},
        {"0,7", "1", "700000"},
        // A full stop is read too: the frequency list is written with one.
        {"1", "4.000", "4000000"},
        {"0.001", "7.3728", "7372"},
        {"0,001", "7.3728", "7372"},
        {"0.001", "7,3728", "7372"},
        {"0,5s", "4.000", "2000000"},
        // A second separator of either kind is no number.
        {"0,5.5", "4", std::nullopt},
        {"1.000.000", "4", std::nullopt},
    });
}

// What Start's status bar names: text after the number, and texts without one.
TEST(TimeConversion, StatusNamesWhatWasIgnored) {
    struct Case { const char* cycles; const char* notes; };
    for (const Case& c : std::initializer_list<Case>{
             {" 1000 ", ""},
             {"many", ""},  // refused, and the refusal says why
             {"-0x10", "Cycles read as -0; \"x10\" ignored. "},
             {"1e400", "Cycles read as 1; \"e400\" ignored. "}}) {
        EXPECT_EQ(cyclotrim::status_naming_ignored_text("Done.", c.cycles), c.notes + std::string("Done."))
            << c.cycles;
    }
}
