// SPDX-License-Identifier: MIT
#include "app/widget_registry.hpp"

#include <gtk/gtk.h>

namespace cyclotrim {

void register_window(Gtk::Window& window, const char* name) {
    gtk_widget_set_name(GTK_WIDGET(window.gobj()), name);
    g_object_set_data(G_OBJECT(window.gobj()), name, window.gobj());
}

void register_widget(Gtk::Window& window, const char* name, Gtk::Widget& widget) {
    gtk_widget_set_name(widget.gobj(), name);
    g_object_set_data_full(G_OBJECT(window.gobj()), name, g_object_ref(widget.gobj()),
                           g_object_unref);
}

namespace {

// The outermost widget above `widget`, going from a menu to the widget it
// is attached to.
GtkWidget* registry_holder(GtkWidget* widget) {
    while (true) {
        GtkWidget* above = GTK_IS_MENU(widget) ? gtk_menu_get_attach_widget(GTK_MENU(widget))
                                               : gtk_widget_get_parent(widget);
        if (above == nullptr) {
            return widget;
        }
        widget = above;
    }
}

}  // namespace

Gtk::Widget* find_widget(Gtk::Widget& widget, const char* name) {
    GtkWidget* holder = registry_holder(widget.gobj());
    auto* found = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(holder), name));
    if (found == nullptr) {
        g_log(nullptr, G_LOG_LEVEL_WARNING, "Widget not found: %s", name);
        return nullptr;
    }
    return Glib::wrap(found);
}

}  // namespace cyclotrim
