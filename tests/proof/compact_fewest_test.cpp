// SPDX-License-Identifier: MIT
// "Fewest" as a checked property: an enumerator of the test's own, which
// shares nothing with the planner, finds for every count up to 262,144 the
// fewest words of any program built from the blocks below, up to 64 words;
// the planner must find exactly that many, with no register, on one, on
// two that sbiw takes as a pair and on two that it does not.
//
// A program is loops in sequence, then padding (rjmp, 2 cycles; nop, 1).
// A loop counts a counter down to 0 with brne back: one register with dec,
// or both registers, low byte first, with sbiw or with subi and sbci. Its
// counter is loaded (an ldi a byte) or left at 0 by a loop before (every
// byte). Its body holds padding and, with two registers, loops of their own
// on the other register in sequence (nested to depth two): each loaded in
// the body, or on that register left at 0, which on the first pass holds
// what it held before the loop around it: a value loaded before it, or 0
// left by a loop before. Padding between loops or in several places of one
// body takes at least the words of the same cycles in one place, so it is
// counted once a body and once at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "delay/forms/compact_plan.hpp"

namespace {

constexpr int64_t bound = 1 << 18;
constexpr int32_t most_words = 64;
constexpr int32_t none = 1000;

int32_t padding_cost(int64_t cycles) { return static_cast<int32_t>((cycles + 1) / 2); }

// A set of cycle counts from 0 to the bound.
class Counts {
public:
    bool has(int64_t c) const { return c >= 0 && c <= bound && (bits_[c / 64] >> (c % 64)) & 1; }
    void add(int64_t c) {
        if (c >= 0 && c <= bound) {
            bits_[c / 64] |= uint64_t{1} << (c % 64);
        }
    }
    bool empty() const {
        return std::all_of(bits_.begin(), bits_.end(), [](uint64_t b) { return b == 0; });
    }
    template <class Visit>
    void for_each(Visit visit) const {
        for (size_t i = 0; i < bits_.size(); ++i) {
            for (uint64_t b = bits_[i]; b != 0; b &= b - 1) {
                visit(static_cast<int64_t>(64 * i) + __builtin_ctzll(b));
            }
        }
    }
    // Every count of `from` plus `shift` (which may be negative).
    void add_shifted(const Counts& from, int64_t shift) {
        const int64_t size = static_cast<int64_t>(bits_.size());
        const int64_t words = shift >= 0 ? shift / 64 : -((-shift + 63) / 64);
        const int64_t bit = shift - 64 * words;  // 0 to 63
        for (int64_t i = 0; i < size; ++i) {
            const int64_t j = i - words;  // the source word that lands in word i
            uint64_t landed = j >= 0 && j < size ? from.bits_[j] << bit : 0;
            if (bit > 0 && j - 1 >= 0 && j - 1 < size) {
                landed |= from.bits_[j - 1] >> (64 - bit);
            }
            bits_[i] |= landed;
        }
        bits_.back() &= (uint64_t{1} << (bound % 64 + 1)) - 1;
    }
    // Every count of `from` plus first + k x step, for k from 0 to times - 1.
    void add_strided(const Counts& from, int64_t first, int64_t step, int64_t times) {
        Counts reached;
        reached.add_shifted(from, first);
        for (int64_t covered = 1; covered < times && covered * std::abs(step) <= bound;) {
            const int64_t more = std::min(covered, times - covered);
            const Counts before = reached;
            reached.add_shifted(before, more * step);
            covered += more;
        }
        add_shifted(reached, 0);
    }
    // Every sum of a count of `a` and one of `b`.
    void add_sums(const Counts& a, const Counts& b) {
        const bool a_smaller = a.size() <= b.size();
        (a_smaller ? a : b).for_each([&](int64_t c) { add_shifted(a_smaller ? b : a, c); });
    }
    int64_t size() const {
        int64_t size = 0;
        for (uint64_t b : bits_) {
            size += __builtin_popcountll(b);
        }
        return size;
    }

private:
    std::vector<uint64_t> bits_ = std::vector<uint64_t>(bound / 64 + 1);
};

// Sets of counts by the exact number of words that reach them.
using ByWords = std::vector<Counts>;

// The ways a loop of one register can start: loaded, or left at 0.
// `words` is its ldi, padding, dec and brne; cycles of a pass p + 3.
void add_byte_loops(Counts& to, const Counts& from, int32_t words_left, bool zero) {
    for (int64_t p = 0; padding_cost(p) + 2 <= words_left; ++p) {
        if (padding_cost(p) + 3 == words_left) {
            to.add_strided(from, p + 3, p + 3, 256);  // ldi, n passes, the last brne 1 short
        }
        if (zero && padding_cost(p) + 2 == words_left) {
            to.add_shifted(from, 256 * (p + 3) - 1);
        }
    }
}

// Loops in sequence on one register, from the register left at 0, by words
// (nothing at all in 0 words).
ByWords sequences_from_zero() {
    ByWords sequences(most_words + 1);
    sequences[0].add(0);
    for (int32_t w = 1; w <= most_words; ++w) {
        for (int32_t before = 0; before < w; ++before) {
            add_byte_loops(sequences[w], sequences[before], w - before, true);
        }
    }
    return sequences;
}

struct Registers {
    int32_t count;
    bool pair;
};

class Enumerator {
public:
    explicit Enumerator(Registers registers) : registers_(registers) {}

