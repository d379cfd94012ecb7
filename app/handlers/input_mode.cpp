// SPDX-License-Identifier: MIT
#include "app/handlers/input_mode.hpp"

#include <gtkmm/entry.h>
#include <gtkmm/togglebutton.h>
#include <gtkmm/stylecontext.h>

#include <cstdint>

#include "app/widget_registry.hpp"
#include "delay/input/time_conversion.hpp"

namespace cyclotrim {

namespace {

// 0: the user types the cycle count; 1: it is worked out from time and frequency.
int32_t InputMode = 0;

void set_input_mode(Gtk::Widget& button, int32_t mode) {
    InputMode = mode;
    if (auto* cycles = find_widget_as<Gtk::Entry>(*button.get_toplevel(), "cycles")) {
        cycles->set_editable(mode == 0);
        // The toolkit's style class for text that cannot be edited gives the
        // entry its look (see the main window).
        if (mode == 0) {
            cycles->get_style_context()->remove_class(GTK_STYLE_CLASS_READ_ONLY);
        } else {
            cycles->get_style_context()->add_class(GTK_STYLE_CLASS_READ_ONLY);
        }
    }
}

}  // namespace

void on_time_no_toggled(Gtk::Widget* button) { set_input_mode(*button, 0); }

void on_time_yes_toggled(Gtk::Widget* button) { set_input_mode(*button, 1); }

void on_time_yes_clicked(Gtk::Widget* button) {
    if (InputMode != 0) {
        update_cycles_from_time(*button);
    }
}

bool on_input_mode_key_press_event(GdkEventKey* event, Gtk::Widget* button) {
    if ((event->state & gtk_accelerator_get_default_mod_mask()) != 0) {
        return false;
    }
    const char* chosen = nullptr;
    switch (event->keyval) {
        case GDK_KEY_Up: case GDK_KEY_KP_Up: case GDK_KEY_Left: case GDK_KEY_KP_Left:
            chosen = "time_no";
            break;
        case GDK_KEY_Down: case GDK_KEY_KP_Down: case GDK_KEY_Right: case GDK_KEY_KP_Right:
            chosen = "time_yes";
            break;
        default:
            return false;
    }
    // Switching the mode runs the same handlers, in the same order, as a click.
    if (auto* radio = find_widget_as<Gtk::ToggleButton>(*button->get_toplevel(), chosen)) {
        radio->grab_focus();
        radio->set_active(true);
    }
    return true;
}

void on_time_input_changed(Gtk::Widget* entry) {
    if (InputMode != 0) {
        update_cycles_from_time(*entry);
    }
}

void update_cycles_from_time(Gtk::Widget& widget) {
    Gtk::Widget& window = *widget.get_toplevel();
    const auto* time = find_widget_as<Gtk::Entry>(window, "time");
    const auto* mhz = find_widget_as<Gtk::Entry>(window, "MHZ");
    auto* cycles = find_widget_as<Gtk::Entry>(window, "cycles");
    if (time == nullptr || mhz == nullptr || cycles == nullptr) {
        return;
    }
    if (const auto count = cycles_text_from_time(time->get_text().raw(), mhz->get_text().raw())) {
        cycles->set_text(*count);
    }
}

}  // namespace cyclotrim
