// SPDX-License-Identifier: MIT
// Cycles or Time: the two ways of filling the cycles entry.
#pragma once

#include <gtkmm/widget.h>

namespace cyclotrim {

// "Cycles:" switched on or off: cycles mode, the cycles entry editable.
void on_time_no_toggled(Gtk::Widget* button);
// "Time:" switched on or off: time mode, the cycles entry read-only.
void on_time_yes_toggled(Gtk::Widget* button);
// "Time:" clicked: in time mode, the count is worked out at once.
void on_time_yes_clicked(Gtk::Widget* button);
// An arrow key on "Cycles:" or "Time:": Up and Left move to and choose
// "Cycles:", Down and Right "Time:", as in a radio group in reading order.
bool on_input_mode_key_press_event(GdkEventKey* event, Gtk::Widget* button);
// The time or the frequency changed: in time mode, the count follows.
void on_time_input_changed(Gtk::Widget* entry);

// Writes into `cycles` the count for the texts of `time` and `MHZ`, or
// leaves it as it is when they give none. `widget` is any widget of the window.
void update_cycles_from_time(Gtk::Widget& widget);

}  // namespace cyclotrim
