// SPDX-License-Identifier: MIT
#include <cstdlib>

#include "gui_fixture.hpp"

namespace {

std::vector<std::string> combo_items(Gtk::ComboBoxText& combo) {
    std::vector<std::string> items;
    Glib::RefPtr<Gtk::TreeModel> model = combo.get_model();
    for (const Gtk::TreeRow& row : model->children()) {
        Glib::ustring text;
        row.get_value(0, text);
        items.emplace_back(text);
    }
    return items;
}

}  // namespace

TEST_F(MainWindowTest, EveryNameResolvesToTheSameWidgetFromAnyStart) {
    std::vector<const char*> all_names = registered_names();
    all_names.push_back("window1");
    EXPECT_EQ(all_names.size(), 31u);
    for (const char* start : {"window1", "exit1", "start_button", "MHZ", "text", "R1"}) {
        for (const char* name : all_names) {
            Gtk::Widget* found = cyclotrim::find_widget(widget(start), name);
            ASSERT_NE(found, nullptr) << name << " from " << start;
            EXPECT_EQ(found, &widget(name)) << name << " from " << start;
            EXPECT_EQ(found->get_name(), name) << "the toolkit name equals the registry name";
        }
    }
    EXPECT_EQ(&widget("window1"), window_.get());
}

TEST_F(MainWindowTest, CarriesTheProgramIconInEverySize) {
    std::vector<int> sizes;
    for (const Glib::RefPtr<Gdk::Pixbuf>& icon : window_->get_icon_list()) {
        EXPECT_EQ(icon->get_width(), icon->get_height());
        sizes.push_back(icon->get_width());
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64, 128, 256}));
}

TEST_F(MainWindowTest, UnknownNameWarnsAndFindsNothing) {
    WarningRecorder warnings;
    EXPECT_EQ(cyclotrim::find_widget(widget("exit1"), "R3"), nullptr);
    ASSERT_EQ(warnings.messages().size(), 1u);
    EXPECT_EQ(warnings.messages()[0], "Widget not found: R3");
}

TEST_F(MainWindowTest, FindsFromInsideAComboPopup) {
    auto& combo = widget<Gtk::ComboBoxText>("combo4");
    combo.popup();
    settle();
    GtkWidget* popup = nullptr;
    for (GList* item = gtk_window_list_toplevels(); item != nullptr; item = item->next) {
        if (GTK_WIDGET(item->data) != GTK_WIDGET(window_->gobj()) &&
            gtk_widget_get_visible(GTK_WIDGET(item->data))) {
            popup = gtk_bin_get_child(GTK_BIN(item->data));
        }
    }
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(cyclotrim::find_widget(*Glib::wrap(popup), "cycles"), &widget("cycles"));
    combo.popdown();
}

TEST_F(MainWindowTest, StartsInCyclesModeWithTheDefaults) {
    EXPECT_EQ(window_->get_title(), "AVR Cyclotrim");
    EXPECT_TRUE(widget<Gtk::RadioButton>("time_no").get_active());
    EXPECT_FALSE(widget<Gtk::RadioButton>("time_yes").get_active());
    EXPECT_EQ(g_slist_length(gtk_radio_button_get_group(widget<Gtk::RadioButton>("time_yes").gobj())), 2u);
    EXPECT_EQ(gtk_radio_button_get_group(widget<Gtk::RadioButton>("time_yes").gobj()),
              gtk_radio_button_get_group(widget<Gtk::RadioButton>("time_no").gobj()));
    EXPECT_EQ(entry("cycles").get_text(), "");
    EXPECT_TRUE(entry("cycles").get_editable());
    EXPECT_EQ(entry("time").get_text(), "");
    EXPECT_EQ(entry("R0").get_text(), "R16");
    EXPECT_EQ(entry("R1").get_text(), "R17");
    EXPECT_EQ(entry("R2").get_text(), "R18");
    EXPECT_EQ(entry("MHZ").get_text(), "4.000");
    EXPECT_EQ(buffer_text(), "");
    EXPECT_FALSE(widget<Gtk::TextView>("text").get_editable());
}

