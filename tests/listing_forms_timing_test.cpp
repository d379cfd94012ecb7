// The companion's listings, built by the real tools and run in simavr:
// listings from a time, named listings and GNU as listings that share one file, C
// statements compiled by avr-gcc, and subroutines timed from their call.
#include <gtest/gtest.h>

#include <string>

#include "avr_bench.hpp"
#include "test_io.hpp"

namespace {

std::string generate(const std::string& arguments) {
    int status = -1;
    const std::string out = command_output(std::string(CYCLOTRIM_GEN) + " " + arguments, &status);
    EXPECT_EQ(status, 0) << arguments;
    return out;
}

}  // namespace

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

TEST(ListingFormsTiming, GnuListingsRepeatInOneFile) {
    const std::string twice = generate("--syntax gnu 600001");
    const AssembledProgram program =
        assemble_with_gnu_as(twice + twice + generate("--syntax=gnu 1000"), "gnu-forms");
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, 1300000), 600001 + 600001 + 1000);
}

TEST(ListingFormsTiming, CStatementsTakeTheirCyclesUnderAvrGcc) {
    const std::string source = "int main(void) {\n"
                               "    __asm__ __volatile__(\"delay_start:\");\n" +
                               generate("--syntax c 2") + generate("--syntax c 1000") +
                               generate("--syntax c 27891567") +
                               "    __asm__ __volatile__(\"delay_end:\");\n"
                               "    for (;;) {\n    }\n}\n";
    const AssembledProgram program = compile_with_avr_gcc(source, "c-forms");
    ASSERT_TRUE(program.ok) << program.tool_output;
    const int64_t start = symbol_address(program, "delay_start");
    const int64_t end = symbol_address(program, "delay_end");
    ASSERT_GE(start, 0);
    ASSERT_GT(end, start);
    EXPECT_EQ(measure_cycles_between(program.hex_path, "atmega328p", start, end, 27900000),
              2 + 1000 + 27891567);
}

// From the first cycle of the call to the instruction after it, the
// subroutine takes the count asked for, pushes and pops included.
TEST(ListingFormsTiming, SubroutinesCountTheirCallAndReturn) {
    struct Core { const char* name; const char* mcu; const char* device; const char* stack_top; };
    const Core classic{"avre", "atmega328p", "ATmega328P", "0x08"};
    const Core long_pc{"avre22", "atmega2560", "ATmega2560", "0x21"};
    struct Case { Core core; const char* options; int64_t cycles; };
    const Case cases[] = {
        {classic, "", 1000},       {classic, "--save", 600000},
        {classic, "--call", 8},    {classic, "--call --save", 11},  // too short to save: nops
        {long_pc, "", 9},          {long_pc, "--save", 27891567},
        {long_pc, "--call", 1530}, {long_pc, "--call --save", 196608},
    };
    for (const Case& c : cases) {
        const std::string options = std::string(c.options) + " --core " + c.core.name;
        const bool long_call = options.find("--call") != std::string::npos;
        // Sets the stack pointer (4 words), then calls from byte address 8.
        const std::string source =
            std::string(".device ") + c.core.device + "\n\tldi r16," + c.core.stack_top +
            "\n\tout 0x3e,r16\n\tldi r16,0xff\n\tout 0x3d,r16\n\t" +
            (long_call ? "call" : "rcall") + " wait\nend_of_delay:\trjmp end_of_delay\n" +
            generate("--name wait --subroutine " + options + " " + std::to_string(c.cycles));
        const AssembledProgram program = assemble_avra_source(source, "subroutine");
        ASSERT_TRUE(program.ok) << program.tool_output;
        EXPECT_EQ(measure_cycles_between(program.hex_path, c.core.mcu, 8, long_call ? 12 : 10,
                                         c.cycles + 1000),
                  c.cycles)
            << options;
    }
    for (const char* too_few : {"--core avre 6", "--core avre22 --call 9"}) {
        int status = -1;
        command_output(std::string(CYCLOTRIM_GEN) + " --name wait --subroutine " + too_few +
                           " 2>/dev/null", &status);
        EXPECT_EQ(status, 2) << too_few;
    }
}
