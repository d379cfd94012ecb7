// SPDX-License-Identifier: MIT
// Test runner for the window tests: initialises the toolkit on the X server
// named by DISPLAY, as the program does at start-up.
#include <gtest/gtest.h>
#include <gtkmm/application.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();  // listing the tests needs no X server
    }
    const Glib::RefPtr<Gtk::Application> application =
        Gtk::Application::create(argc, argv, "", Gio::APPLICATION_NON_UNIQUE);
    return RUN_ALL_TESTS();
}
