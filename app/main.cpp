// Cyclotrim: AVR assembler for busy-wait delays of an exact number of cycles.
#include <gtkmm/application.h>
#include <gtkmm/clipboard.h>

#include "app/main_window.hpp"

int main(int argc, char** argv) {
    // Initialises the toolkit, which also takes the locale from the
    // environment: times and frequencies are read in the user's notation.
    const Glib::RefPtr<Gtk::Application> application =
        Gtk::Application::create(argc, argv, "", Gio::APPLICATION_NON_UNIQUE);
    // The window lives until the process ends; nothing needs it torn down.
    Gtk::Window* window = cyclotrim::build_main_window();
    application->run(*window);
    // Hands a copied listing to the clipboard manager, if the desktop has one.
    Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)->store();
    return 0;
}
