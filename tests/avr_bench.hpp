// Real AVR tools for the timing tests: assemble a listing with avra or GNU
// as, run the result in simavr, and count the cycles it takes.
#pragma once

#include <cstdint>
#include <string>

struct AssembledProgram {
    bool ok = false;
    std::string tool_output;  // what the assembler printed, for failure messages
    std::string hex_path;
};

// Assembles `listing` for an ATmega328P with avra, followed by a jump to
// itself that marks the end. Any warning counts as a failure.
AssembledProgram assemble_with_avra(const std::string& listing, const std::string& name);

// The same with GNU avr-as and avr-ld.
AssembledProgram assemble_with_gnu_as(const std::string& listing, const std::string& name);

// Cycles from the first instruction of the program to the end marker, or
// -1 if the end is not reached within `limit` cycles.
int64_t measure_cycles(const std::string& hex_path, int64_t limit);