    // The fewest words of every count up to the bound; `none` beyond 64.
    std::vector<int32_t> fewest() {
        std::vector<int32_t> fewest(bound + 1, none);
        programs_.assign(most_words + 1, std::array<Counts, 4>{});
        programs_[0][0].add(0);
        for (int32_t w = 0; w <= most_words; ++w) {
            if (w > 0) {
                add_programs_of(w);
            }
            for (const Counts& ending : programs_[w]) {
                ending.for_each([&](int64_t c) {
                    for (int64_t p = 0; w + padding_cost(p) <= most_words && c + p <= bound; ++p) {
                        fewest[c + p] = std::min(fewest[c + p], w + padding_cost(p));
                    }
                });
            }
            // Longer programs cannot improve a count that this many words reach.
            if (std::all_of(fewest.begin(), fewest.end(), [&](int32_t f) { return f <= w + 1; })) {
                break;
            }
        }
        return fewest;
    }

private:
    // A state: bit r set when register r is known to hold 0.
    static constexpr int both = 3;

    void add_programs_of(int32_t w) {
        for (int before = 0; before <= both; ++before) {
            for (int32_t prefix = 0; prefix < w; ++prefix) {
                const Counts& from = programs_[prefix][before];
                if (from.empty()) {
                    continue;
                }
                const int32_t block = w - prefix;
                for (int r = 0; r < registers_.count; ++r) {
                    add_byte_loops(programs_[w][before | (1 << r)], from, block, before & (1 << r));
                }
                if (registers_.count == 2) {
                    add_two_byte_loops(programs_[w][both], from, block, before == both);
                    add_nests(programs_[w][both], from, block, before);
                }
            }
        }
    }

    // sbiw (a word, 2 cycles) or subi and sbci (two words, 2 cycles).
    void add_two_byte_loops(Counts& to, const Counts& from, int32_t words, bool zero) {
        const int32_t count_down = registers_.pair ? 1 : 2;
        for (int64_t p = 0; padding_cost(p) + count_down + 1 <= words; ++p) {
            if (padding_cost(p) + count_down + 3 == words) {
                to.add_strided(from, 2 + (p + 4) - 1, p + 4, 65536);
            }
            if (zero && padding_cost(p) + count_down + 1 == words) {
                to.add_shifted(from, 65536 * (p + 4) - 1);
            }
        }
    }

    // An outer loop on one register around loops on the other, which end
    // with both at 0: all nests of `words` words that `before` allows.
    void add_nests(Counts& to, const Counts& from, int32_t words, int before) {
        Counts allowed;
        for (int needs = 0; needs < 4; ++needs) {
            // Either register may be the outer loop's.
            const int swapped = ((needs & 1) << 1) | ((needs & 2) >> 1);
            if ((before & needs) == needs || (before & swapped) == swapped) {
                allowed.add_shifted(nests(words)[needs], 0);
            }
        }
        if (!allowed.empty()) {
            to.add_sums(from, allowed);
        }
    }

