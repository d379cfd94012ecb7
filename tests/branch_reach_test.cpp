// SPDX-License-Identifier: MIT
// The last check on every listing: each branch's reach, to the word, in
// each way a listing is written.
#include <gtest/gtest.h>

#include <string>

#include "delay/branch_reach.hpp"

using cyclotrim::ListingText;

TEST(BranchReach, KnowsEachBranchsReachToTheWord) {
    const auto nops = [](int count, const std::string& line = "\tnop\n") {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += line;
        }
        return text;
    };
    const std::string c_nop = "    \"\\tnop\\n\"\n";
    struct Case {
        std::string listing;
        ListingText text;
        bool reaches;
    };
    const Case cases[] = {
        {"L:" + nops(63) + "\tbrne L\n", ListingText::avra, true},  // 64 words back
        {"L:" + nops(64) + "\tbrne L\n", ListingText::avra, false},
        {"L:" + nops(63) + "\tbreq L\n", ListingText::avra, true},
        {"L:" + nops(64) + "\tbreq L\n", ListingText::avra, false},
        {"\tbreq L\n" + nops(63) + "l:\tret\n", ListingText::avra, true},  // 63 forward; any case
        {"\tbreq L\n" + nops(64) + "L:\tret\n", ListingText::avra, false},
        {"\tbrne L\n" + nops(63) + "L:\tret\n", ListingText::avra, true},
        {"\tbrne L\n" + nops(64) + "L:\tret\n", ListingText::avra, false},
        {"WLZ:\tnop\n\tbrne wlz\n", ListingText::avra, true},
        {"1:" + nops(2047) + "\trjmp 1b\n", ListingText::gnu, true},  // 2048 back
        {"1:" + nops(2048) + "\trjmp 1b\n", ListingText::gnu, false},
        {"\trjmp 1f\n" + nops(2047) + "1:\tret\n", ListingText::gnu, true},  // 2047 forward
        {"\trjmp 1f\n" + nops(2048) + "1:\tret\n", ListingText::gnu, false},
        {"1:" + nops(100) + "1:" + nops(63) + "\tbrne 1b\n", ListingText::gnu, true},  // the nearest
        {"\tbrne 1f\n" + nops(63) + "1:\n" + nops(10) + "1:\tret\n", ListingText::gnu, true},
        {"\trjmp PC+1\n\trjmp 8f\n8:\n\t.size w, .-w\n", ListingText::gnu, false},  // no PC in GNU
        {"\trjmp PC+1\n; brne far\n", ListingText::avra, true},
        {"/* \"x\" */\n__asm__(\n    \"1:\\tnop\\n\"\n" + nops(64, c_nop) + "    \"\\tbrne 1b\\n\"\n);",
         ListingText::c_statement, false},
        {"__asm__(\n    \"1:\\tnop\\n\"\n" + nops(62, c_nop) + "    \"\\tbrne 1b\\n\"\n);",
         ListingText::c_statement, true},
        {"\tbrne nowhere\n", ListingText::avra, false},
        {"\tcall far_away\n", ListingText::avra, false},  // no listing writes one: unknown here
    };
    for (const Case& c : cases) {
        EXPECT_EQ(!cyclotrim::branch_reach_problem(c.listing, c.text), c.reaches) << c.listing;
    }
}
