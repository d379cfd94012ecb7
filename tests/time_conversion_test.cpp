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

TEST(TimeConversion, SinglePrecisionTimesInTheCLocale) {
    expect_conversions({
        {"1", "4.000", "4000000"},
        {"0.001", "4.000", "4000"},
        {"0.0005", "7.3728", "3686"},
        {"0.7", "1.000", "699999"},
        {"0.7", "12.00", "8399999"},
        {"0.000001", "1.000", "0"},
        {"-0.001", "4.000", "-4001"},
        {"1", "0", "0"},
        {"-1", "0", "0"},
        {"0.5s", "4.000", "2000000"},
        {" 1e-3", "4.000", "4000"},
        {"+2", "1", "2000000"},
    });
}

TEST(TimeConversion, CountsBeyondThirtyTwoBitsAreWrittenInFull) {
    expect_conversions({
        {"200", "12.00", "2400000000"},
        {"-200", "12.00", "-2400000000"},
        {"1e30", "1", "1000000015047466219876688855040000000"},
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
        {"0,7", "1", "699999"},
        // A full stop is read too: the frequency list is written with one.
        {"1", "4.000", "4000000"},
        {"0.001", "7.3728", "7372"},
        {"0,001", "7.3728", "7372"},
        {"0.001", "7,3728", "7372"},
        {"0,5s", "4.000", "2000000"},
        // A second separator of either kind ends the number.
        {"0,5.5", "4", "2000000"},
        {"0.5,5", "4", "2000000"},
        {"1.000.000", "4", "4000000"},
    });
    EXPECT_EQ(cyclotrim::status_naming_ignored_text("", {"8", true, "0.5.5", "4,0"}),
              "Time read as 0.5 s; \".5\" ignored. ");
}

// What Start's status bar names: text after the number, and texts without one.
TEST(TimeConversion, StatusNamesWhatWasIgnored) {
    struct Case { cyclotrim::StartEntryTexts texts; const char* notes; };
    for (const Case& c : std::initializer_list<Case>{
             {{" 1000 ", true, "0.5", "+4"}, ""},
             {{"many", false, "soon", ""}, ""},  // refused, and the refusal says why
             {{"-0x10", false, "", ""}, "Cycles read as -0; \"x10\" ignored. "},
             {{"1e400", true, "1ms", "4"}, "Cycles read as 1; \"e400\" ignored. Time read as 1 s; \"ms\" ignored. "},
             {{"8", true, "100ergs", " "}, "Time read as 100 s; \"ergs\" ignored. Clock held no number. "},
             {{"8", true, "", "0x"}, "Time held no number. Clock held no number; \"0x\" ignored. "}}) {
        EXPECT_EQ(cyclotrim::status_naming_ignored_text("Done.", c.texts), c.notes + std::string("Done."))
            << c.texts.cycles << " / " << c.texts.time << " / " << c.texts.clock;
    }
}
