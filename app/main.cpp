// SPDX-License-Identifier: MIT
// Cyclotrim: AVR assembler for busy-wait delays of an exact number of cycles.
#include <gtkmm/application.h>
#include <gtkmm/clipboard.h>

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/main_window.hpp"

namespace {

const char* const help_text =
    "Usage: cyclotrim [OPTION]...\n"
    "Open the Cyclotrim window, which writes AVR assembler for busy-wait delays\n"
    "that last exactly the number of CPU cycles you ask for.\n"
    "\n"
    "Type a cycle count, or choose Time and type a time and a clock, each with\n"
    "a unit if you like (1.5ms, 16MHz; seconds and MHz without one); pick the\n"
    "registers of the loops WL0, WL1 and WL2 in the toolbar (R16 to R31); press\n"
    "Start or Enter. The listing is appended to the buffer, from which Copy puts\n"
    "everything on the clipboard; Clear empties it. Each listing also prints\n"
    "four diagnostic lines on standard output. Text after the number in the\n"
    "cycle count is ignored, and the status bar then says so; a time or a clock\n"
    "that is not a number and a unit is refused, as cyclotrim-gen refuses it.\n"
    "\n"
    "From the keyboard: Tab and Shift+Tab go through every control, the arrow\n"
    "keys choose Cycles or Time, Enter in any entry runs Start, F10 opens the\n"
    "menu and Ctrl+Q quits.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "The toolkit's own options, such as --display=DISPLAY, are taken too; any\n"
    "other option or argument is a usage error (exit status 2).\n"
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

// Takes the toolkit's own options (--display=DISPLAY, --gtk-module=MODULE
// and the rest) out of the command line, without opening the display. The
// program takes no other option and no operand: what is left is a usage
// error, described here; empty when nothing is left.
std::string usage_error_after_toolkit_options(int& argc, char**& argv) {
    GOptionContext* context = g_option_context_new(nullptr);
    g_option_context_set_help_enabled(context, FALSE);
    g_option_context_set_ignore_unknown_options(context, TRUE);
    g_option_context_set_main_group(context, gtk_get_option_group(FALSE));
    GError* error = nullptr;
    const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);
    if (!parsed) {
        const std::string message = error->message;
        g_error_free(error);
        return message;
    }
    if (argc < 2) {
        return "";
    }
    const std::string_view left = argv[1];
    if (left.size() > 1 && left[0] == '-') {
        return "unknown option '" + std::string(left.substr(0, left.find('='))) + "'";
    }
    return "extra operand '" + std::string(left) + "'";
}

}  // namespace

int main(int argc, char** argv) {
    if (answered_information_option(argc, argv)) {
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    const std::string usage_error = usage_error_after_toolkit_options(argc, argv);
    if (!usage_error.empty()) {
        std::fprintf(stderr, "cyclotrim: %s\nTry 'cyclotrim --help' for more information.\n",
                     usage_error.c_str());
        return 2;
    }
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
