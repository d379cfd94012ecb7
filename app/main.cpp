// Cyclotrim: AVR assembler for busy-wait delays of an exact number of cycles.
#include <gtkmm/application.h>
#include <gtkmm/clipboard.h>

#include <cstdio>
#include <cstring>

#include "app/main_window.hpp"

namespace {

const char* const help_text =
    "Usage: cyclotrim [OPTION]...\n"
    "Open the Cyclotrim window, which writes AVR assembler for busy-wait delays\n"
    "that last exactly the number of CPU cycles you ask for.\n"
    "\n"
    "Type a cycle count, or choose Time and type a time in seconds and a clock\n"
    "in MHz; pick the registers of the loops WL0, WL1 and WL2 in the toolbar\n"
    "(R16 to R31); press Start or Enter. The listing is appended to the buffer,\n"
    "from which Copy puts everything on the clipboard; Clear empties it. Each\n"
    "listing also prints four diagnostic lines on standard output.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Every other option is the toolkit's, such as --display=DISPLAY.\n"
    "For scripts and Makefiles, cyclotrim-gen writes the same listings.\n";

// --help and --version are answered without a display; nothing else is the
// program's own.
bool answered_information_option(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(help_text, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::fputs("cyclotrim (Cyclotrim) " CYCLOTRIM_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answered_information_option(argc, argv)) {
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    // Initialises the toolkit, which also takes the locale from the
    // environment: times and frequencies are read in the user's notation.
    const Glib::RefPtr<Gtk::Application> application =
        Gtk::Application::create(argc, argv, "", Gio::APPLICATION_NON_UNIQUE);
    // The window lives until the process ends; nothing needs it torn down.
    Gtk::Window* window = cyclotrim::build_main_window();
    // An option that neither the program nor the toolkit knows ends the run
    // at once, with status 1.
    const int status = application->run(*window);
    // Hands a copied listing to the clipboard manager, if the desktop has one.
    Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)->store();
    return status;
}
