// SPDX-License-Identifier: MIT
#include "delay/forms/compact_plan.hpp"

#include <algorithm>

namespace cyclotrim {

namespace {

// Cycles of the count-down instructions of one pass: dec 1; subi and sbci
// 1 a byte; sbiw 2 for the low two bytes and sbci 1 for each byte above.
int32_t count_down_cycles(const CompactLoop& loop) {
    return loop.count_down == CountDown::dec ? 1 : loop.bytes;
}

int32_t count_down_words(const CompactLoop& loop) {
    switch (loop.count_down) {
        case CountDown::dec:
            return 1;
        case CountDown::subi:
            return loop.bytes;
        case CountDown::sbiw:
            return loop.bytes - 1;
    }
    return 0;
}

CountDown count_down_for(int32_t bytes, bool sbiw_pair) {
    if (bytes == 1) {
        return CountDown::dec;
    }
    return sbiw_pair ? CountDown::sbiw : CountDown::subi;
}

int64_t most_passes(int32_t bytes) { return int64_t{1} << (8 * bytes); }

// An outer loop's ldi, and its dec and brne.
constexpr int32_t outer_loop_words = 3;
constexpr int32_t outer_pass_cycles = 3;  // dec 1, brne 2 when it branches back

// The best plan so far: only plans of fewer words replace it, so that the
// first found of two equal plans wins.
struct Search {
    CompactPlan best;
    int64_t best_words = max_compact_words + 1;