    // Nests of `words` words by what they need left at 0, as a state: 1 the
    // outer loop's register (it then runs 256 passes, without ldi), 2 the
    // inner one's before the first pass.
    const std::array<Counts, 4>& nests(int32_t words) {
        while (static_cast<int32_t>(nests_.size()) <= words) {
            nests_.push_back(nests_of(static_cast<int32_t>(nests_.size())));
        }
        return nests_[words];
    }

    std::array<Counts, 4> nests_of(int32_t words) {
        if (tails_.empty()) {
            const ByWords sequences = sequences_from_zero();
            tails_.assign(most_words + 1, Counts{});
            for (int32_t w = 0; w <= most_words; ++w) {
                for (int64_t q = 0; w + padding_cost(q) <= most_words; ++q) {
                    tails_[w + padding_cost(q)].add_shifted(sequences[w], q);
                }
            }
        }
        std::array<Counts, 4> nests;
        for (int outer_loaded = 0; outer_loaded <= 1; ++outer_loaded) {
            // The outer ldi, its dec and brne; the body is the rest.
            const int32_t body = words - outer_loaded - 2;
            const int zero_outer = outer_loaded ? 0 : 1;
            for (int64_t p = 0; padding_cost(p) + 2 <= body; ++p) {
                const int64_t pass = p + 3;
                // The first inner loop loaded in the body: n passes every pass.
                Counts each_pass;
                if (body - padding_cost(p) - 3 >= 0) {
                    each_pass.add_strided(tails_[body - padding_cost(p) - 3], pass, pass, 256);
                }
                add_outer_passes(nests[zero_outer], each_pass, outer_loaded);
                // The first inner loop not reloaded: 256 passes every pass but
                // the first, which runs v, loaded before (an ldi), or 256.
                Counts later_pass;
                later_pass.add_shifted(tails_[body - padding_cost(p) - 2], 256 * pass - 1);
                add_outer_passes(nests[zero_outer | 2], later_pass, outer_loaded);
                if (body - padding_cost(p) - 3 >= 0) {
                    Counts loaded_before, shorter_first;
                    later_pass = Counts{};
                    later_pass.add_shifted(tails_[body - padding_cost(p) - 3], 256 * pass - 1);
                    add_outer_passes(loaded_before, later_pass, outer_loaded);
                    shorter_first.add_strided(loaded_before, 1, -pass, 256);  // the ldi; 256 - v fewer
                    nests[zero_outer].add_shifted(shorter_first, 0);
                }
            }
        }
        return nests;
    }

    // The outer loop: its ldi and M passes of (body + dec 1 + brne 2), the
    // last brne 1 short; M from 1 to 256 when loaded, 256 when left at 0.
    static void add_outer_passes(Counts& to, const Counts& bodies, int outer_loaded) {
        bodies.for_each([&](int64_t body) {
            for (int64_t m = outer_loaded ? 1 : 256; m <= 256; ++m) {
                const int64_t cycles = outer_loaded + m * (body + 3) - 1;
                if (cycles > bound) {
                    break;
                }
                to.add(cycles);
            }
        });
    }

    Registers registers_;
    std::vector<std::array<Counts, 4>> programs_;  // by words, then state
    ByWords tails_;  // what follows the first inner loop: loops on its register, padding
    std::vector<std::array<Counts, 4>> nests_;
};

}  // namespace

TEST(CompactFewest, NoCountTakesMoreWordsThanTheEnumeratorFinds) {
    // No register: padding alone, up to 64 words.
    for (const Registers registers :
         {Registers{0, false}, Registers{1, false}, Registers{2, true}, Registers{2, false}}) {
        const std::vector<int32_t> fewest = Enumerator(registers).fewest();
        int failures = 0;
        for (int64_t c = 0; c <= bound && failures < 10; ++c) {
            const std::optional<cyclotrim::CompactPlan> plan =
                cyclotrim::plan_compact_delay(c, {registers.count, registers.pair});
            failures += (plan ? plan->words() : none) != fewest[c];
            EXPECT_EQ(plan ? plan->words() : none, fewest[c])
                << c << " cycles with " << registers.count << " registers" << (registers.pair ? ", a pair" : "");
        }
    }
}
