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

// A loop that counts a counter of `bytes` bytes, left at 0, down again.
CompactLoop loop_on_counter_left_at_zero(int32_t bytes, bool sbiw_pair) {
    CompactLoop loop;
    loop.count_down = count_down_for(bytes, sbiw_pair);
    loop.bytes = bytes;
    loop.loads_counter = false;
    return loop;
}

// The most cycles a loop of `fewest_bytes` to registers.count bytes, with
// padding after it, takes in `words` words: all the padding in its body
// and a full wrap of the counter. single_loop finds nothing longer.
int64_t longest_loop(const CompactRegisters& registers, int32_t fewest_bytes, int64_t words) {
    int64_t longest = -1;
    for (int32_t bytes = fewest_bytes; bytes <= std::min(registers.count, 4); ++bytes) {
        CompactLoop loop;
        loop.count_down = count_down_for(bytes, registers.sbiw_pair);
        loop.bytes = bytes;
        const int64_t spare = words - loop.words();
        if (spare >= 0) {
            loop.body_padding = static_cast<int32_t>(2 * spare);
            longest = std::max(longest, loop.cycles());
        }
    }
    return longest;
}

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

// A loop and the padding after it, as single_loop finds them.
struct PaddedLoop {
    CompactLoop loop;
    int64_t padding = 0;
    int32_t words = 0;

    CompactPlan plan(int64_t requested_cycles) const {
        CompactPlan plan;
        plan.requested_cycles = requested_cycles;
        plan.loop = loop;
        plan.padding = static_cast<int32_t>(padding);
        return plan;
    }
};

// The loop of fewest words, below `word_bound`, for exactly `cycles`: a loop
// of `fewest_bytes` to registers.count bytes, with padding in its body and
// after it. Nothing when there is none.
std::optional<PaddedLoop> single_loop(int64_t cycles, const CompactRegisters& registers,
                                      int32_t fewest_bytes, int64_t word_bound) {
    std::optional<PaddedLoop> best;
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
        const int64_t full = most_passes(bytes);
        const int64_t unpadded_words = loop.words();
        const int64_t unpadded_pass = loop.pass_cycles();
        // With less body padding than this, even a full wrap of the counter
        // leaves a pass's worth of cycles or more to the padding after it,
        // which one more cycle in the body would take in fewer words.
        for (int64_t body = std::max<int64_t>(0, for_passes / full - unpadded_pass);; ++body) {
            const int64_t words = unpadded_words + padding_words(body);
            if (words >= word_bound) {
                break;  // more padding only adds words
            }
            const int64_t pass = unpadded_pass + body;
            const int64_t passes = std::min(full, for_passes / pass);
            if (passes < 1) {
                break;  // more padding only makes passes longer
            }
            const int64_t after = for_passes - passes * pass;
            if (words + padding_words(after) < word_bound) {
                loop.body_padding = static_cast<int32_t>(body);
                loop.counter = static_cast<uint32_t>(passes % full);
                word_bound = words + padding_words(after);
                best = PaddedLoop{loop, after, static_cast<int32_t>(word_bound)};
            }
        }
    }
    return best;
}

// A loop followed by a second one that counts its low `bytes`, left at 0,
// down from 0 again, with `body_padding` in its body.
void offer_following_loops(int64_t cycles, const CompactRegisters& registers, Search& search) {
    for (int32_t bytes = 1; bytes <= std::min(registers.count, 3); ++bytes) {
        CompactLoop following = loop_on_counter_left_at_zero(bytes, registers.sbiw_pair);
        // The loop before it takes at least an ldi, a count-down and a brne.
        for (; following.words() + 3 < search.best_words; ++following.body_padding) {
            const int64_t before = cycles - following.cycles();
            if (before < 0) {
                break;
            }
            const std::optional<PaddedLoop> found =
                single_loop(before, registers, bytes, search.best_words - following.words());
            if (found) {
                CompactPlan plan = found->plan(cycles);
                plan.following[0] = following;
                search.offer(plan);
            }
        }
    }
}

