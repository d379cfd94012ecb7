// Test runner for the window tests: initialises the toolkit on the X server
// named by DISPLAY, as the program does at start-up.
#include <gtest/gtest.h>
#include <gtkmm/application.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const Glib::RefPtr<Gtk::Application> application =
        Gtk::Application::create(argc, argv, "", Gio::APPLICATION_NON_UNIQUE);
    return RUN_ALL_TESTS();
}