    void offer(const CompactPlan& plan) {
        if (plan.words() < best_words) {
            best = plan;
            best_words = plan.words();
        }
    }
};

// The plan of fewest words, below `word_bound`, for exactly `cycles`: a loop
// of `fewest_bytes` to registers.count bytes, with padding in its body and
// after it. Nothing when there is none.
std::optional<CompactPlan> single_loop(int64_t cycles, const CompactRegisters& registers,
                                       int32_t fewest_bytes, int64_t word_bound) {
    std::optional<CompactPlan> best;
    for (int32_t bytes = fewest_bytes; bytes <= std::min(registers.count, 4); ++bytes) {
        CompactLoop loop;
        loop.count_down = count_down_for(bytes, registers.sbiw_pair);
        loop.bytes = bytes;
        // The cycles left for the passes and the padding after the loop, once
        // the ldi instructions and the last brne (one cycle short) are counted.
        const int64_t for_passes = cycles - bytes + 1;
        if (for_passes <= 0) {
            break;
        }
        // With less body padding than this, even a full wrap of the counter
        // leaves a pass's worth of cycles or more to the padding after it,
        // which one more cycle in the body would take in fewer words.
        const int64_t fewest_padding =
            std::max<int64_t>(0, for_passes / most_passes(bytes) - loop.pass_cycles());
        for (int64_t body = fewest_padding;; ++body) {
            loop.body_padding = static_cast<int32_t>(body);
            if (loop.words() >= word_bound) {
                break;  // more padding only adds words
            }
            const int64_t passes = std::min(most_passes(bytes), for_passes / loop.pass_cycles());
            if (passes < 1) {
                break;  // more padding only makes passes longer
            }
            const int64_t after = for_passes - passes * loop.pass_cycles();
            if (loop.words() + padding_words(after) < word_bound) {
                loop.counter = static_cast<uint32_t>(passes % most_passes(bytes));
                CompactPlan plan;
                plan.requested_cycles = cycles;
                plan.loop = loop;
                plan.padding = static_cast<int32_t>(after);
                best = plan;
                word_bound = plan.words();
            }
        }
    }
    return best;
}

// A loop followed by a second one that counts its low `bytes`, left at 0,
// down from 0 again, with `body_padding` in its body.
void offer_following_loops(int64_t cycles, const CompactRegisters& registers, Search& search) {
    for (int32_t bytes = 1; bytes <= std::min(registers.count, 3); ++bytes) {
        CompactLoop following;
        following.count_down = count_down_for(bytes, registers.sbiw_pair);
        following.bytes = bytes;
        following.loads_counter = false;
        // The loop before it takes at least an ldi, a count-down and a brne.
        for (; following.words() + 3 < search.best_words; ++following.body_padding) {
            const int64_t before = cycles - following.cycles();
            if (before < 0) {
                break;
            }
            std::optional<CompactPlan> plan =
                single_loop(before, registers, bytes, search.best_words - following.words());
            if (plan) {
                plan->requested_cycles = cycles;
                plan->following = following;
                search.offer(*plan);
            }
        }
    }
}

// A loop inside an outer loop of 2 to 256 passes, on the next register:
// passes x (the loop with its padding + dec and brne), then padding.
void offer_outer_loops(int64_t cycles, const CompactRegisters& registers, Search& search) {
    const CompactRegisters inner{registers.count - 1, registers.sbiw_pair && registers.count > 2};
    // The loop in the body takes at least an ldi, a count-down and a brne.
    for (int64_t passes = 2; passes <= 256 && search.best_words > outer_loop_words + 3; ++passes) {
        const int64_t each_pass = cycles / passes;
        const int64_t after = cycles - passes * each_pass;
        const int64_t bound = search.best_words - outer_loop_words - padding_words(after);
        if (each_pass < outer_pass_cycles + 3 || bound <= 3) {
            continue;
        }
        std::optional<CompactPlan> plan =
            single_loop(each_pass - outer_pass_cycles, inner, 1, bound);
        if (plan) {
            plan->requested_cycles = cycles;
            plan->outer = OuterLoop{static_cast<uint32_t>(passes % 256), plan->padding};
            plan->padding = static_cast<int32_t>(after);
            search.offer(*plan);
        }
    }
}

}  // namespace

int64_t CompactLoop::passes() const { return counter == 0 ? most_passes(bytes) : counter; }

int32_t CompactLoop::pass_cycles() const { return body_padding + count_down_cycles(*this) + 2; }

int64_t CompactLoop::cycles() const {
    return (loads_counter ? bytes : 0) + passes() * pass_cycles() - 1;
}

int32_t CompactLoop::words() const {
    return (loads_counter ? bytes : 0) + static_cast<int32_t>(padding_words(body_padding)) +
           count_down_words(*this) + 1;
}

int64_t OuterLoop::passes() const { return counter == 0 ? 256 : counter; }

int64_t CompactPlan::cycles() const {
    int64_t total = loop ? loop->cycles() : 0;
    if (outer) {
        total = outer->passes() * (total + outer->padding + outer_pass_cycles);
    }
    return total + (following ? following->cycles() : 0) + padding;
}

int32_t CompactPlan::words() const {
    const int32_t outer_words =
        outer ? outer_loop_words + static_cast<int32_t>(padding_words(outer->padding)) : 0;
    return (loop ? loop->words() : 0) + outer_words + (following ? following->words() : 0) +
           static_cast<int32_t>(padding_words(padding));
}

int32_t CompactPlan::registers_used() const { return (loop ? loop->bytes : 0) + (outer ? 1 : 0); }

int64_t padding_words(int64_t cycles) { return cycles / 2 + cycles % 2; }

std::optional<CompactPlan> plan_compact_delay(int64_t cycles, const CompactRegisters& registers) {
    Search search;
    if (padding_words(cycles) <= max_compact_words) {
        CompactPlan padding_alone;
        padding_alone.requested_cycles = cycles;
        padding_alone.padding = static_cast<int32_t>(cycles);
        search.offer(padding_alone);
    }
    if (std::optional<CompactPlan> plan = single_loop(cycles, registers, 1, search.best_words)) {
        search.offer(*plan);
    }
    offer_following_loops(cycles, registers, search);
    if (registers.count >= 2) {
        offer_outer_loops(cycles, registers, search);
    }
    if (search.best_words > max_compact_words) {
        return std::nullopt;
    }
    return search.best;
}

}  // namespace cyclotrim
