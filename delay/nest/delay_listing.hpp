// SPDX-License-Identifier: MIT
// The assembler listing of a planned delay and the diagnostic lines that
// accompany it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "delay/nest/delay_plan.hpp"

namespace cyclotrim {

// The GNU as local label `number` (1 to 9) of a listing: 9000 and then the
// number. A local label branches to the nearest of its number, so a listing
// pasted between a file's own 1: and rjmp 1b would capture that jump if it
// used 1 too; five digits keep it out of the way of hand-written labels.
std::string numeric_label(int32_t number);

// How a listing labels its loops. Loop i (0 = outermost) of nest k
// (0 = first) is WLi in the first nest and WLi_(k+1) after it, the rest loop
// WLrest. A named listing's labels are NAME__ followed by the same suffix
// (NAME__0, NAME__0_2, NAME__rest): a name without "__" of its own thus
// never defines a label of another name; a part of a named listing that
// holds several delays labels its loops NAME__PART_0, NAME__PART_rest.
// Numeric local labels (90001:, brne 90001b), which any number of listings
// can repeat in one file, number the loops from 90001 outwards in (see
// numeric_label).
class LoopLabels {
public:
    static LoopLabels window() { return LoopLabels("WL"); }
    static LoopLabels named(const std::string& name) { return LoopLabels(name + "__"); }
    static LoopLabels named_part(const std::string& name, const std::string& part) {
        return LoopLabels(name + "__" + part + "_");
    }
    static LoopLabels numeric() { return LoopLabels(""); }

    // The label as it is defined, without its colon.
    std::string defined(size_t nest, int32_t loop) const;
    // The label as brne names it.
    std::string target(size_t nest, int32_t loop) const;
    std::string rest_defined() const;
    std::string rest_target() const;
    // The second loop after the rest loop: numeric local labels repeat the
    // rest loop's.
    std::string second_rest_defined() const;
    std::string second_rest_target() const;

private:
    explicit LoopLabels(std::string stem) : stem_(std::move(stem)) {}
    std::string stem_;  // empty for numeric local labels
};

struct DelayListing {
    std::string text;
    // Instruction lines only; comments, labels alone and blank lines are not counted.
    int32_t line_count = 0;
};

// Writes the listing for `plan`. `registers[i]` is the register of loop WLi
// (0 = outermost); there must be at least plan.registers_used() of them.
DelayListing write_delay_listing(const DelayPlan& plan, const std::vector<std::string>& registers,
                                 const LoopLabels& labels = LoopLabels::window());

// The four diagnostic lines of one run, newline-terminated. `first_nest` is
// the long-lived plan that the first nest was searched in.
std::string diagnostic_lines(const DelayPlan& plan, const LoopPlan& first_nest);

}  // namespace cyclotrim
