// SPDX-License-Identifier: MIT
// A real main window under a real X server, for tests that drive it
// through its widgets' own signals.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.hpp"
#include "app/widget_registry.hpp"
#include "test_io.hpp"

// The names registered on the window with a reference, besides window1 itself.
inline const std::vector<const char*>& registered_names() {
    static const std::vector<const char*> names{
        "vbox1",     "menubar1", "exit1",    "toolbar2", "start_button", "delete_button",
        "copy_button", "hbox3",  "combo1",   "R0",       "combo2",       "R1",
        "combo3",    "R2",       "viewport1", "hbox5",   "vbox3",        "table1",
        "time_no",   "cycles",   "time_yes", "time",     "label4",       "label5",
        "combo4",    "MHZ",      "label6",   "scrolledwindow2", "text",  "statusbar"};
    return names;
}

// Runs the toolkit until nothing is pending.
inline void settle() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

// Runs the toolkit for a while, so that resizes travel to the X server and
// back, and styles follow a change of state at the next frame.
inline void settle_for_a_while() {
    for (int i = 0; i < 30; ++i) {
        settle();
        g_usleep(10000);
    }
}

// Warnings logged without a log domain while an instance is alive.
class WarningRecorder {
public:
    WarningRecorder() {
        handler_ = g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, &WarningRecorder::record, this);
    }
    ~WarningRecorder() { g_log_remove_handler(nullptr, handler_); }
    const std::vector<std::string>& messages() const { return messages_; }

private:
    static void record(const gchar*, GLogLevelFlags, const gchar* message, gpointer self) {
        static_cast<WarningRecorder*>(self)->messages_.emplace_back(message);
    }
    guint handler_ = 0;
    std::vector<std::string> messages_;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.reset(cyclotrim::build_main_window());
        window_->show();
        settle();
    }
    void TearDown() override {
        // The input mode lives for the process, as the program's one window
        // does: leave it as the next window expects to find it.
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("time_no").gobj()), TRUE);
        window_.reset();
        settle();
    }

    template <class WidgetKind = Gtk::Widget>
    WidgetKind& widget(const char* name) {
        auto* found = cyclotrim::find_widget_as<WidgetKind>(*window_, name);
        if (found == nullptr) {
            throw std::runtime_error(std::string("no widget ") + name);
        }
        return *found;
    }

    Gtk::Entry& entry(const char* name) { return widget<Gtk::Entry>(name); }

    // Presses and releases a key on the window, as the keyboard does: the
    // window's accelerators, the focused widget and the key bindings see it.
    void press_key(guint keyval, GdkModifierType modifiers = GdkModifierType(0)) {
        GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_->gobj()));
        GdkDevice* keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
        if (!window_->has_toplevel_focus()) {
            // The window gets the keyboard, as the window manager would give it.
            GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
            focus->focus_change.window = GDK_WINDOW(g_object_ref(window_->get_window()->gobj()));
            focus->focus_change.send_event = TRUE;
            focus->focus_change.in = TRUE;
            gdk_event_set_device(focus, keyboard);
            gtk_main_do_event(focus);
            gdk_event_free(focus);
        }
        GdkKeymapKey* keys = nullptr;
        gint n_keys = 0;
        ASSERT_TRUE(gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval,
                                                      &keys, &n_keys));
        for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
            GdkEvent* event = gdk_event_new(type);
            event->key.window = GDK_WINDOW(g_object_ref(window_->get_window()->gobj()));
            event->key.send_event = TRUE;
            event->key.time = GDK_CURRENT_TIME;
            event->key.keyval = keyval;
            event->key.state = modifiers;
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
            event->key.group = static_cast<guint8>(keys[0].group);
            gdk_event_set_device(event, keyboard);
            gtk_main_do_event(event);
            gdk_event_free(event);
        }
        g_free(keys);
        settle();
    }

    // The registered name of the widget that has the keyboard focus, or of
    // the registered widget that holds it (a tool button's inner button).
    std::string focus_name() {
        for (Gtk::Widget* w = window_->get_focus(); w != nullptr; w = w->get_parent()) {
            for (const char* name : registered_names()) {
                if (w == cyclotrim::find_widget(*window_, name)) {
                    return name;
                }
            }
        }
        return "";
    }

    void click(const char* button_name) {
        g_signal_emit_by_name(widget(button_name).gobj(), "clicked");
        settle();
    }

    std::string buffer_text() { return widget<Gtk::TextView>("text").get_buffer()->get_text(); }

    // The message the status bar shows.
    std::string status_text() {
        auto* area = dynamic_cast<Gtk::Container*>(
            widget<Gtk::Statusbar>("statusbar").get_message_area());
        for (Gtk::Widget* child : area->get_children()) {
            if (auto* label = dynamic_cast<Gtk::Label*>(child)) {
                return label->get_text();
            }
        }
        return "";
    }

    std::unique_ptr<Gtk::Window> window_;
};
