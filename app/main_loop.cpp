// SPDX-License-Identifier: MIT
#include "app/main_loop.hpp"

#include <giomm/application.h>

namespace cyclotrim {

void quit_main_loop() {
    if (const Glib::RefPtr<Gio::Application> application = Gio::Application::get_default()) {
        application->quit();
    }
}

}  // namespace cyclotrim