// A loop followed by two loops that count its low bytes, left at 0, down
// again: the first of them has at least as many bytes as the second and,
// of as many, at least as much body padding, so that each pair is tried
// once.
void offer_two_following_loops(int64_t cycles, const CompactRegisters& registers, Search& search) {
    // The loop before them takes at least 3 words, a loop after it at least 2.
    constexpr int32_t fewest_loop_words = 3, fewest_following_words = 2;
    for (int32_t first_bytes = 1; first_bytes <= std::min(registers.count, 3); ++first_bytes) {
        CompactLoop first = loop_on_counter_left_at_zero(first_bytes, registers.sbiw_pair);
        // Padding in the loop before them adds at least as many cycles as in
        // either of them: with none in theirs, the longest plan of these
        // bytes must still reach the count.
        if (first.words() + fewest_following_words + fewest_loop_words >= search.best_words ||
            cycles > 2 * first.cycles() + longest_loop(registers, first_bytes,
                                                       search.best_words - 1 - first.words() -
                                                           fewest_following_words)) {
            continue;
        }
        for (; first.words() + fewest_following_words + fewest_loop_words < search.best_words;
             ++first.body_padding) {
            const int64_t left = cycles - first.cycles();
            if (left < 0) {
                break;
            }
            // The second loop takes at most as many cycles as the first.
            if (left - first.cycles() >
                longest_loop(registers, first_bytes,
                             search.best_words - first.words() - fewest_following_words - 1)) {
                continue;
            }
            for (int32_t second_bytes = 1; second_bytes <= first_bytes; ++second_bytes) {
                CompactLoop second = loop_on_counter_left_at_zero(second_bytes, registers.sbiw_pair);
                for (; first.words() + second.words() + fewest_loop_words < search.best_words &&
                       (second_bytes < first_bytes || second.body_padding <= first.body_padding);
                     ++second.body_padding) {
                    const int64_t before = left - second.cycles();
                    if (before < 0) {
                        break;
                    }
                    const int64_t bound = search.best_words - first.words() - second.words();
                    if (before > longest_loop(registers, first_bytes, bound - 1)) {
                        continue;
                    }
                    const std::optional<PaddedLoop> found =
                        single_loop(before, registers, first_bytes, bound);
                    if (found) {
                        CompactPlan plan = found->plan(cycles);
                        plan.following = {first, second};
                        search.offer(plan);
                    }
                }
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
        const std::optional<PaddedLoop> found =
            single_loop(each_pass - outer_pass_cycles, inner, 1, bound);
        if (found) {
            CompactPlan plan = found->plan(cycles);
            plan.outer = OuterLoop{static_cast<uint32_t>(passes % 256), plan.padding};
            plan.padding = static_cast<int32_t>(after);
            search.offer(plan);
        }
    }
}

// A loop inside an outer loop of 2 to 256 passes that loads the loop's
// counter once, before its own ldi: the first pass runs the loop's passes,
// every later one a full wrap of the counter left at 0. With P the loop's
// pass, F its full wrap, d the outer loop's padding and A its passes, every
// later pass takes F x P + d + 2 cycles (the loop's last brne one short,
// dec 1, brne 2) and the first as many less m x P, for the m passes fewer
// that the loop's ldi gives it (0 to F - 1); the padding after takes the
// rest. For each padding, the smallest rest: from the largest A for which
// the later passes fit with m = 0 up, where each more pass changes the
// rest, a multiple of P less, by the same step, so that P passes more
// repeat it.
void offer_nests_loaded_once(int64_t cycles, const CompactRegisters& registers, Search& search) {
    const bool sbiw_pair = registers.sbiw_pair && registers.count > 2;
    const int64_t most_padding = 2 * max_compact_words;
    for (int32_t bytes = 1; bytes <= std::min(registers.count - 1, 3); ++bytes) {
        CompactLoop loop;
        loop.count_down = count_down_for(bytes, sbiw_pair);
        loop.bytes = bytes;
        if (loop.words() + outer_loop_words >= search.best_words) {
            break;  // more bytes only add words
        }
        const int64_t full = most_passes(bytes);
        const int64_t spread = cycles - bytes;  // all but the loop's ldi
        // With less body padding, 256 passes of a full wrap and the most
        // padding in and after the outer loop fall short of the count.
        loop.body_padding = static_cast<int32_t>(std::max<int64_t>(
            0, ((spread - most_padding) / 256 - most_padding - 2) / full - loop.pass_cycles()));
        for (; loop.words() + outer_loop_words < search.best_words; ++loop.body_padding) {
            const int64_t pass = loop.pass_cycles();
            bool two_passes_fit = false;
            for (int32_t padding = 0;
                 loop.words() + outer_loop_words + padding_words(padding) < search.best_words; ++padding) {
                const int64_t later = full * pass + padding + 2;
                const int64_t shortest_first = pass + padding + 2;
                if (shortest_first + later > spread) {
                    break;  // more padding only lengthens the passes
                }
                two_passes_fit = true;
                int64_t passes = std::max<int64_t>(2, spread / later);
                for (const int64_t last = std::min<int64_t>(256, passes + pass); passes <= last; ++passes) {
                    if ((passes - 1) * later + shortest_first > spread) {
                        break;
                    }
                    const int64_t excess = passes * later - spread;
                    const int64_t fewer_passes = excess <= 0 ? 0 : (excess + pass - 1) / pass;
                    const int64_t after = fewer_passes * pass - excess;
                    if (loop.words() + outer_loop_words + padding_words(padding) +
                            padding_words(after) < search.best_words) {
                        CompactPlan plan;
                        plan.requested_cycles = cycles;
                        plan.loop = loop;
                        plan.loop->counter = static_cast<uint32_t>((full - fewer_passes) % full);
                        plan.outer = OuterLoop{static_cast<uint32_t>(passes % 256), padding, false};
                        plan.padding = static_cast<int32_t>(after);
                        search.offer(plan);
                    }
                    if (after == 0) {
                        break;
                    }
                }
            }
            if (!two_passes_fit) {
                break;  // more body padding only lengthens the passes
            }
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
    if (outer && outer->reloads_loop) {
        total = outer->passes() * (total + outer->padding + outer_pass_cycles);
    } else if (outer) {
        // The loop's ldi, the first pass with the loop's passes, the later
        // ones with a full wrap; the outer ldi and the last brne's cycle
        // less make up for each other.
        const int64_t rest_of_pass = outer->padding + outer_pass_cycles - 1;
        total = loop->bytes + loop->passes() * loop->pass_cycles() + rest_of_pass +
                (outer->passes() - 1) * (most_passes(loop->bytes) * loop->pass_cycles() + rest_of_pass);
    }
    for (const std::optional<CompactLoop>& after : following) {
        total += after ? after->cycles() : 0;
    }
    return total + padding;
}

int32_t CompactPlan::words() const {
    const int32_t outer_words =
        outer ? outer_loop_words + static_cast<int32_t>(padding_words(outer->padding)) : 0;
    int32_t total = (loop ? loop->words() : 0) + outer_words;
    for (const std::optional<CompactLoop>& after : following) {
        total += after ? after->words() : 0;
    }
    return total + static_cast<int32_t>(padding_words(padding));
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
    if (const std::optional<PaddedLoop> found = single_loop(cycles, registers, 1, search.best_words)) {
        search.offer(found->plan(cycles));
    }
    offer_following_loops(cycles, registers, search);
    if (registers.count >= 2) {
        offer_outer_loops(cycles, registers, search);
    }
    offer_two_following_loops(cycles, registers, search);
    if (registers.count >= 2) {
        offer_nests_loaded_once(cycles, registers, search);
    }
    if (search.best_words > max_compact_words) {
        return std::nullopt;
    }
    return search.best;
}

}  // namespace cyclotrim
