// SPDX-License-Identifier: MIT
#include "app/status_bar.hpp"

#include <gtkmm/statusbar.h>

#include "app/widget_registry.hpp"

namespace cyclotrim {

void report_in_statusbar(Gtk::Widget& widget, const std::string& message) {
    if (auto* statusbar = find_widget_as<Gtk::Statusbar>(widget, "statusbar")) {
        const guint context = statusbar->get_context_id("Compiler");
        statusbar->pop(context);
        statusbar->push(message, context);
    }
}

}  // namespace cyclotrim
