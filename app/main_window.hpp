// SPDX-License-Identifier: MIT
// The main window: menu bar, toolbar with the register pickers, the cycle
// and time inputs, the listing buffer and the status bar.
#pragma once

#include <gtkmm/window.h>

namespace cyclotrim {

// Builds the complete window with every widget registered, shown and wired;
// the window itself is not shown yet. The caller owns the window.
Gtk::Window* build_main_window();

}  // namespace cyclotrim
