// SPDX-License-Identifier: MIT
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "gui_fixture.hpp"

namespace {

class TimeInputTest : public MainWindowTest {
protected:
    void select(const char* radio_name) {
        widget<Gtk::RadioButton>(radio_name).set_active(true);
        settle();
    }

    // Types `text` at the end of an entry one character at a time, as the
    // keyboard does; returns what `cycles` held after each character.
    std::vector<std::string> type_into(const char* entry_name, const std::string& text) {
        std::vector<std::string> seen;
        Gtk::Entry& target = entry(entry_name);
        for (char c : text) {
            int position = target.get_text_length();
            target.insert_text(std::string(1, c), 1, position);
            settle();
            seen.push_back(entry("cycles").get_text());
        }
        return seen;
    }
};

// Text colour, background colour and text cursor colour, as the theme draws them.
std::vector<std::string> look_of(Gtk::Widget& widget) {
    GtkStyleContext* style = gtk_widget_get_style_context(widget.gobj());
    std::vector<std::string> look;
    for (const char* property : {"color", "background-color", "caret-color"}) {
        GdkRGBA* colour = nullptr;
        gtk_style_context_get(style, gtk_style_context_get_state(style), property, &colour, nullptr);
        look.emplace_back(Gdk::RGBA(colour, false).to_string());
    }
    return look;
}

}  // namespace

TEST_F(TimeInputTest, TypingATimeConvertsOnceItReadsAsANumber) {
    select("time_yes");
    entry("cycles").set_text("123");
    EXPECT_EQ(type_into("time", "0.001"),
              (std::vector<std::string>{"123", "123", "123", "123", "4000"}));
}

TEST_F(TimeInputTest, SelectingTimeModeConvertsAtOnceAndLocksCycles) {
    entry("time").set_text("1");
    EXPECT_EQ(entry("cycles").get_text(), "") << "cycles mode ignores the time";
    select("time_yes");
    EXPECT_EQ(entry("cycles").get_text(), "4000000");
    EXPECT_FALSE(entry("cycles").get_editable());
}

// Read-only in time mode, the count looks as the theme draws an entry that
// cannot be used, and shows no text cursor; back in cycles mode, as before.
TEST_F(TimeInputTest, TheLockedCountLooksLikeTextThatCannotBeEdited) {
    settle_for_a_while();  // styles follow a change of state at the next frame
    const std::vector<std::string> editable = look_of(entry("cycles"));
    entry("time").set_sensitive(false);
    settle_for_a_while();
    std::vector<std::string> unusable = look_of(entry("time"));
    entry("time").set_sensitive(true);
    unusable[2] = Gdk::RGBA("transparent").to_string();
    select("time_yes");
    settle_for_a_while();
    EXPECT_EQ(look_of(entry("cycles")), unusable);
    EXPECT_NE(unusable, editable);
    EXPECT_TRUE(entry("cycles").get_can_focus()) << "the count can still be selected and copied";
    select("time_no");
    settle_for_a_while();
    EXPECT_EQ(look_of(entry("cycles")), editable);
}

TEST_F(TimeInputTest, SelectingTimeModeWithoutATimeOnlyLocksCycles) {
    entry("cycles").set_text("55");
    select("time_yes");
    EXPECT_EQ(entry("cycles").get_text(), "55");
    EXPECT_FALSE(entry("cycles").get_editable());
}

TEST_F(TimeInputTest, PickingAFrequencyFromTheList) {
    select("time_yes");
    entry("time").set_text("0.001");
    widget<Gtk::ComboBoxText>("combo4").set_active(11);
    settle();
    EXPECT_EQ(entry("MHZ").get_text(), "12.00");
    EXPECT_EQ(entry("cycles").get_text(), "12000");
}

TEST_F(TimeInputTest, EmptyingTheTimeKeepsTheLastCount) {
    select("time_yes");
    entry("time").set_text("0.5");
    entry("time").set_text("");
    settle();
    EXPECT_EQ(entry("cycles").get_text(), "2000000");
}

TEST_F(TimeInputTest, BackInCyclesModeTheCountStaysAndIsEditable) {
    select("time_yes");
    entry("time").set_text("0.001");
    select("time_no");
    EXPECT_EQ(entry("cycles").get_text(), "4000");
    EXPECT_TRUE(entry("cycles").get_editable());
    entry("time").set_text("2");
    entry("MHZ").set_text("8.000");
    settle();
    EXPECT_EQ(entry("cycles").get_text(), "4000");
}

TEST_F(TimeInputTest, ExactAndOutOfRangeCounts) {
    select("time_yes");
    entry("MHZ").set_text("1.000");
    entry("time").set_text("0.7");
    EXPECT_EQ(entry("cycles").get_text(), "700000");
    entry("time").set_text("0.000001");
    EXPECT_EQ(entry("cycles").get_text(), "1");
    entry("MHZ").set_text("0");
    entry("time").set_text("3");
    EXPECT_EQ(entry("cycles").get_text(), "1") << "no clock above 0: count kept";
    entry("MHZ").set_text("12.00");
    entry("time").set_text("200");
    EXPECT_EQ(entry("cycles").get_text(), "2400000000");
    click("start_button");
    EXPECT_EQ(status_text(), "Too many cycles: at most 2147483647.");
    EXPECT_EQ(buffer_text(), "");
    entry("MHZ").set_text("");
    EXPECT_EQ(entry("cycles").get_text(), "2400000000") << "no frequency: count kept";
}

TEST_F(TimeInputTest, StartWritesTheConvertedDelay) {
    select("time_yes");
    entry("time").set_text("0.0005");
    entry("MHZ").set_text("7.3728");
    click("start_button");
    EXPECT_EQ(buffer_text().rfind(";<===   Delay loop   ===>\n; 3686 cycles\n", 0), 0u);
}

// The window reads times exactly, as the companion does: for the count the
// window shows, both write the same.
TEST_F(TimeInputTest, CompanionWritesTheWindowsListingForTheSameCount) {
    select("time_yes");
    entry("time").set_text("0.0123");
    widget<Gtk::ComboBoxText>("combo4").set_active(7);  // 8.000
    entry("R0").set_text("R20");
    click("start_button");
    EXPECT_EQ(entry("cycles").get_text(), "98400");
    const std::string command = std::string(CYCLOTRIM_GEN) + " -r R20 98400";
    int status = -1;
    const std::string listing = command_output(command, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(listing, buffer_text());
    EXPECT_NE(listing.find("; 98400 cycles\n"), std::string::npos);
}

// Run by CTest with LC_ALL=de_DE.UTF-8: start-up takes the locale from the
// environment, so times are read with a decimal comma, and with the point
// that the frequency list is written in.
TEST_F(TimeInputTest, ReadsTimesInTheUsersLocale) {
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr || std::strncmp(locale, "de_DE", 5) != 0) {
        GTEST_SKIP() << "runs under LC_ALL=de_DE.UTF-8 only";
    }
    select("time_yes");
    entry("time").set_text("0,5");
    EXPECT_EQ(entry("cycles").get_text(), "2000000");
    entry("MHZ").set_text("7,3728");
    entry("time").set_text("0,0005");
    EXPECT_EQ(entry("cycles").get_text(), "3686");
    entry("MHZ").set_text("7.3728");
    entry("time").set_text("0.001");
    EXPECT_EQ(entry("cycles").get_text(), "7372");
    widget<Gtk::ComboBoxText>("combo4").set_active(1);
    settle();
    EXPECT_EQ(entry("MHZ").get_text(), "2.000");
    EXPECT_EQ(entry("cycles").get_text(), "2000");
}
