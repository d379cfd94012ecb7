// SPDX-License-Identifier: MIT
// "Fewest" as a checked property: an enumerator of its own, which shares
// nothing with the planner, lists every plan of the shapes the planner
// promises for every count up to a bound and keeps the fewest words for
// each count; the planner must find exactly that many, for one register
// and for two (a pair that sbiw takes, and two that it does not).
//
// The shapes: padding alone; a loop whose counter has one or two bytes
// (dec; sbiw on a pair, or subi and sbci) with padding in its body, loaded
// with any value (0: a full wrap); such a loop followed by a second one
// that counts its counter, left at 0, down again; such a loop inside an
// 8-bit outer loop of 2 to 256 passes with padding in its body; and in
// every case padding after it. Padding is rjmp (2 cycles) and nop (1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "delay/forms/compact_plan.hpp"

namespace {

constexpr int64_t bound = 1 << 18;
constexpr int32_t most_words = 64;
constexpr int32_t none = 1000;

int32_t padding_cost(int64_t cycles) { return static_cast<int32_t>((cycles + 1) / 2); }

struct CountDown {
    int64_t cycles;
    int32_t words;
};

// dec for one byte; for two, sbiw on a pair or subi and sbci.
CountDown count_down(int32_t bytes, bool pair) { return {bytes, bytes == 1 || pair ? 1 : 2}; }

void keep(std::vector<int32_t>& words, int64_t cycles, int32_t candidate) {
    if (cycles <= bound && candidate < words[cycles]) {
        words[cycles] = candidate;
    }
}

// Fewest words of a loop of `bytes` bytes, ldi instructions included, for
// each number of cycles.
std::vector<int32_t> loops_of(int32_t bytes, bool pair) {
    std::vector<int32_t> words(bound + 1, none);
    const CountDown down = count_down(bytes, pair);
    const int64_t most_passes = int64_t{1} << (8 * bytes);
    for (int64_t body = 0; bytes + padding_cost(body) + down.words + 1 <= most_words; ++body) {
        const int32_t loop_words = bytes + padding_cost(body) + down.words + 1;
        const int64_t pass = body + down.cycles + 2;
        for (int64_t passes = 1; passes <= most_passes && bytes + passes * pass - 1 <= bound; ++passes) {
            keep(words, bytes + passes * pass - 1, loop_words);
        }
    }
    return words;
}

// Fewest words for every count up to the bound with `registers` registers,
// the first two a pair for sbiw when `pair`.
std::vector<int32_t> enumerated_fewest(int32_t registers, bool pair) {
    std::vector<int32_t> shaped(bound + 1, none);  // without padding after
    shaped[0] = 0;
    std::vector<std::vector<int32_t>> loops;
    for (int32_t bytes = 1; bytes <= registers; ++bytes) {
        loops.push_back(loops_of(bytes, pair));
        for (int64_t c = 0; c <= bound; ++c) {
            keep(shaped, c, loops.back()[c]);
        }
    }
    // A second loop on the counter left at 0: 256^F passes, no ldi, after a
    // loop of at least F bytes.
    for (int32_t bytes = 1; bytes <= registers; ++bytes) {
        const CountDown down = count_down(bytes, pair);
        const int64_t passes = int64_t{1} << (8 * bytes);
        for (int64_t body = 0; passes * (body + down.cycles + 2) - 1 <= bound; ++body) {
            const int64_t cycles = passes * (body + down.cycles + 2) - 1;
            const int32_t words = padding_cost(body) + down.words + 1;
            for (int32_t before = bytes; before <= registers; ++before) {
                for (int64_t c = 0; c + cycles <= bound; ++c) {
                    keep(shaped, c + cycles, loops[before - 1][c] + words);
                }
            }
        }
    }
    // An 8-bit outer loop around a loop with padding after it, on the next
    // register: passes x (inner + padding + dec 1 + brne 2).
    for (int32_t bytes = 1; bytes < registers; ++bytes) {
        std::vector<int32_t> padded(bound + 1, none);
        for (int64_t c = 0; c <= bound; ++c) {
            for (int64_t padding = 0; padding <= 2 * most_words && c + padding <= bound; ++padding) {
                keep(padded, c + padding, loops[bytes - 1][c] + padding_cost(padding));
            }
        }
        for (int64_t inner = 0; 2 * (inner + 3) <= bound; ++inner) {
            for (int64_t passes = 2; passes <= 256 && passes * (inner + 3) <= bound; ++passes) {
                keep(shaped, passes * (inner + 3), padded[inner] + 3);
            }
        }
    }
    std::vector<int32_t> fewest(bound + 1, none);
    for (int64_t c = 0; c <= bound; ++c) {
        for (int64_t padding = 0; padding <= 2 * most_words && padding <= c; ++padding) {
            fewest[c] = std::min(fewest[c], shaped[c - padding] + padding_cost(padding));
        }
    }
    return fewest;
}

}  // namespace

TEST(CompactFewest, NoCountTakesMoreWordsThanTheEnumeratorFinds) {
    struct Registers {
        int32_t count;
        bool pair;
    };
    for (const Registers registers : {Registers{1, false}, Registers{2, true}, Registers{2, false}}) {
        const std::vector<int32_t> fewest = enumerated_fewest(registers.count, registers.pair);
        int failures = 0;
        for (int64_t c = 0; c <= bound && failures < 10; ++c) {
            const std::optional<cyclotrim::CompactPlan> plan =
                cyclotrim::plan_compact_delay(c, {registers.count, registers.pair});
            const int32_t expected = fewest[c] <= most_words ? fewest[c] : none;
            failures += (plan ? plan->words() : none) != expected;
            EXPECT_EQ(plan ? plan->words() : none, expected)
                << c << " cycles with " << registers.count << " registers" << (registers.pair ? ", a pair" : "");
        }
    }
}
