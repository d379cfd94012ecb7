#include "delay/compact_plan.hpp"

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

}  // namespace

int64_t CompactLoop::passes() const { return counter == 0 ? most_passes(bytes) : counter; }

int32_t CompactLoop::pass_cycles() const { return body_padding + count_down_cycles(*this) + 2; }

int64_t CompactLoop::cycles() const { return bytes + passes() * pass_cycles() - 1; }

int32_t CompactLoop::words() const {
    return bytes + static_cast<int32_t>(padding_words(body_padding)) + count_down_words(*this) + 1;
}

int32_t CompactPlan::words() const {
    return (loop ? loop->words() : 0) + static_cast<int32_t>(padding_words(padding));
}

int32_t CompactPlan::registers_used() const { return loop ? loop->bytes : 0; }

int64_t padding_words(int64_t cycles) { return cycles / 2 + cycles % 2; }

std::optional<CompactPlan> plan_compact_delay(int64_t cycles, const CompactRegisters& registers) {
    CompactPlan best;
    best.requested_cycles = cycles;
    best.padding = static_cast<int32_t>(std::min<int64_t>(cycles, 2 * max_compact_words));
    // Only plans of fewer words replace the best so far, so that the earlier
    // of two equal plans, the one with fewer bytes or less body padding, wins.
    int64_t best_words = std::min<int64_t>(padding_words(cycles), max_compact_words + 1);
    for (int32_t bytes = 1; bytes <= std::min(registers.count, 4); ++bytes) {
        CompactLoop loop;
        loop.count_down = count_down_for(bytes, registers.sbiw_pair);
        loop.bytes = bytes;
        // The cycles left for the passes and the padding after the loop, once
        // the ldi instructions and the last brne (one cycle short) are counted.
        const int64_t for_passes = cycles - bytes + 1;
        if (for_passes <= 0) {
            break;
        }
        // Less body padding than this makes the passes more than the counter holds.
        const int64_t fewest_padding = std::max<int64_t>(
            0, (for_passes + most_passes(bytes) - 1) / most_passes(bytes) - loop.pass_cycles());
        for (int64_t body = fewest_padding;; ++body) {
            loop.body_padding = static_cast<int32_t>(body);
            const int64_t loop_words = loop.words();
            if (loop_words >= best_words) {
                break;  // more padding only adds words
            }
            const int64_t passes = std::min(most_passes(bytes), for_passes / loop.pass_cycles());
            if (passes < 1) {
                break;  // more padding only makes passes longer
            }
            const int64_t after = for_passes - passes * loop.pass_cycles();
            if (loop_words + padding_words(after) < best_words) {
                best_words = loop_words + padding_words(after);
                loop.counter = static_cast<uint32_t>(passes % most_passes(bytes));
                best.loop = loop;
                best.padding = static_cast<int32_t>(after);
            }
        }
    }
    if (best_words > max_compact_words) {
        return std::nullopt;
    }
    return best;
}

}  // namespace cyclotrim
