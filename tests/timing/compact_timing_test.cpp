// SPDX-License-Identifier: MIT
// Compact delays on real tools: counts of every part of a plan assembled with avra
// and GNU as and compiled by avr-gcc at -O0 and -Os, timed in simavr;
// subroutines timed from their call; and their words against avr-gcc's
// __builtin_avr_delay_cycles on a seeded sample of counts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "avr_bench.hpp"
#include "delay/forms/compact_plan.hpp"
#include "companion_output.hpp"
#include "test_io.hpp"

using cyclotrim::CompactRegisters;

namespace {

// The words the listing's header states ("N cycles in W words").
int64_t stated_words(const std::string& listing) {
    const size_t at = listing.find(" cycles in ");
    return at == std::string::npos ? -1 : std::strtoll(listing.c_str() + at + 11, nullptr, 10);
}

// What a plan is made of: its loop's count-down and bytes, padding in its
// body and after it, an outer loop around it, a loop after it.
std::set<std::string> parts_of(int64_t cycles, const CompactRegisters& usable) {
    const std::optional<cyclotrim::CompactPlan> plan = plan_compact_delay(cycles, usable);
    if (!plan) {
        return {"refused"};
    }
    if (!plan->loop) {
        return {plan->padding > 0 ? "padding alone" : "nothing"};
    }
    const char* const count_downs[] = {"dec", "subi", "sbiw"};
    const std::string loop = std::string(count_downs[static_cast<int>(plan->loop->count_down)]) +
                             " " + std::to_string(plan->loop->bytes);
    std::set<std::string> parts{loop};
    if (plan->loop->body_padding > 0) {
        parts.insert(loop + " body padding");
    }
    if (plan->padding > 0) {
        parts.insert(loop + " padding after");
    }
    if (plan->outer) {
        parts.insert((plan->outer->reloads_loop ? "outer loop around " : "outer loop loading once ") + loop);
    }
    if (plan->following[0]) {
        parts.insert("loop after of " + std::to_string(plan->following[0]->bytes) + " bytes");
    }
    if (plan->following[1]) {
        parts.insert("second loop after of " + std::to_string(plan->following[1]->bytes) + " bytes");
    }
    return parts;
}

// Counts whose plans hold every part: no loop, a loop of each size with
// padding in its body and after it, outer loops that reload it or load it
// once, and one or two loops after it (these two on fewer registers).
struct Sample {
    const char* registers;  // -r and its list, or nothing for the default
    CompactRegisters usable;
    std::vector<int64_t> counts;
    std::set<std::string> parts;
};
const Sample samples[] = {
    {"", {4, true},
     {0, 1, 771, 1028, 779, 1336, 1000, 327774, 393230, 655380, 262920, 100671480, 100690016,
      117674288, 1980870, 139927717},
     {"nothing", "padding alone", "dec 1", "dec 1 body padding", "dec 1 padding after", "sbiw 2",
      "sbiw 2 body padding", "sbiw 2 padding after", "sbiw 3", "sbiw 3 body padding",
      "sbiw 3 padding after", "sbiw 4", "sbiw 4 body padding", "sbiw 4 padding after",
      "outer loop around sbiw 2", "outer loop around sbiw 3", "outer loop loading once sbiw 2",
      "outer loop loading once sbiw 3", "loop after of 1 bytes", "loop after of 2 bytes",
      "loop after of 3 bytes"}},
    {"-r R16,R17,R18,R19 ", {4, false},
     {0, 1, 769, 779, 1294, 1396, 1860, 1000, 327684, 393230, 393280, 524320, 8388609, 100671480,
      117674288, 19832, 1980870, 139927717},
     {"nothing", "padding alone", "dec 1", "dec 1 body padding", "dec 1 padding after", "subi 2",
      "subi 2 body padding", "subi 2 padding after", "subi 3", "subi 3 body padding",
      "subi 3 padding after", "subi 4", "subi 4 body padding", "subi 4 padding after",
      "outer loop around dec 1", "outer loop around subi 2", "outer loop around subi 3",
      "outer loop loading once dec 1", "outer loop loading once subi 2",
      "outer loop loading once subi 3", "loop after of 1 bytes", "loop after of 2 bytes"}},
    {"-r R24,R25 ", {2, true}, {524887, 2065595},
     {"sbiw 2", "sbiw 2 body padding", "loop after of 2 bytes",
      "second loop after of 1 bytes", "second loop after of 2 bytes"}},
};
// Fewer counts for the other toolchains: each size of loop with padding in
// its body and after it, outer loops and a loop after it.
const std::vector<int64_t> toolchain_sample{0,      1,        771,      1028,     262148,
                                            655380, 1980870, 83886801, 117674288};

}  // namespace

