#include "delay/loop_search.hpp"

#include <algorithm>
#include <cmath>

namespace cyclotrim {

int32_t estimate_register_count(int32_t cycles) {
    if (cycles == 0) {
        return 1;
    }
    const int32_t full_inner_loop = 3 * max_counter;  // 765
    const int32_t x = cycles > full_inner_loop ? cycles - full_inner_loop : cycles;
    const double quotient = std::log(static_cast<double>(x)) / std::log(765.0);
    const auto n = static_cast<int32_t>(std::floor(quotient) + 1.0);
    return n == 0 ? 1 : n;
}

namespace {

// Depth-first walk over complete nests in the order innermost counter
// slowest. A subtree is skipped when even all-255 counters above it cannot
// beat the best nest found so far, and the outermost counter is computed
// directly: a loop's cost rises with its counter, so the best is the largest
// counter that still fits.
class NestSearch {
public:
    NestSearch(int32_t cycles, int32_t levels, LoopPlan& plan)
        : request_(cycles), levels_(levels), plan_(plan) {}

    void run() { visit(0, 0); }

private:
    // Most cycles any nest can reach from a part costing `inner` that is
    // wrapped in `loops_left` more loops.
    static int64_t ceiling(int64_t inner, int32_t loops_left) {
        for (int32_t i = 0; i < loops_left; ++i) {
            inner = loop_cycles(inner, max_counter);
        }
        return inner;
    }

    bool found_exact() const { return plan_.achieved_cycles == request_; }

    void offer(int64_t cycles) {
        if (cycles > plan_.achieved_cycles && cycles <= request_) {
            plan_.achieved_cycles = static_cast<int32_t>(cycles);
            for (int32_t level = 0; level < levels_; ++level) {
                plan_.best_counters[level] = static_cast<uint8_t>(counters_[level]);
            }
        }
    }

    void visit(int32_t level, int64_t inner) {
        if (level == levels_ - 1) {
            const int64_t counter = std::min<int64_t>(max_counter, request_ / (inner + 3));
            if (counter >= 1) {
                counters_[level] = static_cast<int32_t>(counter);
                offer(loop_cycles(inner, counters_[level]));
            }
            return;
        }
        const int32_t loops_left = levels_ - 1 - level;
        for (int32_t counter = 1; counter <= max_counter; ++counter) {
            const int64_t cycles = loop_cycles(inner, counter);
            if (cycles > request_) {
                return;
            }
            if (ceiling(cycles, loops_left) <= plan_.achieved_cycles) {
                continue;
            }
            counters_[level] = counter;
            visit(level + 1, cycles);
            if (found_exact()) {
                return;
            }
        }
    }

    int64_t request_;
    int32_t levels_;
    LoopPlan& plan_;
    std::array<int32_t, max_nest_levels> counters_{};
};

}  // namespace

void search_loop_nest(int32_t cycles, int32_t levels, LoopPlan& plan) {
    plan.achieved_cycles = 0;
    plan.register_count = levels;
    NestSearch(cycles, levels, plan).run();
}

}  // namespace cyclotrim
