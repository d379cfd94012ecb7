#include "delay/start_button.hpp"

#include <gtkmm/entry.h>
#include <gtkmm/statusbar.h>
#include <gtkmm/textview.h>

#include <cstdio>
#include <string>

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

void append_listing(Gtk::Widget& button, const std::string& listing) {
    if (auto* text = find_widget_as<Gtk::TextView>(button, "text")) {
        // At the end, not at the insert mark: a click into the buffer moves that mark.
        const Glib::RefPtr<Gtk::TextBuffer> buffer = text->get_buffer();
        buffer->insert(buffer->end(), listing);
    }
}

void report_in_statusbar(Gtk::Widget& window, const std::string& message) {
    if (auto* statusbar = find_widget_as<Gtk::Statusbar>(window, "statusbar")) {
        const guint context = statusbar->get_context_id("Compiler");
        statusbar->pop(context);
        statusbar->push(message, context);
    }
}

}  // namespace

void on_start_button_clicked(Gtk::Widget* button) {
    Gtk::Widget& window = *button->get_toplevel();
    const RegisterTexts registers{entry_text(window, "R0"), entry_text(window, "R1"),
                                  entry_text(window, "R2")};
    const StartOutcome outcome =
        run_start_command(entry_text(window, "cycles"), registers, session_loop_plan);
    if (!outcome.refused) {
        std::fputs(outcome.diagnostics.c_str(), stdout);
        std::fflush(stdout);
        append_listing(*button, outcome.listing);
    }
    report_in_statusbar(window, outcome.status_message);
}

}  // namespace cyclotrim
