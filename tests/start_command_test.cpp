// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "delay/start_command.hpp"

using cyclotrim::LoopPlan;
using cyclotrim::RegisterTexts;
using cyclotrim::StartOutcome;
using cyclotrim::default_register_texts;
using cyclotrim::run_start_command;

namespace {

StartOutcome start(const std::string& cycles, const RegisterTexts& registers = default_register_texts()) {
    LoopPlan plan;
    return run_start_command(cycles, registers, plan);
}

std::string header(int requested, int registers, int nest) {
    return ";<===   Delay loop   ===>\n; " + std::to_string(requested) + " cycles\n; " +
           std::to_string(registers) + " registers used\n;------------------------\n;delaying " +
           std::to_string(nest) + " cycles\n\n";
}

// The instruction lines of a listing, labels kept, comments and blank lines dropped.
std::string code_lines(const std::string& listing) {
    std::string code;
    size_t begin = 0;
    while (begin < listing.size()) {
        const size_t end = listing.find('\n', begin);
        const std::string line = listing.substr(begin, end - begin);
        if (!line.empty() && line[0] != ';') {
            code += line + " / ";
        }
        begin = end + 1;
    }
    return code;
}

}  // namespace

TEST(StartCommand, ThousandCyclesListing) {
    LoopPlan plan;
    const StartOutcome outcome = run_start_command("1000", default_register_texts(), plan);
    EXPECT_EQ(outcome.listing,
              header(1000, 1, 765) +
                  "\tldi R16,0xff\nWL0:\tdec R16\n\tbrne WL0\n"
                  "\n;delaying 235 cycles\n\tldi R16,0x4e\nWLrest:\tdec R16\n\tbrne WLrest\n"
                  "\n;delaying 1 cycles\n\tnop\n");
    EXPECT_EQ(outcome.status_message, "Created 7 lines of assembler code.");
    EXPECT_EQ(outcome.diagnostics,
              "cycles=1000\nmax_registers= 1\n=>Cmax=765, r[0]=255 r[1]=0 r[2]=0, max_regs=1\n"
              "Cmax: 78\n");
    EXPECT_FALSE(outcome.refused);
}

TEST(StartCommand, SixHundredThousandCyclesListing) {
    const StartOutcome outcome = start("600000");
    EXPECT_EQ(outcome.listing, header(600000, 3, 600000) +
                                   "\tldi R16,0xc8\nWL0:\tldi R17,0x6f\nWL1:\tldi R18,0x8\n"
                                   "WL2:\tdec R18\n\tbrne WL2\n\tdec R17\n\tbrne WL1\n"
                                   "\tdec R16\n\tbrne WL0\n");
    EXPECT_EQ(outcome.status_message, "Created 9 lines of assembler code.");
}

TEST(StartCommand, DiagnosticsReportCountersAnEarlierSearchLeft) {
    LoopPlan plan;
    run_start_command("600000", default_register_texts(), plan);
    const StartOutcome outcome = run_start_command("1000", default_register_texts(), plan);
    EXPECT_NE(outcome.diagnostics.find("=>Cmax=765, r[0]=255 r[1]=111 r[2]=200, max_regs=1\n"),
              std::string::npos)
        << outcome.diagnostics;
}

