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
};

// Runs Start for the given entry texts. `plan` is the long-lived loop plan
// of the session; it is only updated when a listing is written.
StartOutcome run_start_command(std::string_view cycles_text, const RegisterTexts& register_texts,
                               LoopPlan& plan);

}  // namespace cyclotrim
