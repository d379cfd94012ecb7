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
