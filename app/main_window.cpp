// SPDX-License-Identifier: MIT
#include "app/main_window.hpp"

#include <atkmm/object.h>
#include <gtk/gtk.h>
#include <gtkmm/box.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/entry.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/radiobutton.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/separatortoolitem.h>
#include <gtkmm/statusbar.h>
#include <gtkmm/textview.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <gtkmm/viewport.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/handlers/buffer_commands.hpp"
#include "app/handlers/input_mode.hpp"
#include "app/main_loop.hpp"
#include "app/widget_registry.hpp"
#include "app/handlers/start_button.hpp"

// The icons compiled into the program.
extern "C" void cyclotrim_icons_register_resource(void);

namespace cyclotrim {

namespace {

const std::initializer_list<const char*> register_items{"R16", "R17", "R18", "R19",
                                                         "R20", "R21", "R22", "R23"};
// The same, with an empty item last that leaves loop WL1 without a register.
const std::initializer_list<const char*> register_items_or_none{
    "R16", "R17", "R18", "R19", "R20", "R21", "R22", "R23", ""};
const std::initializer_list<const char*> frequency_items{
    "1.000", "2.000", "3.000", "4.000", "5.000", "6.000",
    "7.000", "8.000", "9.000", "10.00", "11.00", "12.00"};

// Creates a widget owned by its container, names, registers and shows it.
template <class WidgetKind, class... Arguments>
WidgetKind& add_named(Gtk::Window& window, const char* name, Arguments&&... arguments) {
    WidgetKind& widget = *Gtk::manage(new WidgetKind(std::forward<Arguments>(arguments)...));
    register_widget(window, name, widget);
    widget.show();
    return widget;
}

Gtk::ToolButton& add_tool_button(Gtk::Window& window, Gtk::Toolbar& toolbar, const char* name,
                                 const char* label, const char* tooltip) {
    auto& button = *Gtk::manage(new Gtk::ToolButton(label));
    button.set_tooltip_text(tooltip);
    toolbar.append(button);
    register_widget(window, name, button);
    button.show();
    return button;
}

// A combo with an entry the user may type any text into. Its list is set
// first, then the entry, registered under its own name, gets its text.
Gtk::ComboBoxText& add_combo(Gtk::Window& window, const char* name, const char* entry_name,
                             int width, int entry_width_chars,
                             std::initializer_list<const char*> items,
                             const char* initial_text) {
    auto& combo = add_named<Gtk::ComboBoxText>(window, name, true);
    combo.set_size_request(width, -1);
    for (const char* item : items) {
        combo.append(item);
    }
    Gtk::Entry& entry = *combo.get_entry();
    entry.set_width_chars(entry_width_chars);
    register_widget(window, entry_name, entry);
    entry.show();
    entry.set_text(initial_text);
    return combo;
}

// The cycle count, while it cannot be edited (it then carries the toolkit's
// "read-only" style class), looks as the theme draws an entry that cannot be
// used; the default theme would leave it looking editable. Its text can
// still be selected and copied; no text cursor shows.
void give_read_only_look(Gtk::Entry& entry) {
    const Glib::RefPtr<Gtk::CssProvider> look = Gtk::CssProvider::create();
    look->load_from_data(
        "entry.read-only { color: @insensitive_fg_color; background-color: @insensitive_bg_color;"
        " box-shadow: none; caret-color: transparent; }");
    entry.get_style_context()->add_provider(look, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// The name a screen reader says for `widget`, in the window's own words;
// what the window shows stays as it is.
void name_for_screen_readers(Gtk::Widget& widget, const char* name) {
    widget.get_accessible()->set_name(name);
}

// Names the toggle buttons inside `widget`, a combo or a part of one, for
// screen readers.
void name_list_button(GtkWidget* widget, gpointer name) {
    if (GTK_IS_TOGGLE_BUTTON(widget)) {
        atk_object_set_name(gtk_widget_get_accessible(widget), static_cast<const char*>(name));
    } else if (GTK_IS_CONTAINER(widget)) {
        gtk_container_forall(GTK_CONTAINER(widget), name_list_button, name);
    }
}

// A picker is its combo and the combo's entry: both carry the name. Its
// list button, a Tab stop of its own that is no child of the combo's
// accessible, carries `list_name`.
void name_for_screen_readers(Gtk::ComboBoxText& picker, const char* name, const char* list_name) {
    name_for_screen_readers(static_cast<Gtk::Widget&>(picker), name);
    name_for_screen_readers(*picker.get_entry(), name);
    name_list_button(GTK_WIDGET(picker.gobj()), const_cast<char*>(list_name));
}

// A cell of the input table: never stretched vertically.
void attach_cell(Gtk::Grid& table, Gtk::Widget& widget, int column, int row, bool expand) {
    widget.set_hexpand(expand);
    widget.set_halign(Gtk::ALIGN_FILL);
    widget.set_valign(Gtk::ALIGN_CENTER);
    table.attach(widget, column, row, 1, 1);
}

// The program's icon in every size it carries, for the window manager to pick from.
std::vector<Glib::RefPtr<Gdk::Pixbuf>> program_icons() {
    static const bool registered = (cyclotrim_icons_register_resource(), true);
    static_cast<void>(registered);
    std::vector<Glib::RefPtr<Gdk::Pixbuf>> icons;
    for (const char* size : {"16", "32", "48", "64", "128", "256"}) {
        icons.push_back(Gdk::Pixbuf::create_from_resource(
            std::string("/org/cyclotrim/Cyclotrim/icons/") + size + ".png"));
    }
    return icons;
}

void on_window1_destroy(GtkWidget*, gpointer) { quit_main_loop(); }

// Tab and Shift+Tab go through every item of the toolbar, as through any
// other container; the toolbar's own handling would leave it after its
// first item. The arrow keys keep the toolbar's handling.
bool on_toolbar2_focus(Gtk::DirectionType direction, Gtk::Toolbar* toolbar2) {
    if (direction != Gtk::DIR_TAB_FORWARD && direction != Gtk::DIR_TAB_BACKWARD) {
        return false;
    }
    GtkWidgetClass* container = GTK_WIDGET_CLASS(g_type_class_peek(GTK_TYPE_CONTAINER));
    return container->focus(GTK_WIDGET(toolbar2->gobj()), static_cast<GtkDirectionType>(direction));
}

// A menu bar item without a submenu ignores a release that comes soon after
// the press that opened the bar, so a quick click would not choose it. Exit
// is chosen on the release of any click on it.
bool on_exit1_button_release_event(GdkEventButton*, Gtk::MenuItem* exit1) {
    exit1->activate();
    return true;
}

}  // namespace

Gtk::Window* build_main_window() {
    auto* window = new Gtk::Window(Gtk::WINDOW_TOPLEVEL);
    register_window(*window, "window1");
    window->set_title("AVR Cyclotrim");
    window->set_icon_list(program_icons());

    auto& vbox1 = add_named<Gtk::Box>(*window, "vbox1", Gtk::ORIENTATION_VERTICAL, 0);
    window->add(vbox1);

    auto& menubar1 = add_named<Gtk::MenuBar>(*window, "menubar1");
    vbox1.pack_start(menubar1, false, false, 0);
    auto& exit1 = add_named<Gtk::MenuItem>(*window, "exit1", "Exit");
    menubar1.append(exit1);

    auto& toolbar2 = add_named<Gtk::Toolbar>(*window, "toolbar2");
    vbox1.pack_start(toolbar2, false, true, 0);
    // No overflow menu, which has no place for the register pickers: the
    // window is never narrower than the whole toolbar, so every control
    // stays on it, in sight and on the Tab round.
    toolbar2.set_show_arrow(false);
    auto& start_button = add_tool_button(*window, toolbar2, "start_button", "Start",
                                         "Generate the Assembler Code");
    auto& delete_button = add_tool_button(*window, toolbar2, "delete_button", "Clear",
                                          "Clear the buffer's contents");
    auto& copy_button = add_tool_button(*window, toolbar2, "copy_button", "Copy",
                                        "Copy the buffer's contents to the clipboard");

    auto& hbox3 = add_named<Gtk::Box>(*window, "hbox3", Gtk::ORIENTATION_HORIZONTAL, 10);
    auto& space = *Gtk::manage(new Gtk::SeparatorToolItem());
    space.set_draw(false);
    space.show();
    toolbar2.append(space);
    auto& hbox3_item = *Gtk::manage(new Gtk::ToolItem());
    hbox3_item.add(hbox3);
    hbox3_item.show();
    toolbar2.append(hbox3_item);
    std::vector<Gtk::Entry*> register_entries;
    for (const auto& [combo, entry, items, text, spoken_name, list_name] :
         {std::tuple{"combo1", "R0", register_items, "R16", "Register of loop WL0",
                     "Register list of loop WL0"},
          std::tuple{"combo2", "R1", register_items_or_none, "R17", "Register of loop WL1",
                     "Register list of loop WL1"},
          std::tuple{"combo3", "R2", register_items, "R18", "Register of loop WL2",
                     "Register list of loop WL2"}}) {
        // One character more than the longest register name: R is wider than the
        // font's average character, and a name one pixel too wide scrolls
        // its last character out of sight.
        Gtk::ComboBoxText& picker = add_combo(*window, combo, entry, 50, 4, items, text);
        hbox3.pack_start(picker, true, true, 0);
        name_for_screen_readers(picker, spoken_name, list_name);
        register_entries.push_back(picker.get_entry());
    }

    auto& viewport1 = add_named<Gtk::Viewport>(*window, "viewport1",
                                               Glib::RefPtr<Gtk::Adjustment>(),
                                               Glib::RefPtr<Gtk::Adjustment>());
    vbox1.pack_start(viewport1, true, true, 0);
    auto& hbox5 = add_named<Gtk::Box>(*window, "hbox5", Gtk::ORIENTATION_HORIZONTAL, 0);
    viewport1.add(hbox5);
    auto& vbox3 = add_named<Gtk::Box>(*window, "vbox3", Gtk::ORIENTATION_VERTICAL, 0);
    hbox5.pack_start(vbox3, true, true, 0);
    auto& table1 = add_named<Gtk::Grid>(*window, "table1");
    vbox3.pack_start(table1, true, true, 0);

    auto& time_no = add_named<Gtk::RadioButton>(*window, "time_no", "Cycles:");
    attach_cell(table1, time_no, 0, 0, false);
    auto& cycles = add_named<Gtk::Entry>(*window, "cycles");
    attach_cell(table1, cycles, 1, 0, true);
    cycles.set_size_request(70, -1);
    give_read_only_look(cycles);
    Gtk::RadioButton::Group group = time_no.get_group();
    auto& time_yes = add_named<Gtk::RadioButton>(*window, "time_yes", group, "Time:");
    attach_cell(table1, time_yes, 0, 1, false);
    auto& time = add_named<Gtk::Entry>(*window, "time");
    attach_cell(table1, time, 1, 1, true);
    time.set_size_request(70, -1);
    auto& label4 = add_named<Gtk::Label>(*window, "label4", "sec.");
    attach_cell(table1, label4, 2, 1, false);
    auto& label5 = add_named<Gtk::Label>(*window, "label5", "MHZ");
    attach_cell(table1, label5, 2, 2, false);
    label5.set_alignment(0.0, 0.5);
    auto& combo4 = add_combo(*window, "combo4", "MHZ", 70, 5, frequency_items, "4.000");
    attach_cell(table1, combo4, 1, 2, true);
    auto& label6 = add_named<Gtk::Label>(*window, "label6", "Fequency:");
    attach_cell(table1, label6, 0, 2, false);
    label6.set_alignment(0.0, 0.5);

    auto& scrolledwindow2 = add_named<Gtk::ScrolledWindow>(*window, "scrolledwindow2");
    hbox5.pack_start(scrolledwindow2, true, true, 0);
    scrolledwindow2.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_ALWAYS);
    // A scroll bar that is always there, and a window sized to the text's request.
    scrolledwindow2.set_overlay_scrolling(false);
    scrolledwindow2.set_propagate_natural_width(true);
    scrolledwindow2.set_propagate_natural_height(true);
    auto& text = add_named<Gtk::TextView>(*window, "text");
    scrolledwindow2.add(text);
    text.set_size_request(200, 200);
    text.set_editable(false);
    // Long lines wrap, as the old text widget's did: the window keeps its width.
    text.set_wrap_mode(Gtk::WRAP_CHAR);
    // The desktop's fixed-width font, so that the tab-aligned columns line up.
    text.set_monospace(true);

    name_for_screen_readers(cycles, "Cycle count");
    name_for_screen_readers(time, "Time in seconds");
    name_for_screen_readers(combo4, "Clock in MHz", "Clock list");
    name_for_screen_readers(scrolledwindow2, "Listing");
    name_for_screen_readers(text, "Listing");

    auto& statusbar = add_named<Gtk::Statusbar>(*window, "statusbar");
    vbox1.pack_start(statusbar, false, false, 0);

    // Signals last, so that building the window runs no handler.
    g_signal_connect(window->gobj(), "destroy", G_CALLBACK(on_window1_destroy), nullptr);
    window->signal_show().connect(sigc::bind(sigc::ptr_fun(&on_window1_show), window));
    exit1.signal_activate().connect(sigc::bind(sigc::ptr_fun(&on_exit1_activate), &exit1));
    exit1.signal_button_release_event().connect(
        sigc::bind(sigc::ptr_fun(&on_exit1_button_release_event), &exit1), false);
    start_button.signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_start_button_clicked), &start_button));
    delete_button.signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_delete_button_clicked), &delete_button));
    copy_button.signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_copy_button_clicked), &copy_button));
    time_no.signal_toggled().connect(sigc::bind(sigc::ptr_fun(&on_time_no_toggled), &time_no));
    time_yes.signal_clicked().connect(sigc::bind(sigc::ptr_fun(&on_time_yes_clicked), &time_yes));
    time_yes.signal_toggled().connect(sigc::bind(sigc::ptr_fun(&on_time_yes_toggled), &time_yes));
    for (Gtk::RadioButton* button : {&time_no, &time_yes}) {
        button->signal_key_press_event().connect(
            sigc::bind(sigc::ptr_fun(&on_input_mode_key_press_event), button), false);
    }
    time.signal_changed().connect(sigc::bind(sigc::ptr_fun(&on_time_input_changed), &time));
    Gtk::Entry& mhz = *combo4.get_entry();
    mhz.signal_changed().connect(sigc::bind(sigc::ptr_fun(&on_time_input_changed), &mhz));
    // Keyboard use: typing goes into cycles from the start, Tab reaches every
    // control, the arrow keys choose Cycles or Time, Enter in any entry runs
    // Start, Ctrl+Q chooses Exit.
    toolbar2.signal_focus().connect(
        sigc::bind(sigc::ptr_fun(&on_toolbar2_focus), &toolbar2), false);
    for (Gtk::Entry* entry : {&cycles, &time, &mhz, register_entries[0], register_entries[1],
                              register_entries[2]}) {
        entry->signal_activate().connect(
            sigc::bind(sigc::ptr_fun(&on_input_entry_activate), entry));
    }
    const Glib::RefPtr<Gtk::AccelGroup> accelerators = Gtk::AccelGroup::create();
    window->add_accel_group(accelerators);
    exit1.add_accelerator("activate", accelerators, GDK_KEY_q, Gdk::CONTROL_MASK,
                          Gtk::ACCEL_VISIBLE);
    cycles.grab_focus();
    return window;
}

}  // namespace cyclotrim