TEST(StartCommand, CodeLinesOfTheEdgeCases) {
    struct Case { const char* cycles; std::string code; int lines; };
    const Case cases[] = {
        {"100", "\tldi R16,0x21 / WL0:\tdec R16 / \tbrne WL0 / \tnop / ", 4},
        {"3", "\tldi R16,0x1 / WL0:\tdec R16 / \tbrne WL0 / ", 3},
        {"4", "\tldi R16,0x1 / WL0:\tdec R16 / \tbrne WL0 / \tnop / ", 4},
        {"5", "\tldi R16,0x1 / WL0:\tdec R16 / \tbrne WL0 / \tnop / \tnop / ", 5},
        {"769", "\tldi R16,0xff / WL0:\tdec R16 / \tbrne WL0 / \tnop / \tnop / \tnop / \tnop / ", 7},
        {"770", "\tldi R16,0xff / WL0:\tdec R16 / \tbrne WL0 / \tldi R16,0x1 / WLrest:\tdec R16 / "
                "\tbrne WLrest / \tnop / \tnop / ", 8},
        {"1529", "\tldi R16,0xff / WL0:\tdec R16 / \tbrne WL0 / \tldi R16,0xfe / WLrest:\tdec R16 / "
                 "\tbrne WLrest / \tnop / \tnop / ", 8},
        {"765", "\tldi R16,0x55 / WL0:\tldi R17,0x2 / WL1:\tdec R17 / \tbrne WL1 / \tdec R16 / "
                "\tbrne WL0 / ", 6},
        {"196607", "\tldi R16,0xff / WL0:\tldi R17,0xff / WL1:\tdec R17 / \tbrne WL1 / \tdec R16 / "
                   "\tbrne WL0 / \tldi R16,0xff / WLrest:\tdec R16 / \tbrne WLrest / \tnop / \tnop / ", 11},
        {"196608", "\tldi R16,0x80 / WL0:\tldi R17,0x49 / WL1:\tldi R18,0x6 / WL2:\tdec R18 / "
                   "\tbrne WL2 / \tdec R17 / \tbrne WL1 / \tdec R16 / \tbrne WL0 / ", 9},
        {"585989", "\tldi R16,0xda / WL0:\tldi R17,0xb3 / WL1:\tldi R18,0x4 / WL2:\tdec R18 / "
                   "\tbrne WL2 / \tdec R17 / \tbrne WL1 / \tdec R16 / \tbrne WL0 / \tldi R16,0x1 / "
                   "WLrest:\tdec R16 / \tbrne WLrest / \tnop / \tnop / ", 14},
        {"27891566", "\tldi R16,0xe9 / WL0:\tldi R17,0xe4 / WL1:\tldi R18,0xae / WL2:\tdec R18 / "
                     "\tbrne WL2 / \tdec R17 / \tbrne WL1 / \tdec R16 / \tbrne WL0 / \tldi R16,0xff / "
                     "WLrest:\tdec R16 / \tbrne WLrest / \tnop / \tnop / ", 14},
        {"27891567", "\tldi R16,0xe9 / WL0:\tldi R17,0xe4 / WL1:\tldi R18,0xae / WL2:\tdec R18 / "
                     "\tbrne WL2 / \tdec R17 / \tbrne WL1 / \tdec R16 / \tbrne WL0 / "
                     "\tldi R16,0xff / WL0_2:\tdec R16 / \tbrne WL0_2 / \tnop / \tnop / \tnop / ", 15},
        {" 1000abc", "\tldi R16,0xff / WL0:\tdec R16 / \tbrne WL0 / \tldi R16,0x4e / "
                     "WLrest:\tdec R16 / \tbrne WLrest / \tnop / ", 7},
    };
    for (const Case& c : cases) {
        const StartOutcome outcome = start(c.cycles);
        EXPECT_EQ(code_lines(outcome.listing), c.code) << c.cycles;
        EXPECT_EQ(outcome.status_message,
                  "Created " + std::to_string(c.lines) + " lines of assembler code.")
            << c.cycles;
    }
}

TEST(StartCommand, NoLoopBelowThreeCycles) {
    EXPECT_EQ(start("0").listing, header(0, 0, 0));
    EXPECT_EQ(start("0").status_message, "Created 0 lines of assembler code.");
    EXPECT_EQ(start("1").listing, header(1, 0, 0) + "\n;delaying 1 cycles\n\tnop\n");
    EXPECT_EQ(start("2").listing, header(2, 0, 0) + "\n;delaying 2 cycles\n\tnop\n\tnop\n");
    EXPECT_EQ(start("2").status_message, "Created 2 lines of assembler code.");
}