TEST_F(MainWindowTest, LabelsTooltipsAndLists) {
    EXPECT_EQ(widget<Gtk::MenuItem>("exit1").get_label(), "Exit");
    EXPECT_EQ(widget<Gtk::MenuItem>("exit1").get_submenu(), nullptr);
    struct Button { const char* name; const char* label; const char* tooltip; };
    for (const Button& b : {Button{"start_button", "Start", "Generate the Assembler Code"},
                            Button{"delete_button", "Clear", "Clear the buffer's contents"},
                            Button{"copy_button", "Copy",
                                   "Copy the buffer's contents to the clipboard"}}) {
        EXPECT_EQ(widget<Gtk::ToolButton>(b.name).get_label(), b.label);
        // A tool item shows its tooltip on the button inside it.
        EXPECT_EQ(widget<Gtk::ToolButton>(b.name).get_child()->get_tooltip_text(), b.tooltip);
    }
    auto& toolbar = widget<Gtk::Toolbar>("toolbar2");
    EXPECT_EQ(toolbar.get_n_items(), 5);
    EXPECT_EQ(toolbar.get_orientation(), Gtk::ORIENTATION_HORIZONTAL);
    EXPECT_EQ(widget("hbox3").get_parent(), toolbar.get_nth_item(4));

    const std::vector<std::string> registers{"R16", "R17", "R18", "R19", "R20", "R21", "R22", "R23"};
    std::vector<std::string> with_empty = registers;
    with_empty.push_back("");
    EXPECT_EQ(combo_items(widget<Gtk::ComboBoxText>("combo1")), registers);
    EXPECT_EQ(combo_items(widget<Gtk::ComboBoxText>("combo2")), with_empty);
    EXPECT_EQ(combo_items(widget<Gtk::ComboBoxText>("combo3")), registers);
    EXPECT_EQ(combo_items(widget<Gtk::ComboBoxText>("combo4")),
              (std::vector<std::string>{"1.000", "2.000", "3.000", "4.000", "5.000", "6.000",
                                        "7.000", "8.000", "9.000", "10.00", "11.00", "12.00"}));
    EXPECT_EQ(widget<Gtk::Label>("label4").get_text(), "sec.");
    EXPECT_EQ(widget<Gtk::Label>("label5").get_text(), "MHZ");
    EXPECT_EQ(widget<Gtk::Label>("label6").get_text(), "Fequency:");
    EXPECT_EQ(widget<Gtk::RadioButton>("time_no").get_label(), "Cycles:");
    EXPECT_EQ(widget<Gtk::RadioButton>("time_yes").get_label(), "Time:");
}

TEST_F(MainWindowTest, SizesAndTablePlacement) {
    int width = 0, height = 0;
    for (const char* combo : {"combo1", "combo2", "combo3"}) {
        widget(combo).get_size_request(width, height);
        EXPECT_EQ(width, 50) << combo;
        EXPECT_EQ(height, -1) << combo;
    }
    for (const char* name : {"cycles", "time", "combo4"}) {
        widget(name).get_size_request(width, height);
        EXPECT_EQ(width, 70) << name;
    }
    widget("text").get_size_request(width, height);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 200);
    Gtk::PolicyType horizontal, vertical;
    widget<Gtk::ScrolledWindow>("scrolledwindow2").get_policy(horizontal, vertical);
    EXPECT_EQ(horizontal, Gtk::POLICY_NEVER);
    EXPECT_EQ(vertical, Gtk::POLICY_ALWAYS);

    auto& table = widget<Gtk::Grid>("table1");
    struct Cell { const char* name; int column; int row; };
    for (const Cell& c : {Cell{"time_no", 0, 0}, Cell{"cycles", 1, 0}, Cell{"time_yes", 0, 1},
                          Cell{"time", 1, 1}, Cell{"label4", 2, 1}, Cell{"label6", 0, 2},
                          Cell{"combo4", 1, 2}, Cell{"label5", 2, 2}}) {
        EXPECT_EQ(table.get_child_at(c.column, c.row), &widget(c.name)) << c.name;
    }
    EXPECT_EQ(table.get_child_at(2, 0), nullptr);
}

