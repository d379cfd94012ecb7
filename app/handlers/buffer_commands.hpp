// SPDX-License-Identifier: MIT
// Commands on the listing buffer and on the window: Clear, Copy, Exit and
// the greeting in the status bar.
#pragma once

#include <gtkmm/widget.h>

namespace cyclotrim {

// The status bar's greeting, shown until the first Start.
extern const char* const start_up_banner;

// Clear: empties the listing buffer; the status bar says what went.
void on_delete_button_clicked(Gtk::Widget* button);
// Copy: puts the whole listing buffer on the clipboard; nothing stays
// selected. With an empty buffer, a listing this window put on the clipboard
// leaves it. The status bar says what was copied.
void on_copy_button_clicked(Gtk::Widget* button);
// Exit: ends the program at once.
void on_exit1_activate(Gtk::Widget* item);
// The window is shown: the status bar greets the user.
void on_window1_show(Gtk::Widget* window);

}  // namespace cyclotrim