TEST(CompactTiming, SamplesHoldEveryPart) {
    for (const Sample& sample : samples) {
        std::set<std::string> held;
        for (int64_t c : sample.counts) {
            const std::set<std::string> of_count = parts_of(c, sample.usable);
            held.insert(of_count.begin(), of_count.end());
        }
        EXPECT_EQ(held, sample.parts) << sample.registers;
    }
}

// Each listing alone, from its first instruction to the end marker after
// it, in the words its header states.
TEST(CompactTiming, AvraListingsOfEveryPartTakeTheirCount) {
    for (const Sample& sample : samples) {
        for (int64_t c : sample.counts) {
            const std::string listing =
                generate(std::string("--compact ") + sample.registers + std::to_string(c));
            const AssembledProgram program = assemble_with_avra(listing, "compact");
            ASSERT_TRUE(program.ok) << program.tool_output;
            EXPECT_EQ(measure_cycles(program.hex_path, c + 1000), c) << sample.registers << c;
            EXPECT_EQ(program_bytes(program.hex_path), 2 * stated_words(listing) + 2) << c;
        }
    }
}

TEST(CompactTiming, GnuListingsTakeTheirCount) {
    for (int64_t c : toolchain_sample) {
        const std::string listing = generate("--compact --syntax gnu " + std::to_string(c));
        const AssembledProgram program = assemble_with_gnu_as(listing, "compact");
        ASSERT_TRUE(program.ok) << program.tool_output;
        EXPECT_EQ(measure_cycles(program.hex_path, c + 1000), c) << c;
        EXPECT_EQ(program_bytes(program.hex_path), 2 * stated_words(listing) + 2) << c;
    }
}

// Exact whether the compiler optimises or not: the registers are clobbers,
// so nothing is stored after the statement. On avrrc the counter is
// counted down with subi.
TEST(CompactTiming, CStatementsTakeTheirCountAtO0AndOs) {
    struct Build { const char* compiler; const char* options; };
    for (const Build& build : {Build{"avr-gcc -O0", ""}, Build{"avr-gcc -Os", ""},
                               Build{"avr-gcc -Os", " --core avrrc"},
                               Build{"clang --target=avr -O0", ""},
                               Build{"clang --target=avr -Os", ""}}) {
        for (int64_t c : toolchain_sample) {
            const std::string source = "int main(void) {\n"
                                       "    __asm__ __volatile__(\"delay_start:\");\n" +
                                       generate(std::string("--compact --syntax c") + build.options +
                                                " " + std::to_string(c)) +
                                       "    __asm__ __volatile__(\"delay_end:\");\n"
                                       "    for (;;) {\n    }\n}\n";
            const AssembledProgram program = compile_with_avr_gcc(source, "compact", build.compiler);
            ASSERT_TRUE(program.ok) << program.tool_output;
            const int64_t start = symbol_address(program, "delay_start");
            const int64_t end = symbol_address(program, "delay_end");
            ASSERT_GE(start, 0);
            ASSERT_GE(end, start);
            EXPECT_EQ(measure_cycles_between(program.hex_path, "atmega328p", start, end, c + 1000), c)
                << build.compiler << build.options << " " << c;
        }
    }
}