TEST(StartCommand, RaisedNestShowsInTheHeader) {
    EXPECT_EQ(start("196608").listing.substr(0, header(196608, 3, 196608).size()),
              header(196608, 3, 196608));
}

TEST(StartCommand, HundredMillionCyclesChainThreeNests) {
    const StartOutcome outcome = start("100000000");
    const std::string full_nest = "\tldi R16,0xff / WL0%:\tldi R17,0xff / WL1%:\tldi R18,0xff / "
                                  "WL2%:\tdec R18 / \tbrne WL2% / \tdec R17 / \tbrne WL1% / "
                                  "\tdec R16 / \tbrne WL0% / ";
    auto nest = [&](const std::string& suffix) {
        std::string text = full_nest;
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at)) {
            text.replace(at, 1, suffix);
        }
        return text;
    };
    EXPECT_EQ(code_lines(outcome.listing),
              nest("") + nest("_2") +
                  "\tldi R16,0xe6 / WL0_3:\tldi R17,0xad / WL1_3:\tdec R17 / \tbrne WL1_3 / "
                  "\tdec R16 / \tbrne WL0_3 / \tldi R16,0x3 / WLrest:\tdec R16 / \tbrne WLrest / "
                  "\tnop / ");
    EXPECT_NE(outcome.listing.find("\n;delaying 49939965 cycles\n\tldi R16,0xff\nWL0_2:"),
              std::string::npos);
    EXPECT_NE(outcome.listing.find("\n;delaying 120060 cycles\n\tldi R16,0xe6\nWL0_3:"),
              std::string::npos);
    EXPECT_EQ(outcome.listing.substr(0, header(100000000, 3, 49939965).size()),
              header(100000000, 3, 49939965));
    EXPECT_EQ(outcome.diagnostics,
              "cycles=100000000\nmax_registers= 3\n"
              "=>Cmax=49939965, r[0]=255 r[1]=255 r[2]=255, max_regs=3\nCmax: 3\n");
}

TEST(StartCommand, NeverWritesAnErrorLineOrAnOversizedCounter) {
    // A constant of three or more hex digits is above 255.
    auto has_oversized_constant = [](const std::string& listing) {
        for (size_t at = listing.find("0x"); at != std::string::npos; at = listing.find("0x", at + 2)) {
            const size_t end = listing.find_first_not_of("0123456789abcdef", at + 2);
            if ((end == std::string::npos ? listing.size() : end) - (at + 2) >= 3) {
                return true;
            }
        }
        return false;
    };
    for (const char* cycles : {"196608", "400000", "27891567", "49940733", "447697890",
                               "2147483647"}) {
        const std::string listing = start(cycles).listing;
        EXPECT_EQ(listing.find("Error"), std::string::npos) << cycles;
        EXPECT_FALSE(has_oversized_constant(listing)) << cycles;
    }
}

