// SPDX-License-Identifier: MIT
#include "app/handlers/buffer_commands.hpp"

#include <gtkmm/clipboard.h>
#include <gtkmm/statusbar.h>
#include <gtkmm/textview.h>

#include "app/main_loop.hpp"
#include "app/status_bar.hpp"
#include "app/widget_registry.hpp"
#include "delay/buffer_messages.hpp"

namespace cyclotrim {

// Short enough to be read whole at the window's natural width.
const char* const start_up_banner = "Welcome to AVR Cyclotrim: exact delay loops.";

namespace {

Glib::RefPtr<Gtk::TextBuffer> listing_buffer(Gtk::Widget& button) {
    auto* text = find_widget_as<Gtk::TextView>(*button.get_toplevel(), "text");
    return text != nullptr ? text->get_buffer() : Glib::RefPtr<Gtk::TextBuffer>();
}

}  // namespace

void on_delete_button_clicked(Gtk::Widget* button) {
    if (const Glib::RefPtr<Gtk::TextBuffer> buffer = listing_buffer(*button)) {
        report_in_statusbar(*button, clear_message(buffer->get_text().raw()));
        buffer->erase(buffer->begin(), buffer->end());
    }
}

void on_copy_button_clicked(Gtk::Widget* button) {
    const Glib::RefPtr<Gtk::TextBuffer> buffer = listing_buffer(*button);
    if (!buffer) {
        return;
    }
    report_in_statusbar(*button, copy_message(buffer->get_text().raw()));
    const Glib::RefPtr<Gtk::Clipboard> clipboard = Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD);
    if (buffer->size() == 0) {
        // A listing this window copied before, and cleared since, leaves the
        // clipboard; what another program put there stays.
        clipboard->clear();
        return;
    }
    buffer->select_range(buffer->begin(), buffer->end());
    buffer->copy_clipboard(clipboard);
    buffer->select_range(buffer->begin(), buffer->begin());
    // Lets a clipboard manager keep the listing after the program has ended.
    clipboard->set_can_store();
}

void on_exit1_activate(Gtk::Widget*) { quit_main_loop(); }

void on_window1_show(Gtk::Widget* window) {
    if (auto* statusbar = find_widget_as<Gtk::Statusbar>(*window, "statusbar")) {
        statusbar->push(start_up_banner, statusbar->get_context_id("Compiler"));
    }
}

}  // namespace cyclotrim
