// SPDX-License-Identifier: MIT
// Real AVR tools for the timing tests: assemble a listing with avra or GNU
// as, run the result in simavr, and count the cycles it takes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct AssembledProgram {
    bool ok = false;
    std::string tool_output;  // what the assembler printed, for failure messages
    std::string hex_path;
    std::string elf_path;     // GNU tools only
};

// Assembles a whole avra source file. Any warning counts as a failure.
AssembledProgram assemble_avra_source(const std::string& source, const std::string& name);

// Assembles `listing` for an ATmega328P with avra, followed by a jump to
// itself that marks the end. Any warning counts as a failure.
AssembledProgram assemble_with_avra(const std::string& listing, const std::string& name);

// The same with GNU avr-as, linked for `mcu` with nothing else.
AssembledProgram assemble_with_gnu_as(const std::string& listing, const std::string& name,
                                      const std::string& mcu = "atmega328p");

// Compiles a C file for an ATmega328P with `compiler` (a command and its
// optimisation level, such as "avr-gcc -O2" or "clang --target=avr -O0")
// and links it with avr-gcc's start-up code and, if given, with a GNU
// assembler file (a .S file).
AssembledProgram compile_with_avr_gcc(const std::string& source, const std::string& name,
                                      const std::string& compiler = "avr-gcc -O2",
                                      const std::string& assembler_source = "");

// The bytes of code in a HEX file, 0 if it cannot be read.
uint32_t program_bytes(const std::string& hex_path);

// The byte address of a symbol of the program's ELF file, -1 if there is none.
int64_t symbol_address(const AssembledProgram& program, const std::string& symbol);

// Runs the program on `mcu` from reset and counts the cycles from the first
// time the program counter reaches byte address `start` to the first time it
// reaches `end` after that; -1 if that does not happen within `limit` cycles.
// `registers`, if given, gets the register file r0 to r31 as it is at `end`.
int64_t measure_cycles_between(const std::string& hex_path, const char* mcu, uint32_t start,
                               uint32_t end, int64_t limit,
                               std::array<uint8_t, 32>* registers = nullptr);

// Runs the program on `mcu` from reset and gives the cycle counts at which
// bit `bit` of the data byte at `data_address` (an I/O port) changed, the
// first `changes` of them, or fewer if `limit` cycles pass first.
std::vector<int64_t> pin_change_cycles(const std::string& hex_path, const char* mcu,
                                       uint16_t data_address, int bit, size_t changes,
                                       int64_t limit);

// Cycles from the first instruction of the program to the end marker, or
// -1 if the end is not reached within `limit` cycles.
int64_t measure_cycles(const std::string& hex_path, int64_t limit);