TEST(StartCommand, RefusesWhatItCannotWrite) {
    struct Case { const char* cycles; RegisterTexts registers; const char* message; };
    const RegisterTexts defaults = default_register_texts();
    const Case cases[] = {
        {"", defaults, "No cycle count: enter a whole number of cycles."},
        {"abc", defaults, "No cycle count: enter a whole number of cycles."},
        {" - 5", defaults, "No cycle count: enter a whole number of cycles."},
        {"-1", defaults, "A delay cannot have a negative number of cycles."},
        {"-99999999999", defaults, "A delay cannot have a negative number of cycles."},
        {"2147483648", defaults, "Too many cycles: at most 2147483647."},
        {"99999999999999999999", defaults, "Too many cycles: at most 2147483647."},
        {"1530", {"R16", "", "R18"}, "Choose a register for loop WL1."},
        {"1530", {"  ", "R17", "R18"}, "Choose a register for loop WL0."},
        {"1530", {"R16", "r16", "R18"}, "r16 is chosen for two loops: each loop needs its own register."},
        {"600000", {"R16", "R17", "R17"}, "R17 is chosen for two loops: each loop needs its own register."},
        {"1000", {"R15", "R17", "R18"}, "ldi cannot load R15: choose a register from R16 to R31."},
        {"1530", {"R16", "r32", "R18"}, "ldi cannot load r32: choose a register from R16 to R31."},
        {"1530", {"R16", "R017", "R18"}, "R017 has a leading zero, which GNU as does not take: write R17."},
        // avra reads lower-case x, y and z in ldi as r26, r28 and r30: x beside XL
        // would share one register.
        {"600000", {"x", "XL", "R18"}, "x names a register pair: choose one register, from R16 to R31."},
        {"1530", {"R16", "Z", "R18"}, "Z names a register pair: choose one register, from R16 to R31."},
        {"1000", {"R16;", "R17", "R18"}, "R16; is not a register name: choose one from R16 to R31."},
    };
    for (const Case& c : cases) {
        LoopPlan plan;
        plan.best_counters = {1, 2, 3, 0};
        const StartOutcome outcome = run_start_command(c.cycles, c.registers, plan);
        EXPECT_TRUE(outcome.refused) << c.cycles;
        EXPECT_EQ(outcome.status_message, c.message) << c.cycles;
        EXPECT_EQ(outcome.listing, "");
        EXPECT_EQ(outcome.diagnostics, "");
        EXPECT_EQ(plan.best_counters[0], 1) << "a refused run leaves the session's plan alone";
    }
}

// Two names for one register would let the inner loop reset the outer
// counter: a delay that never ends.
TEST(StartCommand, RefusesAPointerHalfBesideItsNumberedTwin) {
    const std::pair<const char*, const char*> twins[] = {
        {"XL", "R26"}, {"XH", "R27"}, {"YL", "R28"}, {"YH", "R29"}, {"ZL", "R30"}, {"ZH", "R31"}};
    for (const auto& [half, numbered] : twins) {
        const std::string lower_half = std::string(1, char(half[0] + 32)) + char(half[1] + 32);
        const std::string lower_numbered = std::string("r") + (numbered + 1);
        for (const auto& [first, second] : {std::pair<std::string, std::string>{numbered, half},
                                            {half, lower_numbered},
                                            {lower_half, numbered},
                                            {lower_numbered, lower_half}}) {
            const StartOutcome outcome = start("1530", {first, second, "R18"});
            EXPECT_EQ(outcome.status_message,
                      second + " is chosen for two loops: each loop needs its own register.")
                << first << " and " << second;
        }
    }
    EXPECT_FALSE(start("600000", {"ZL", "ZH", "XL"}).refused);
    EXPECT_FALSE(start("1530", {"outer", "ZL", "R18"}).refused) << "an alias is compared by name";
    EXPECT_TRUE(start("1530", {"Outer", "oUTER", "R18"}).refused);
}

TEST(StartCommand, ChecksOnlyTheRegistersTheListingUses) {
    EXPECT_FALSE(start("1000", {"R16", "", "R16"}).refused);
    EXPECT_FALSE(start("2", {"", "", ""}).refused);
    EXPECT_TRUE(start("1530", {"R16", "", "R16"}).refused);
}

TEST(StartCommand, RegisterNamesAreOneWordOfAnyLength) {
    const StartOutcome outcome = start("1530", {"  delay_outer\t", "R20", "R18"});
    EXPECT_EQ(code_lines(outcome.listing),
              "\tldi delay_outer,0xff / WL0:\tldi R20,0x1 / WL1:\tdec R20 / \tbrne WL1 / "
              "\tdec delay_outer / \tbrne WL0 / ");
    EXPECT_EQ(start("1530", {" delay_outer extra ", "R20", "R18"}).status_message,
              "\"delay_outer extra\" is not one register name: choose one register for loop WL0.");
}
