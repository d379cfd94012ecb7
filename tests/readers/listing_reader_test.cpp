// SPDX-License-Identifier: MIT
// The independent reader that the fuzzer and the wide sweep trust: it must
// time good listings right and reject code that would not run as written.
#include <gtest/gtest.h>

#include "listing_reader.hpp"

TEST(ListingReader, TimesNestsRestLoopsAndNops) {
    struct Case { const char* listing; int64_t cycles; };
    const Case cases[] = {
        {"\tnop\n\tnop\n", 2},
        {"\tldi R16,0xff\nWL0:\tdec R16\n\tbrne WL0\n", 765},
        {"; 1000 cycles\n\tldi R16,0xff\nWL0:\tdec R16\n\tbrne WL0\n\tldi R16,0x4e\n"
         "WLrest:\tdec R16\n\tbrne WLrest\n\tnop\n", 1000},
        {"\tldi R16,0xc8\nWL0:\tldi R17,0x6f\nWL1:\tldi R18,0x8\nWL2:\tdec R18\n\tbrne WL2\n"
         "\tdec R17\n\tbrne WL1\n\tdec R16\n\tbrne WL0\n", 600000},
        // A counter left at 0 by the loop before runs 256 passes.
        {"\tldi R16,0xff\nWL0:\tdec R16\n\tbrne WL0\nWL1:\tdec R16\n\tbrne WL1\n", 765 + 767},
        // A loop can start on a line of its own.
        {"\tldi r20,2\nagain:\n\tdec R20\n\tbrne again\n", 6},
    };
    for (const Case& c : cases) {
        const ListingReading reading = read_listing(c.listing);
        EXPECT_TRUE(reading.ok) << reading.problem;
        EXPECT_EQ(reading.cycles, c.cycles) << c.listing;
    }
    EXPECT_EQ(read_listing(cases[2].listing).header_cycles, 1000);
}

TEST(ListingReader, RejectsCodeThatDoesNotRunAsWritten) {
    for (const char* listing : {
             "\tldi R16,0x0\nWL0:\tdec R16\n\tbrne WL0\n",        // 256 passes, not 0
             "\tldi R16,0x100\nWL0:\tdec R16\n\tbrne WL0\n",      // masked by the assembler
             "WL0:\tdec R16\n\tbrne WL0\n",                       // counter never loaded
             "\tldi R16,3\nWL0:\tnop\n\tbrne WL0\n",              // nothing counts down
             "\tldi R16,3\nWL0:\tdec R16\n\tbrne WL0\nWL0:\tnop\n",  // label twice
             "\tldi R16,3\nWL0:\tdec R16\n\tbrne WLx\n",           // branch to nowhere
             // An inner counter loaded outside its loop runs 256 times after the first pass.
             "\tldi R17,2\n\tldi R16,2\nWL0:\nWL1:\tdec R17\n\tbrne WL1\n\tdec R16\n\tbrne WL0\n",
             // ZL is r30: the inner loop resets the outer counter, which never ends.
             "\tldi R30,0xff\nWL0:\tldi ZL,0x1\nWL1:\tdec ZL\n\tbrne WL1\n\tdec R30\n\tbrne WL0\n",
             "\tsbi 5,1\n",
         }) {
        EXPECT_FALSE(read_listing(listing).ok) << listing;
    }
}

// What the companion's other forms add: GNU as local labels, subroutines
// whose stack must balance, and the register names avra reads.
TEST(ListingReader, ReadsLocalLabelsSubroutinesAndAvrasRegisterNames) {
    const StackCosts classic{2, 2, 4};
    struct Case { const char* listing; int64_t cycles; bool ok; };
    const Case cases[] = {
        {"\tldi R16,0xff\n1:\tldi R17,0x1\n2:\tdec R17\n\tbrne 2b\n\tdec R16\n\tbrne 1b\n"
         "\tldi R16,2\n1:\tdec R16\n\tbrne 1b\n", 1530 + 6, true},
        {"w:\n\tpush R16\n\tpush R17\n\tldi R16,2\nw__0:\tdec R16\n\tbrne w__0\n\tpop R17\n"
         "\tpop R16\n\tret\n", 4 + 6 + 4 + 4, true},
        {"w:\n\tpush R16\n\tpush R17\n\tpop R16\n\tpop R17\n\tret\n", 0, false},  // pops swapped
        {"w:\n\tpush R16\n\tret\n", 0, false},                                     // stack left
        {"w:\n\tret\n\tnop\n", 0, false},                                          // after ret
        {"\tldi R16,2\nW0:\tdec R16\n\tbrne W0\nw0:\tnop\n", 0, false},  // avra ignores case
        // One register under two names: the inner loop resets the outer counter.
        {"\tldi XL,0xff\n1:\tldi x,0x1\n2:\tdec x\n\tbrne 2b\n\tdec XL\n\tbrne 1b\n", 0, false},
        {"\tldi R016,0xff\n1:\tldi r16,0x1\n2:\tdec r16\n\tbrne 2b\n\tdec R016\n\tbrne 1b\n", 0, false},
    };
    for (const Case& c : cases) {
        const ListingReading reading = read_listing(c.listing, &classic);
        EXPECT_EQ(reading.ok, c.ok) << c.listing << reading.problem;
        if (c.ok) {
            EXPECT_EQ(reading.cycles, c.cycles) << c.listing;
        }
    }
    EXPECT_FALSE(read_listing("w:\n\tret\n").ok) << "no stack instructions without a core";
}
