#include "delay/delay_listing.hpp"

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// Label of loop `loop` (0 = outermost) in nest `nest` (0 = first): WL0 for
// the first nest, WL0_2 for the second, and so on.
std::string loop_label(size_t nest, int32_t loop) {
    return nest == 0 ? format_text("WL%i", loop)
                     : format_text("WL%i_%i", loop, static_cast<int>(nest + 1));
}

void write_nest(size_t nest_index, const LoopPlan& nest, const std::vector<std::string>& registers,
                DelayListing& listing) {
    const int32_t n = nest.register_count;
    for (int32_t i = 0; i < n; ++i) {
        listing.text += format_text("\tldi %s,0x%x\n%s:", registers[i].c_str(),
                                    static_cast<unsigned>(nest.best_counters[n - 1 - i]),
                                    loop_label(nest_index, i).c_str());
        listing.line_count += 1;
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        listing.text += format_text("\tdec %s\n\tbrne %s\n", registers[i].c_str(),
                                    loop_label(nest_index, i).c_str());
        listing.line_count += 2;
    }
}

}  // namespace

DelayListing write_delay_listing(const DelayPlan& plan, const std::vector<std::string>& registers) {
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
        write_nest(k, plan.nests[k], registers, listing);
    }
    if (plan.rest_counter > 0) {
        listing.text += format_text("\n;delaying %i cycles\n", 3 * plan.rest_counter + plan.nop_count);
        listing.text += format_text("\tldi %s,0x%x\nWLrest:\tdec %s\n\tbrne WLrest\n",
                                    registers[0].c_str(), static_cast<unsigned>(plan.rest_counter),
                                    registers[0].c_str());
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
