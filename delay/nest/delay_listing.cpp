// SPDX-License-Identifier: MIT
#include "delay/nest/delay_listing.hpp"

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

void write_nest(size_t nest_index, const LoopPlan& nest, const std::vector<std::string>& registers,
                const LoopLabels& labels, DelayListing& listing) {
    const int32_t n = nest.register_count;
    for (int32_t i = 0; i < n; ++i) {
        listing.text += format_text("\tldi %s,0x%x\n%s:", registers[i].c_str(),
                                    static_cast<unsigned>(nest.best_counters[n - 1 - i]),
                                    labels.defined(nest_index, i).c_str());
        listing.line_count += 1;
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        listing.text += format_text("\tdec %s\n\tbrne %s\n", registers[i].c_str(),
                                    labels.target(nest_index, i).c_str());
        listing.line_count += 2;
    }
}

}  // namespace

std::string numeric_label(int32_t number) { return std::to_string(90000 + number); }

std::string LoopLabels::defined(size_t nest, int32_t loop) const {
    if (stem_.empty()) {
        return numeric_label(loop + 1);
    }
    return nest == 0 ? format_text("%s%i", stem_.c_str(), loop)
                     : format_text("%s%i_%i", stem_.c_str(), loop, static_cast<int>(nest + 1));
}

std::string LoopLabels::target(size_t nest, int32_t loop) const {
    return stem_.empty() ? defined(nest, loop) + "b" : defined(nest, loop);
}

std::string LoopLabels::rest_defined() const { return stem_.empty() ? numeric_label(1) : stem_ + "rest"; }

std::string LoopLabels::rest_target() const { return stem_.empty() ? rest_defined() + "b" : rest_defined(); }

std::string LoopLabels::second_rest_defined() const {
    return stem_.empty() ? rest_defined() : rest_defined() + "_2";
}

std::string LoopLabels::second_rest_target() const {
    return stem_.empty() ? rest_target() : second_rest_defined();
}

DelayListing write_delay_listing(const DelayPlan& plan, const std::vector<std::string>& registers,
                                 const LoopLabels& labels) {
    DelayListing listing;
    const bool has_nest = !plan.nests.empty();
    listing.text = format_text(
        ";<===   Delay loop   ===>\n; %i cycles\n; %i registers used\n"
        ";------------------------\n;delaying %i cycles\n\n",
        plan.requested_cycles, has_nest ? plan.nests[0].register_count : 0,
        has_nest ? plan.nests[0].achieved_cycles : 0);
    for (size_t k = 0; k < plan.nests.size(); ++k) {
        if (k > 0) {
            listing.text += format_text("\n;delaying %i cycles\n", plan.nests[k].achieved_cycles);
        }
        write_nest(k, plan.nests[k], registers, labels, listing);
    }
    if (plan.rest_counter > 0) {
        listing.text += format_text("\n;delaying %i cycles\n", 3 * plan.rest_counter + plan.nop_count);
        listing.text += format_text("\tldi %s,0x%x\n%s:\tdec %s\n\tbrne %s\n",
                                    registers[0].c_str(), static_cast<unsigned>(plan.rest_counter),
                                    labels.rest_defined().c_str(), registers[0].c_str(),
                                    labels.rest_target().c_str());
        listing.line_count += 3;
    }
    if (plan.nop_count > 0) {
        listing.text += format_text("\n;delaying %i cycles\n", plan.nop_count);
        for (int32_t i = 0; i < plan.nop_count; ++i) {
            listing.text += "\tnop\n";
        }
        listing.line_count += plan.nop_count;
    }
    return listing;
}

std::string diagnostic_lines(const DelayPlan& plan, const LoopPlan& first_nest) {
    return format_text("cycles=%i\n", plan.requested_cycles) +
           format_text("max_registers= %i\n", first_nest.register_count) +
           format_text("=>Cmax=%i, r[0]=%i r[1]=%i r[2]=%i, max_regs=%i\n",
                       first_nest.achieved_cycles, first_nest.best_counters[0],
                       first_nest.best_counters[1], first_nest.best_counters[2],
                       first_nest.register_count) +
           format_text("Cmax: %i\n", plan.rest_quotient);
}

}  // namespace cyclotrim
