// SPDX-License-Identifier: MIT
#include "delay/start_command.hpp"

#include <vector>

#include "delay/branch_reach.hpp"
#include "delay/nest/delay_listing.hpp"
#include "delay/nest/delay_plan.hpp"
#include "delay/input/entry_parsing.hpp"
#include "delay/input/reading_notes.hpp"
#include "delay/input/register_choice.hpp"
#include "delay/input/time_conversion.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

StartOutcome refusal(std::string message) {
    StartOutcome outcome;
    outcome.refused = true;
    outcome.status_message = std::move(message);
    return outcome;
}

// A picker's text that holds a second word after the register's name: a
// listing would silently use the first word only.
bool holds_more_than_one_word(std::string_view text) {
    const std::string name = first_word(text);
    return !first_word(text.substr(text.find(name) + name.size())).empty();
}

}  // namespace

const RegisterTexts& default_register_texts() {
    static const RegisterTexts defaults{"R16", "R17", "R18"};
    return defaults;
}

StartOutcome run_start_command(std::string_view cycles_text, const RegisterTexts& register_texts,
                               LoopPlan& plan) {
    const CycleText request = parse_cycle_text(cycles_text);
    if (request.problem != CycleTextProblem::none) {
        return refusal(cycle_text_refusal(request.problem));
    }
    LoopPlan searched = plan;
    const DelayPlan delay = plan_delay(static_cast<int32_t>(request.cycles), searched);

    std::vector<std::string> registers;
    for (int32_t i = 0; i < delay.registers_used(); ++i) {
        if (holds_more_than_one_word(register_texts[i])) {
            return refusal(format_text(
                "\"%s\" is not one register name: choose one register for loop WL%i.",
                std::string(without_surrounding_blanks(register_texts[i])).c_str(), i));
        }
        registers.push_back(first_word(register_texts[i]));
    }
    if (auto why = register_refusal(registers)) {
        return refusal(std::move(*why));
    }

    const DelayListing listing = write_delay_listing(delay, registers);
    if (std::optional<std::string> problem = branch_reach_problem(listing.text, ListingText::avra)) {
        return refusal(std::move(*problem));
    }
    plan = searched;
    StartOutcome outcome;
    outcome.listing = listing.text;
    outcome.diagnostics = diagnostic_lines(delay, plan);
    outcome.status_message =
        format_text("Created %i lines of assembler code.", listing.line_count);
    return outcome;
}

StartOutcome run_window_start(const StartEntries& entries, LoopPlan& plan) {
    if (!entries.time_mode) {
        StartOutcome outcome = run_start_command(entries.cycles, entries.registers, plan);
        outcome.status_message = status_naming_ignored_text(outcome.status_message, entries.cycles);
        return outcome;
    }
    const TimeInCycles count = start_count_from_time(entries.time, entries.clock);
    if (!count.ok) {
        return refusal(count.comment_or_problem);
    }
    const std::string cycles_text = std::to_string(count.cycles);
    StartOutcome outcome = run_start_command(cycles_text, entries.registers, plan);
    outcome.cycles_text = cycles_text;
    return outcome;
}

}  // namespace cyclotrim