TEST_F(MainWindowTest, StartAppendsTheListingAndReportsTheLineCount) {
    entry("cycles").set_text("1000");
    click("start_button");
    const std::string listing = buffer_text();
    EXPECT_EQ(listing.rfind(";<===   Delay loop   ===>\n; 1000 cycles\n", 0), 0u);
    EXPECT_NE(listing.find("\tldi R16,0x4e\nWLrest:\tdec R16\n"), std::string::npos);
    EXPECT_EQ(status_text(), "Created 7 lines of assembler code.");

    click("start_button");
    EXPECT_EQ(buffer_text(), listing + listing);
    EXPECT_EQ(status_text(), "Created 7 lines of assembler code.");
}

TEST_F(MainWindowTest, StartUsesTheChosenRegisters) {
    entry("cycles").set_text("1530");
    entry("R1").set_text("R20");
    click("start_button");
    EXPECT_NE(buffer_text().find("\tldi R16,0xff\nWL0:\tldi R20,0x1\nWL1:\tdec R20\n\tbrne WL1\n"
                                 "\tdec R16\n\tbrne WL0\n"),
              std::string::npos);
}

TEST_F(MainWindowTest, ListingGoesToTheEndWhereverTheCursorIs) {
    entry("cycles").set_text("3");
    click("start_button");
    const std::string first = buffer_text();
    auto buffer = widget<Gtk::TextView>("text").get_buffer();
    buffer->place_cursor(buffer->begin());
    entry("cycles").set_text("4");
    click("start_button");
    EXPECT_EQ(buffer_text().rfind(first, 0), 0u) << buffer_text();
}

TEST_F(MainWindowTest, RefusalLeavesTheBufferAndSaysWhy) {
    entry("cycles").set_text("1000");
    click("start_button");
    const std::string listing = buffer_text();
    struct Case { const char* cycles; const char* r1; const char* message; };
    for (const Case& c : {Case{"many", "R17", "No cycle count: enter a whole number of cycles."},
                          Case{"-5", "R17", "A delay cannot have a negative number of cycles."},
                          Case{"1530", "", "Choose a register for loop WL1."}}) {
        entry("cycles").set_text(c.cycles);
        entry("R1").set_text(c.r1);
        click("start_button");
        EXPECT_EQ(buffer_text(), listing);
        EXPECT_EQ(status_text(), c.message);
    }
}

