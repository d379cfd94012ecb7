// SPDX-License-Identifier: MIT
#include "cli/generator.hpp"

#include "cli/command_line.hpp"
#include "delay/input/entry_parsing.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

GeneratorRun refuse(const std::string& message) {
    GeneratorRun run;
    run.status = exit_refused;
    run.err = "cyclotrim-gen: " + message + "\n";
    return run;
}

GeneratorRun usage_error(const std::string& message) {
    GeneratorRun run = refuse(message);
    run.err += "Try 'cyclotrim-gen --help' for more information.\n";
    return run;
}

GeneratorRun written(std::string text) {
    GeneratorRun run;
    run.out = std::move(text);
    return run;
}

// The refusal for a CYCLES operand: the window's wording, except that text
// which is no whole number is quoted.
std::string cycle_count_refusal(const std::string& text, CycleTextProblem problem, int64_t limit) {
    if (problem == CycleTextProblem::no_number) {
        return format_text(
            "\"%s\" is not a cycle count: give a whole number of cycles, such as 1000.",
            text.c_str());
    }
    return cycle_text_refusal(problem, limit);
}

}  // namespace

GeneratorRun run_generator(const std::vector<std::string>& arguments) {
    const CommandLine line = read_command_line(arguments);
    if (!line.usage_error.empty()) {
        return usage_error(line.usage_error);
    }
    const GeneratorRequest& request = line.request;
    if (request.help) {
        return written(generator_help());
    }
    if (request.version) {
        return written("cyclotrim-gen (Cyclotrim) " CYCLOTRIM_VERSION "\n");
    }

    if (auto why = given_registers_refusal(request.registers_given, request.form)) {
        return refuse(*why);
    }
    // A compact delay's counter has up to 32 bits; the other forms keep the window's limit.
    const int64_t limit = request.form.compact ? max_compact_cycle_count : max_cycle_count;
    int64_t cycles = 0;
    std::string time_comment;
    if (request.time_text) {
        const QuantityReading time = read_time(*request.time_text);
        if (!time.ok) {
            return refuse(time.problem);
        }
        const QuantityReading clock = read_clock(request.clock_text);
        if (!clock.ok) {
            return refuse(clock.problem);
        }
        const TimeInCycles converted =
            cycles_for_time(time.quantity, clock.quantity, request.rounding, limit);
        if (!converted.ok) {
            return refuse(converted.comment_or_problem);
        }
        cycles = converted.cycles;
        time_comment = converted.comment_or_problem;
        if (request.form.variable) {
            // A run-time delay repeats the rounded unit: its error grows with n.
            const int32_t largest = largest_count(request.form.variable->count_bits);
            const std::string off =
                deviation_after(time.quantity, clock.quantity, request.rounding, largest);
            time_comment = "a unit of " + time_comment;
            if (!off.empty()) {
                time_comment += format_text("\nat n = %i, the largest: %s", largest, off.c_str());
            }
        }
    } else {
        const CycleText count = parse_whole_cycle_count(*request.cycles_text, limit);
        if (count.problem != CycleTextProblem::none) {
            return refuse(cycle_count_refusal(*request.cycles_text, count.problem, limit));
        }
        cycles = count.cycles;
    }

    const FormedListing formed =
        request.form.compact
            ? write_compact_in_form(cycles, request.form, time_comment)
            : write_listing_in_form(static_cast<int32_t>(cycles), request.registers,
                                    request.form, time_comment);
    if (formed.refused) {
        return refuse(formed.refusal);
    }
    return written(formed.text);
}

}  // namespace cyclotrim
