// SPDX-License-Identifier: MIT
// The main window's named widgets: every widget is registered on the window
// under a fixed name, and handlers find the widgets they need by that name.
#pragma once

#include <gtkmm/widget.h>
#include <gtkmm/window.h>

namespace cyclotrim {

// Registers the window under its own name, without taking a reference.
void register_window(Gtk::Window& window, const char* name);

// Gives `widget` the toolkit name `name` and registers it on `window`. The
// registry holds one reference to the widget until the window is destroyed.
void register_widget(Gtk::Window& window, const char* name, Gtk::Widget& widget);

// The widget registered under `name` on the window that holds `widget`
// (which may be the window itself, or a widget inside one of its menus).
// Logs "Widget not found: <name>" at warning level and returns nullptr when
// nothing is registered under that name.
Gtk::Widget* find_widget(Gtk::Widget& widget, const char* name);

// find_widget, cast to the kind of widget that is registered under `name`.
template <class WidgetKind>
WidgetKind* find_widget_as(Gtk::Widget& widget, const char* name) {
    return dynamic_cast<WidgetKind*>(find_widget(widget, name));
}

}  // namespace cyclotrim
