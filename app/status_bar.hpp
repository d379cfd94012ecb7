// SPDX-License-Identifier: MIT
// The status bar's one message, in its one context, "Compiler".
#pragma once

#include <gtkmm/widget.h>

#include <string>

namespace cyclotrim {

// Replaces the message the status bar of `widget`'s window shows.
void report_in_statusbar(Gtk::Widget& widget, const std::string& message);

}  // namespace cyclotrim
