// SPDX-License-Identifier: MIT
// Fuzzes everything a user can type before pressing Start: the cycles text,
// the three register entries, and the time and frequency texts of Time mode.
// Every input must either be refused with one of the refusal messages and
// write nothing, or produce a listing that an independent reader times at
// exactly the requested count, with every ldi constant from 1 to 255.
//
// Input: one byte whose lowest bit selects Time mode, then the texts of
// cycles, R0, R1, R2, time and MHZ, separated by newlines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "delay/start_command.hpp"
#include "delay/input/time_conversion.hpp"
#include "input_texts.hpp"
#include "readers/listing_reader.hpp"

namespace {

[[noreturn]] void property_broken(const std::string& what, const std::string& detail) {
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n%s\n", what.c_str(), detail.c_str());
    std::abort();
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool is_cycle_count_refusal(const std::string& message) {
    return message == "No cycle count: enter a whole number of cycles." ||
           message == "A delay cannot have a negative number of cycles." ||
           message == "Too many cycles: at most 2147483647.";
}

bool is_refusal_message(const std::string& message) {
    return is_cycle_count_refusal(message) ||
           (message.rfind("Choose a register for loop WL", 0) == 0 && ends_with(message, ".")) ||
           ends_with(message, " is chosen for two loops: each loop needs its own register.") ||
           message.find(" is not one register name: choose one register for loop WL") != std::string::npos ||
           (message.rfind("ldi cannot load ", 0) == 0 &&
            ends_with(message, ": choose a register from R16 to R31.")) ||
           ends_with(message, " is not a register name: choose one from R16 to R31.") ||
           ends_with(message, " names a register pair: choose one register, from R16 to R31.") ||
           message.find(" has a leading zero, which GNU as does not take: write R") !=
               std::string::npos;
}

// The count a cycles text asks for, read here on its own: -1 for no
// number, -2 for a negative one, and anything above 2^31 - 1 as 2^31.
int64_t requested_count(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') {
        return -1;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{1} << 31);
    }
    return negative && value > 0 ? -2 : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool time_mode = (data[0] & 1) != 0;
    const std::vector<std::string> fields = input_texts(data, size, 1, 6);
    std::string cycles = fields[0];
    if (time_mode) {  // Start writes the count it reads from the time and the clock, or nothing
        const cyclotrim::TimeInCycles count = cyclotrim::start_count_from_time(fields[4], fields[5]);
        cycles = count.ok ? std::to_string(count.cycles) : "none";
    }
    const cyclotrim::RegisterTexts registers{fields[1], fields[2], fields[3]};
    cyclotrim::LoopPlan plan;
    const cyclotrim::StartOutcome outcome = cyclotrim::run_start_command(cycles, registers, plan);

    const int64_t expected = requested_count(cycles);
    if (outcome.refused) {
        if (!is_refusal_message(outcome.status_message) || !outcome.listing.empty() ||
            !outcome.diagnostics.empty()) {
            property_broken("a refusal that is not one", outcome.status_message);
        }
        const bool count_is_fine = expected >= 0 && expected <= std::numeric_limits<int32_t>::max();
        if (count_is_fine == is_cycle_count_refusal(outcome.status_message)) {
            property_broken("refused for the wrong reason", cycles + " -> " + outcome.status_message);
        }
        return 0;
    }
    if (expected < 0 || expected > std::numeric_limits<int32_t>::max()) {
        property_broken("a listing for a count that should be refused", cycles);
    }
    const ListingReading reading = read_listing(outcome.listing);
    if (!reading.ok || reading.cycles != expected || reading.header_cycles != expected) {
        property_broken("the listing does not take " + std::to_string(expected) + " cycles: " +
                            reading.problem + " read " + std::to_string(reading.cycles),
                        outcome.listing);
    }
    return 0;
}
