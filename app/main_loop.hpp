// SPDX-License-Identifier: MIT
// Ending the program's main loop, for closing the window and for Exit.
#pragma once

namespace cyclotrim {

// Makes the running application's main loop return; does nothing when no
// application runs.
void quit_main_loop();

}  // namespace cyclotrim
