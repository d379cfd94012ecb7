// SPDX-License-Identifier: MIT
// Compact delays: exactly the requested cycles in the fewest instruction
// words. A compact delay is a counting loop (or none) and padding after it.
// The loop's counter has one to four bytes, loaded with ldi, low byte first;
// each pass runs the body's padding, counts the counter down by one and
// branches back with brne while it is not zero. Padding is rjmp to the next
// instruction (1 word, 2 cycles) and at most one nop (1 word, 1 cycle);
// padding inside a loop's body is paid every pass. More shapes save words
// on some counts: an 8-bit outer loop around the loop, which loads the
// loop's counter on every pass or only once before it (then the counter,
// left at 0, runs a full wrap on every pass after the first); and one or
// two loops after it that count the first one's counter, left at 0, down
// again without loading it (256, 65536 or 16777216 passes for two or three
// words).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace cyclotrim {

// How a pass counts the counter down: dec (one byte), subi and sbci (one
// instruction a byte), or sbiw on the low register pair and sbci on any
// bytes above it.
enum class CountDown { dec, subi, sbiw };

// The longest compact delay written; a count that the given registers can
// only reach in more words is refused.
constexpr int32_t max_compact_words = 64;

struct CompactLoop {
    CountDown count_down = CountDown::dec;
    int32_t bytes = 1;          // 1 to 4
    uint32_t counter = 0;       // loaded value; 0 runs 256^bytes passes
    int32_t body_padding = 0;   // cycles of padding in every pass
    bool loads_counter = true;  // false: the counter is already 0 and runs 256^bytes passes

    int64_t passes() const;
    // Cycles of one pass whose brne branches back: padding, count-down, brne.
    int32_t pass_cycles() const;
    // The loop's cycles, its ldi instructions included: the last brne falls
    // through and takes one cycle less.
    int64_t cycles() const;
    int32_t words() const;
};

// An 8-bit loop (ldi, dec, brne) around the counting loop: each of its
// passes runs the counting loop, then `padding` cycles of padding, dec and
// brne. The counting loop's ldi instructions are inside the outer loop, so
// that every pass runs the loop's passes; or, when `reloads_loop` is false,
// before the outer loop's ldi: then the first pass runs the loop's passes
// and every later one a full wrap of its counter, left at 0.
struct OuterLoop {
    uint32_t counter = 0;  // loaded value; 0 runs 256 passes
    int32_t padding = 0;
    bool reloads_loop = true;

    int64_t passes() const;
};

struct CompactPlan {
    int64_t requested_cycles = 0;
    std::optional<CompactLoop> loop;
    std::optional<OuterLoop> outer;  // around `loop`
    // Loops after the loop, one after the other, on its counter's low
    // bytes left at 0: none, the first, or both.
    std::array<std::optional<CompactLoop>, 2> following;
    int32_t padding = 0;  // cycles of padding at the end

    int64_t cycles() const;
    int32_t words() const;
    // The loop's bytes, then the outer loop's register.
    int32_t registers_used() const;
};

// What the planner may use: the first `registers` of the registers given
// (0 to 4), and whether the first two are a pair that sbiw takes (R24:R25,
// R26:R27, R28:R29 or R30:R31) on a core that has sbiw.
struct CompactRegisters {
    int32_t count = 0;
    bool sbiw_pair = false;
};

// Words of `cycles` cycles of padding: rjmp to the next instruction for
// every two, a nop for an odd one.
int64_t padding_words(int64_t cycles);

// The plan for exactly `cycles` (0 to max_compact_cycle_count) in the fewest
// words, among these shapes, tried in this order: padding alone; a loop of
// one to `registers.count` bytes with padding in its body and after it;
// such a loop followed by a second loop on its counter; such a loop inside
// an outer loop that reloads it; such a loop followed by two loops on its
// counter; such a loop inside an outer loop that loads it once. Among plans
// of equal words the first found wins: the shapes in that order, fewer
// bytes, less padding in the body. Nothing when every plan takes more than
// max_compact_words.
std::optional<CompactPlan> plan_compact_delay(int64_t cycles, const CompactRegisters& registers);

}  // namespace cyclotrim
