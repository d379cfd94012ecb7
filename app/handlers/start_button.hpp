// The Start button: writes the delay listing for the window's entries.
#pragma once

#include <gtkmm/widget.h>

namespace cyclotrim {

// Reads `cycles` and the register entries, appends the listing to `text`,
// prints the diagnostic lines and reports in the status bar; or, for a
// request that cannot be written, only says why in the status bar.
void on_start_button_clicked(Gtk::Widget* button);

// Enter in the cycles entry, or in the time entry, runs Start.
void on_cycles_activate(Gtk::Widget* entry);
void on_time_activate(Gtk::Widget* entry);

}  // namespace cyclotrim