// From the first cycle of the call to the instruction after it, pushes and
// pops included, on a 16-bit and a 22-bit program counter.
TEST(CompactTiming, SubroutinesCountTheirCallAndReturn) {
    struct Core { const char* name; const char* mcu; const char* device; const char* stack_top; };
    const Core classic{"avre", "atmega328p", "ATmega328P", "0x08"};
    const Core long_pc{"avre22", "atmega2560", "ATmega2560", "0x21"};
    struct Case { Core core; const char* options; int64_t cycles; };
    const Case cases[] = {
        {classic, "", 1000},           {classic, "--save", 262150},
        {classic, "--save", 11},       {long_pc, "--call", 16000},
        {long_pc, "--call --save -r R20,R21,R22", 20000000},
    };
    for (const Case& c : cases) {
        const std::string options = std::string(c.options) + " --core " + c.core.name;
        const bool long_call = options.find("--call") != std::string::npos;
        const std::string source =
            std::string(".device ") + c.core.device + "\n\tldi r16," + c.core.stack_top +
            "\n\tout 0x3e,r16\n\tldi r16,0xff\n\tout 0x3d,r16\n\t" +
            (long_call ? "call" : "rcall") + " wait\nend_of_delay:\trjmp end_of_delay\n" +
            generate("--compact --name wait --subroutine " + options + " " +
                     std::to_string(c.cycles));
        const AssembledProgram program = assemble_avra_source(source, "compact-subroutine");
        ASSERT_TRUE(program.ok) << program.tool_output;
        EXPECT_EQ(measure_cycles_between(program.hex_path, c.core.mcu, 8, long_call ? 12 : 10,
                                         c.cycles + 1000),
                  c.cycles)
            << options;
    }
}

// The words of the C statement and of avr-gcc's builtin for the same count,
// both compiled with -Os in one file and measured between markers: never
// more, and fewer from 262145 cycles on (where the builtin's counter needs
// three or four bytes counted down with subi, and the statement's sbiw
// saves a word).
TEST(CompactTiming, NeverMoreWordsThanAvrGccsBuiltin) {
    std::mt19937_64 random(20260617);
    std::uniform_int_distribution<int64_t> small(0, 65535);
    std::uniform_int_distribution<int64_t> any(0, 4294967295);
    std::vector<int64_t> counts{0,        1000,      16000,      262145,     16000000,
                                100000000, 2147483647, 4294967295, 262144,     83886082};
    while (counts.size() < 510) {
        counts.push_back(counts.size() % 2 == 0 ? small(random) : any(random));
    }
    std::string source;
    std::vector<int64_t> stated;
    for (size_t i = 0; i < counts.size(); ++i) {
        const std::string n = std::to_string(counts[i]);
        const std::string index = std::to_string(i);
        const std::string statement = generate("--compact --syntax c " + n);
        stated.push_back(stated_words(statement));
        source += "void builtin_" + index + "(void) {\n    __asm__ __volatile__(\"b" + index +
                  "_start:\");\n    __builtin_avr_delay_cycles(" + n + "UL);\n"
                  "    __asm__ __volatile__(\"b" + index + "_end:\");\n}\n"
                  "void compact_" + index + "(void) {\n    __asm__ __volatile__(\"c" + index +
                  "_start:\");\n" + statement + "    __asm__ __volatile__(\"c" + index +
                  "_end:\");\n}\n";
    }
    const AssembledProgram program = compile_with_avr_gcc(
        source + "int main(void) {\n    for (;;) {\n    }\n}\n", "compact-size", "avr-gcc -Os");
    ASSERT_TRUE(program.ok) << program.tool_output;
    // Every marker's address, from one reading of the symbol table.
    std::map<std::string, int64_t> addresses;
    std::istringstream table(command_output("avr-nm '" + program.elf_path + "'"));
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string address, kind, symbol;
        if (fields >> address >> kind >> symbol) {  // undefined symbols have no address
            addresses[symbol] = std::stoll(address, nullptr, 16);
        }
    }
    const auto words_between = [&](const std::string& marker) {
        if (addresses.count(marker + "_start") == 0 || addresses.count(marker + "_end") == 0) {
            return int64_t{-1};
        }
        return (addresses[marker + "_end"] - addresses[marker + "_start"]) / 2;
    };
    int fewer = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        const int64_t builtin = words_between("b" + std::to_string(i));
        const int64_t compact = words_between("c" + std::to_string(i));
        ASSERT_GE(builtin, 0) << counts[i];
        EXPECT_EQ(compact, stated[i]) << counts[i];
        EXPECT_LE(compact, builtin) << counts[i];
        if (counts[i] >= 262145) {
            EXPECT_LT(compact, builtin) << counts[i];
        }
        fewer += compact < builtin ? 1 : 0;
    }
    std::cout << "fewer words than the builtin on " << fewer << " of " << counts.size()
              << " counts\n";
}
