// SPDX-License-Identifier: MIT
#include "delay/forms/subroutine_plan.hpp"

namespace cyclotrim {

namespace {

struct CoreEntry {
    AvrCore core;
    const char* name;
};

constexpr CoreEntry core_names[] = {{AvrCore::avre, "avre"},
                                    {AvrCore::avre22, "avre22"},
                                    {AvrCore::avrxt, "avrxt"},
                                    {AvrCore::avrxm, "avrxm"},
                                    {AvrCore::avrrc, "avrrc"}};

// A body of nops only: it needs no register.
DelayPlan nops_only(int32_t cycles) {
    DelayPlan plan;
    plan.requested_cycles = cycles;
    plan.rest_quotient = cycles / 3;
    plan.nop_count = cycles;
    return plan;
}

}  // namespace

std::optional<AvrCore> avr_core_named(const std::string& name) {
    for (const CoreEntry& entry : core_names) {
        if (name == entry.name) {
            return entry.core;
        }
    }
    return std::nullopt;
}

const char* avr_core_name(AvrCore core) {
    for (const CoreEntry& entry : core_names) {
        if (core == entry.core) {
            return entry.name;
        }
    }
    return "";
}

std::optional<CallCosts> call_costs(AvrCore core, bool long_call) {
    switch (core) {
        case AvrCore::avre:  // classic, 16-bit program counter
            return CallCosts{long_call ? 4 : 3, 4, 2, 2};
        case AvrCore::avre22:  // classic, 22-bit program counter
            return CallCosts{long_call ? 5 : 4, 5, 2, 2};
        case AvrCore::avrxt:
        case AvrCore::avrxm:
            return CallCosts{long_call ? 3 : 2, 4, 1, 2};
        case AvrCore::avrrc:
            break;
    }
    return std::nullopt;
}

std::optional<SubroutinePlan> plan_subroutine(int32_t cycles, const CallCosts& costs, bool save) {
    const int32_t body = cycles - costs.call - costs.ret;
    if (body < 0) {
        return std::nullopt;
    }
    LoopPlan first_nest;
    if (!save) {
        return SubroutinePlan{plan_delay(body, first_nest), 0};
    }
    // The fewest saved registers that pay for a body using no more of them.
    const int32_t per_register = costs.push + costs.pop;
    for (int32_t saved = 0; saved <= max_nest_levels && body - saved * per_register >= 0; ++saved) {
        DelayPlan plan = plan_delay(body - saved * per_register, first_nest);
        if (plan.registers_used() <= saved) {
            return SubroutinePlan{std::move(plan), saved};
        }
    }
    return SubroutinePlan{nops_only(body), 0};
}

}  // namespace cyclotrim
