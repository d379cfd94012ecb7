// SPDX-License-Identifier: MIT
// The registry holds its widgets exactly as long as the window lives.
#include "gui_fixture.hpp"

namespace {

// Object data is released when its object is finalised (weak references
// already fire on dispose, which a destroyed widget goes through even while
// something still holds it).
void count_finalised(gpointer finalised) { ++*static_cast<int*>(finalised); }

void watch_finalisation(GObject* object, int& finalised) {
    g_object_set_data_full(object, "finalisation-probe", &finalised, count_finalised);
}

}  // namespace

TEST(WidgetLifetime, DestroyingTheWindowReleasesEveryRegisteredWidget) {
    Gtk::Window* window = cyclotrim::build_main_window();
    window->show();
    settle();
    int finalised = 0;
    for (const char* name : registered_names()) {
        GObject* widget = G_OBJECT(cyclotrim::find_widget(*window, name)->gobj());
        watch_finalisation(widget, finalised);
    }
    int window_finalised = 0;
    watch_finalisation(G_OBJECT(window->gobj()), window_finalised);
    settle();
    EXPECT_EQ(finalised, 0) << "the window keeps its widgets while it lives";

    delete window;
    settle();
    EXPECT_EQ(window_finalised, 1) << "its own entry does not keep the window alive";
    EXPECT_EQ(finalised, static_cast<int>(registered_names().size()));
}

TEST_F(MainWindowTest, FindWidgetStillWorksAfterExit) {
    entry("cycles").set_text("1000");
    click("start_button");
    g_signal_emit_by_name(widget("exit1").gobj(), "activate");
    settle();
    for (const char* name : registered_names()) {
        EXPECT_NE(cyclotrim::find_widget(widget("exit1"), name), nullptr) << name;
    }
    EXPECT_FALSE(buffer_text().empty());
}
