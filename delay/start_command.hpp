// SPDX-License-Identifier: MIT
// The Start command without its window: from the texts of the `cycles`
// entry and the register entries to the listing, the diagnostic lines and
// the status-bar message, or to a refusal that explains what to change.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "delay/nest/loop_search.hpp"

namespace cyclotrim {

using RegisterTexts = std::array<std::string, max_nest_levels>;

// The register entries' defaults, outermost loop first.
const RegisterTexts& default_register_texts();

struct StartOutcome {
    bool refused = false;
    // Appended to the listing buffer; empty when refused.
    std::string listing;
    // Printed on standard output; empty when refused.
    std::string diagnostics;
    // Replaces the status-bar message: the line count, or why nothing was written.
    std::string status_message;
    // In Time mode, the count read from the time and the clock, for the
    // cycles entry; empty when they gave none.
    std::string cycles_text;
};

// The window's entries behind one Start.
struct StartEntries {
    bool time_mode = false;  // Time chosen: the count comes from the time and the clock
    std::string cycles;
    std::string time;
    std::string clock;
    RegisterTexts registers = default_register_texts();
};

// Runs Start for the given entry texts. `plan` is the long-lived loop plan
// of the session; it is only updated when a listing is written.
StartOutcome run_start_command(std::string_view cycles_text, const RegisterTexts& register_texts,
                               LoopPlan& plan);

// Runs Start for the window's entries. In Cycles mode on the cycle count,
// the status first naming any text after its number; in Time mode on the
// time and the clock, read again (the cycles entry may hold the count of
// earlier texts), or refused, with the reason, when they give no count.
StartOutcome run_window_start(const StartEntries& entries, LoopPlan& plan);

}  // namespace cyclotrim
