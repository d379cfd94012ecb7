// SPDX-License-Identifier: MIT
// The companion's listings, built by the real tools and run in simavr:
// listings from a time, named listings and GNU as listings that share one file, C
// statements compiled by avr-gcc, and subroutines timed from their call.
#include <gtest/gtest.h>

#include <string>

#include "avr_bench.hpp"
#include "companion_output.hpp"
#include "test_io.hpp"

// A listing for a time, with its comment line, takes the rounded count.
TEST(ListingFormsTiming, ListingsFromATimeTakeTheRoundedCount) {
    struct Case { const char* arguments; int64_t cycles; };
    for (const Case& c : {Case{"-t 0.7 -f 1MHz", 700000},
                          Case{"-t 1ms -f 7.3728 --round nearest", 7373}}) {
        const AssembledProgram program = assemble_with_avra(generate(c.arguments), "from-time");
        ASSERT_TRUE(program.ok) << program.tool_output;
        EXPECT_EQ(measure_cycles(program.hex_path, c.cycles + 1000), c.cycles) << c.arguments;
    }
}

TEST(ListingFormsTiming, NamedListingsShareOneAvraFile) {
    const std::string source =
        generate("--name first 1000") + generate("--name second -r R20,R21,R22 27891567");
    const AssembledProgram program = assemble_with_avra(source, "named");
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, 27893000), 1000 + 27891567);
}

// The same listing twice, and a compact one with a pad, inside a loop of
// the file's own whose local label 1 their labels must not catch: two
// passes, its ldi, dec and brne around them.
TEST(ListingFormsTiming, GnuListingsRepeatInOneFile) {
    const std::string twice = generate("--syntax gnu 600001");
    const AssembledProgram program = assemble_with_gnu_as(
        "\tldi r20,2\n1:\n" + twice + twice + generate("--compact --syntax=gnu 1002") +
            "\tdec r20\n\tbrne 1b\n",
        "gnu-forms");
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, 2500000), 2 * (600001 + 600001 + 1002) + 6);
}

// Exact at every optimisation level, with either compiler: the statement's
// registers are clobbers, so nothing is stored or loaded around it.
TEST(ListingFormsTiming, CStatementsTakeTheirCyclesAtEveryLevel) {
    const std::string source = "int main(void) {\n"
                               "    __asm__ __volatile__(\"delay_start:\");\n" +
                               generate("--syntax c 2") + generate("--syntax c 1000") +
                               generate("--syntax c 27891567") +
                               "    __asm__ __volatile__(\"delay_end:\");\n"
                               "    for (;;) {\n    }\n}\n";
    for (const char* compiler : {"avr-gcc -O0", "avr-gcc -O1", "avr-gcc -O2", "avr-gcc -Os",
                                 "avr-gcc -O3 -funroll-loops", "clang --target=avr -O0",
                                 "clang --target=avr -Os"}) {
        const AssembledProgram program = compile_with_avr_gcc(source, "c-forms", compiler);
        ASSERT_TRUE(program.ok) << compiler << ": " << program.tool_output;
        const int64_t start = symbol_address(program, "delay_start");
        const int64_t end = symbol_address(program, "delay_end");
        ASSERT_GE(start, 0) << compiler;
        ASSERT_GT(end, start) << compiler;
        EXPECT_EQ(measure_cycles_between(program.hex_path, "atmega328p", start, end, 27900000),
                  2 + 1000 + 27891567)
            << compiler;
    }
}

// From the first cycle of the call to the instruction after it, the
// subroutine takes the count asked for, pushes and pops included; with
// --save, the caller's registers come back as they were.
TEST(ListingFormsTiming, SubroutinesCountTheirCallAndReturn) {
    struct Core { const char* name; const char* mcu; const char* device; const char* stack_top; };
    const Core classic{"avre", "atmega328p", "ATmega328P", "0x08"};
    const Core long_pc{"avre22", "atmega2560", "ATmega2560", "0x21"};
    struct Case { Core core; const char* options; int64_t cycles; };
    const Case cases[] = {
        {classic, "", 1000},       {classic, "--save -r R20,R19,R18", 600000},
        {classic, "--call", 8},    {classic, "--call --save", 11},  // too short to save: nops
        {long_pc, "", 9},          {long_pc, "--save", 27891567},
        {long_pc, "--call", 1530}, {long_pc, "--call --save", 196608},
        {classic, "--syntax gnu --save", 2000}, {long_pc, "--syntax gnu --call", 600000},
    };
    // The caller's values of the registers a delay may use.
    const uint8_t before[] = {0x11, 0x22, 0x33, 0x44, 0x55};  // R16 to R20
    std::string load_registers;
    for (int i = 0; i < 5; ++i) {
        load_registers += "\tldi r" + std::to_string(16 + i) + "," + std::to_string(before[i]) + "\n";
    }
    for (const Case& c : cases) {
        const std::string options = std::string(c.options) + " --core " + c.core.name;
        const bool long_call = options.find("--call") != std::string::npos;
        const bool gnu = options.find("gnu") != std::string::npos;
        // Sets the stack pointer (4 words) and the registers (5), then calls
        // from byte address 18.
        const std::string caller = "\tldi r16," + std::string(c.core.stack_top) +
                                   "\n\tout 0x3e,r16\n\tldi r16,0xff\n\tout 0x3d,r16\n" +
                                   load_registers + (long_call ? "\tcall" : "\trcall") +
                                   " wait\nafter_call:\trjmp after_call\n";
        const std::string subroutine =
            generate("--name wait --subroutine " + options + " " + std::to_string(c.cycles));
        const AssembledProgram program =
            gnu ? assemble_with_gnu_as(caller + subroutine, "subroutine", c.core.mcu)
                : assemble_avra_source(".device " + std::string(c.core.device) + "\n" + caller +
                                           subroutine, "subroutine");
        ASSERT_TRUE(program.ok) << options << ": " << program.tool_output;
        std::array<uint8_t, 32> after{};
        EXPECT_EQ(measure_cycles_between(program.hex_path, c.core.mcu, 18, long_call ? 22 : 20,
                                         c.cycles + 1000, &after),
                  c.cycles)
            << options;
        if (options.find("--save") != std::string::npos) {
            for (int i = 0; i < 5; ++i) {
                EXPECT_EQ(after[16 + i], before[i]) << options << ": R" << 16 + i;
            }
        }
    }
    for (const char* too_few : {"--core avre 6", "--core avre22 --call 9"}) {
        int status = -1;
        command_output(std::string(CYCLOTRIM_GEN) + " --name wait --subroutine " + too_few +
                           " 2>/dev/null", &status);
        EXPECT_EQ(status, 2) << too_few;
    }
}
