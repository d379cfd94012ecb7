// SPDX-License-Identifier: MIT
// The Start button: writes the delay listing for the window's entries.
#pragma once

#include <gtkmm/widget.h>

namespace cyclotrim {

// Reads `cycles` and the register entries, appends the listing to `text`,
// prints the diagnostic lines and reports in the status bar; or, for a
// request that cannot be written, only says why in the status bar. Either
// way the status bar first names each entry whose text was not read whole.
void on_start_button_clicked(Gtk::Widget* button);

// Enter in an entry of the window (the cycle count, the time, the clock or a
// register picker) does what the Start button does.
void on_input_entry_activate(Gtk::Widget* entry);

}  // namespace cyclotrim