int listings_in(const std::string& buffer) {
    int count = 0;
    for (size_t at = buffer.find(";<==="); at != std::string::npos; at = buffer.find(";<===", at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(MainWindowTest, CyclesHasTheFocusAndEnterInAnyEntryRunsStart) {
    EXPECT_TRUE(entry("cycles").is_focus());
    entry("cycles").set_text("1000");
    press_key(GDK_KEY_Return);
    EXPECT_EQ(buffer_text().rfind(";<===   Delay loop   ===>\n; 1000 cycles\n", 0), 0u);
    for (const char* name : {"R0", "R1", "R2", "MHZ"}) {
        const int before = listings_in(buffer_text());
        entry(name).grab_focus();
        press_key(GDK_KEY_Return);
        EXPECT_EQ(listings_in(buffer_text()), before + 1) << "Enter in " << name;
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("time_yes").gobj()), TRUE);
    entry("time").set_text("0.001");
    entry("time").grab_focus();
    press_key(GDK_KEY_Return);
    EXPECT_NE(buffer_text().find("; 4000 cycles\n"), std::string::npos);
    entry("MHZ").set_text("8.000");
    entry("MHZ").grab_focus();
    press_key(GDK_KEY_KP_Enter);
    EXPECT_NE(buffer_text().find("; 8000 cycles\n"), std::string::npos);
}

// Tab and Shift+Tab go through every control in reading order: the toolbar
// from left to right, the input table, the listing; then round again.
TEST_F(MainWindowTest, TabVisitsEveryControlInReadingOrder) {
    // A picker is its entry and then its list button.
    const std::vector<std::string> order{
        "time", "MHZ",    "combo4", "text", "start_button", "delete_button", "copy_button", "R0",
        "combo1", "R1", "combo2", "R2",   "combo3",       "time_no",       "cycles"};
    std::vector<std::string> forward;
    for (size_t i = 0; i < order.size(); ++i) {
        press_key(GDK_KEY_Tab);
        forward.push_back(focus_name());
    }
    EXPECT_EQ(forward, order);
    std::vector<std::string> backward;
    for (size_t i = 0; i < order.size(); ++i) {
        press_key(GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
        backward.push_back(focus_name());
    }
    std::vector<std::string> reversed(order.rbegin() + 1, order.rend());
    reversed.push_back("cycles");
    EXPECT_EQ(backward, reversed);
}

// F10 opens the menu bar and Enter chooses Exit; Ctrl+Q chooses it directly.
TEST_F(MainWindowTest, F10ReachesTheMenuAndCtrlQChoosesExit) {
    int exits = 0;
    widget<Gtk::MenuItem>("exit1").signal_activate().connect([&exits] { ++exits; });
    press_key(GDK_KEY_F10);
    EXPECT_EQ(gtk_menu_shell_get_selected_item(GTK_MENU_SHELL(widget("menubar1").gobj())),
              widget("exit1").gobj());
    press_key(GDK_KEY_Return);
    EXPECT_EQ(exits, 1);
    entry("cycles").grab_focus();
    press_key(GDK_KEY_q, GDK_CONTROL_MASK);
    EXPECT_EQ(exits, 2);
    EXPECT_EQ(entry("cycles").get_text(), "") << "Ctrl+Q types nothing";
}

// Every register name a picker may hold shows whole, at any scale
// (GDK_SCALE=2 in a second run): the entry's text area is at least as wide
// as the widest name in the entry's own font.
TEST_F(MainWindowTest, PickersShowEveryRegisterNameWhole) {
    std::vector<std::string> names;
    for (int r = 16; r <= 31; ++r) {
        names.push_back("R" + std::to_string(r));
    }
    for (const char* pair : {"XL", "XH", "YL", "YH", "ZL", "ZH"}) {
        names.emplace_back(pair);
    }
    for (const char* picker : {"R0", "R1", "R2"}) {
        Gtk::Entry& picker_entry = entry(picker);
        if (const char* scale = std::getenv("GDK_SCALE")) {
            ASSERT_EQ(picker_entry.get_scale_factor(), std::atoi(scale));
        }
        std::string widest_name;
        int widest = 0;
        for (const std::string& name : names) {
            int width = 0, height = 0;
            picker_entry.create_pango_layout(name)->get_pixel_size(width, height);
            if (width > widest) {
                widest = width;
                widest_name = name;
            }
        }
        const Gdk::Rectangle area = picker_entry.get_text_area();
        EXPECT_GE(area.get_width(), widest)
            << picker << " cuts " << widest_name << " at scale " << picker_entry.get_scale_factor();
    }
}

TEST_F(MainWindowTest, ListingIsInAMonospaceFont) {
    auto& text = widget<Gtk::TextView>("text");
    int narrow = 0, wide = 0, height = 0;
    text.create_pango_layout("iiii")->get_pixel_size(narrow, height);
    text.create_pango_layout("WWWW")->get_pixel_size(wide, height);
    EXPECT_EQ(narrow, wide);
}

TEST_F(MainWindowTest, LongRegisterNameWrapsAndKeepsTheWindowsWidth) {
    settle_for_a_while();
    const int width = window_->get_allocated_width();
    entry("R0").set_text(std::string(150, 'w'));
    entry("cycles").set_text("1000");
    click("start_button");
    settle_for_a_while();
    ASSERT_NE(buffer_text().find(std::string(150, 'w')), std::string::npos);
    EXPECT_EQ(window_->get_allocated_width(), width);
}

TEST_F(MainWindowTest, EachStartBringsTheStartOfItsListingIntoSight) {
    auto& text = widget<Gtk::TextView>("text");
    for (const char* cycles : {"600000", "1000", "100", "27891567"}) {
        const int before = text.get_buffer()->get_char_count();
        entry("cycles").set_text(cycles);
        click("start_button");
        settle_for_a_while();
        Gdk::Rectangle visible, first_line;
        text.get_visible_rect(visible);
        text.get_iter_location(text.get_buffer()->get_iter_at_offset(before), first_line);
        EXPECT_GE(first_line.get_y(), visible.get_y()) << cycles;
        EXPECT_LE(first_line.get_y() + first_line.get_height(), visible.get_y() + visible.get_height())
            << cycles;
    }
}
