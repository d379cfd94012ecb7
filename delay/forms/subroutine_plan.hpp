// SPDX-License-Identifier: MIT
// A delay written as a subroutine whose cycles include its own call and
// return, and the push and pop of the registers it saves. Calls and the
// stack cost different cycles on different AVR cores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "delay/nest/delay_plan.hpp"

namespace cyclotrim {

enum class AvrCore { avre, avre22, avrxt, avrxm, avrrc };

// The core named on the command line (avre, avre22, avrxt, avrxm, avrrc).
std::optional<AvrCore> avr_core_named(const std::string& name);
const char* avr_core_name(AvrCore core);

struct CallCosts {
    int32_t call = 0;  // rcall, or call
    int32_t ret = 0;
    int32_t push = 0;
    int32_t pop = 0;
};

// The cycles of a call and the stack on `core`, or nothing where they are
// not known well enough to promise an exact delay (the reduced core).
std::optional<CallCosts> call_costs(AvrCore core, bool long_call);

struct SubroutinePlan {
    DelayPlan body;               // the delay between the pushes and the pops
    int32_t saved_registers = 0;  // pushed on entry, popped before ret
};

// Plans a subroutine of `cycles` in all. With `save`, the registers the
// body uses are saved, their push and pop counted; where the body needs
// fewer registers than the cycles left for saving allow, one more may be
// saved than used, and a body too short to pay for a push and pop is made
// of nops. Nothing when `cycles` is below costs.call + costs.ret.
std::optional<SubroutinePlan> plan_subroutine(int32_t cycles, const CallCosts& costs, bool save);

}  // namespace cyclotrim
