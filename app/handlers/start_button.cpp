// SPDX-License-Identifier: MIT
#include "app/handlers/start_button.hpp"

#include <glibmm/main.h>
#include <gtkmm/entry.h>
#include <gtkmm/textview.h>
#include <gtkmm/togglebutton.h>

#include <cstdio>
#include <string>

#include "app/status_bar.hpp"
#include "app/widget_registry.hpp"
#include "delay/start_command.hpp"

namespace cyclotrim {

namespace {

// The loop plan of the session: the diagnostic line reports what earlier
// searches left in the counters that the current nest does not use.
LoopPlan session_loop_plan;

std::string entry_text(Gtk::Widget& window, const char* name) {
    const auto* entry = find_widget_as<Gtk::Entry>(window, name);
    return entry != nullptr ? std::string(entry->get_text()) : std::string();
}

// Scrolls `text` so that `mark` is at the top of the view, and once more
// when the new lines have their final heights: until then the view scrolls
// by estimated heights and may stop short. The second scroll is dropped if
// the view is gone by then.
void scroll_to_top(Gtk::TextView& text, const Glib::RefPtr<Gtk::TextBuffer::Mark>& mark) {
    text.scroll_to(mark, 0.0, 0.0, 0.0);
    Glib::signal_idle().connect_once(
        sigc::track_obj(
            [&text, mark] {
                text.scroll_to(mark, 0.0, 0.0, 0.0);
                text.get_buffer()->delete_mark(mark);
            },
            text),
        Glib::PRIORITY_LOW);
}

// Appends the listing and brings its first line into sight.
void append_listing(Gtk::Widget& button, const std::string& listing) {
    if (auto* text = find_widget_as<Gtk::TextView>(button, "text")) {
        // At the end, not at the insert mark: a click into the buffer moves that mark.
        const Glib::RefPtr<Gtk::TextBuffer> buffer = text->get_buffer();
        const Glib::RefPtr<Gtk::TextBuffer::Mark> start = buffer->create_mark(buffer->end(), true);
        buffer->insert(buffer->end(), listing);
        scroll_to_top(*text, start);
    }
}

bool time_mode_chosen(Gtk::Widget& window) {
    const auto* time_yes = find_widget_as<Gtk::ToggleButton>(window, "time_yes");
    return time_yes != nullptr && time_yes->get_active();
}

}  // namespace

void on_start_button_clicked(Gtk::Widget* button) {
    Gtk::Widget& window = *button->get_toplevel();
    const StartEntries entries{time_mode_chosen(window), entry_text(window, "cycles"),
                               entry_text(window, "time"), entry_text(window, "MHZ"),
                               {entry_text(window, "R0"), entry_text(window, "R1"),
                                entry_text(window, "R2")}};
    const StartOutcome outcome = run_window_start(entries, session_loop_plan);
    // In Time mode the cycle count shows the count Start read, even where
    // typing kept an earlier one (a time of 0 gives 0 cycles).
    auto* cycles = find_widget_as<Gtk::Entry>(window, "cycles");
    if (!outcome.cycles_text.empty() && cycles != nullptr) {
        cycles->set_text(outcome.cycles_text);
    }
    if (!outcome.refused) {
        std::fputs(outcome.diagnostics.c_str(), stdout);
        std::fflush(stdout);
        append_listing(*button, outcome.listing);
    }
    report_in_statusbar(window, outcome.status_message);
}

void on_input_entry_activate(Gtk::Widget* entry) {
    if (Gtk::Widget* start_button = find_widget(*entry, "start_button")) {
        on_start_button_clicked(start_button);
    }
}

}  // namespace cyclotrim
