// SPDX-License-Identifier: MIT
#include "delay/nest/loop_search.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

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

// Every nest costs 3 times a whole number:
//   one loop    3 c0
//   two loops   3 (c0 + 1) c1
//   three loops 3 ((c0 + 1) c1 + 1) c2
// (c0 innermost). The searches below work on that whole number and so never
// need more than 32 bits.

void search_one_loop(int32_t third, LoopPlan& plan) {
    const int32_t c0 = std::min(third, max_counter);
    if (c0 >= 1) {
        plan.achieved_cycles = 3 * c0;
        plan.best_counters[0] = static_cast<uint8_t>(c0);
    }
}

// For each inner counter the outer counter is the largest that fits; the
// first inner counter to reach the best total wins.
void search_two_loops(int32_t third, LoopPlan& plan) {
    for (int32_t c0 = 1; c0 <= max_counter && c0 + 1 <= third; ++c0) {
        const int32_t c1 = std::min(third / (c0 + 1), max_counter);
        const int32_t achieved = 3 * (c0 + 1) * c1;
        if (achieved > plan.achieved_cycles) {
            plan.achieved_cycles = achieved;
            plan.best_counters[0] = static_cast<uint8_t>(c0);
            plan.best_counters[1] = static_cast<uint8_t>(c1);
        }
    }
}

// The inner two loops of a three-loop nest cost 3 (w - 1) + 3 cycles for
// w = (c0 + 1) c1 + 1. This table holds, for every w up to the largest,
// the smallest c0 + 1 that makes w (0 if none does) and the largest w that
// any pair makes at or below it.
class InnerPairTable {
public:
    static const InnerPairTable& get() {
        static const InnerPairTable table;
        return table;
    }

    static constexpr int32_t largest = (max_counter + 1) * max_counter + 1;

    // Largest reachable w not above `limit`, 0 if there is none.
    int32_t largest_up_to(int32_t limit) const { return floor_[std::min(limit, largest)]; }

    // The first (c0, c1) in search order that makes a reachable w.
    std::pair<int32_t, int32_t> first_pair(int32_t w) const {
        const int32_t factor = smallest_factor_[w];
        return {factor - 1, (w - 1) / factor};
    }

private:
    InnerPairTable() : smallest_factor_(largest + 1, 0), floor_(largest + 1, 0) {
        for (int32_t factor = max_counter + 1; factor >= 2; --factor) {
            for (int32_t c1 = 1; c1 <= max_counter; ++c1) {
                smallest_factor_[factor * c1 + 1] = static_cast<uint16_t>(factor);
            }
        }
        for (int32_t w = 1; w <= largest; ++w) {
            floor_[w] = smallest_factor_[w] != 0 ? w : floor_[w - 1];
        }
    }

    std::vector<uint16_t> smallest_factor_;
    std::vector<int32_t> floor_;
};

// For each outer counter c2 the best inner pair is the largest reachable w
// with c2 w within the request. Among nests of the best total, the one with
// the smallest c0, then c1, then c2 is the one the walk meets first.
//
// While c2 * largest still fits, the inner pair is the largest one and the
// total grows with c2, so only the last such c2 can win: the walk starts
// there. A request for at least the largest nest gets it without a search.
void search_three_loops(int32_t third, LoopPlan& plan) {
    const InnerPairTable& table = InnerPairTable::get();
    if (third >= max_counter * InnerPairTable::largest) {
        plan.achieved_cycles = 3 * max_counter * InnerPairTable::largest;
        plan.best_counters[0] = plan.best_counters[1] = plan.best_counters[2] = max_counter;
        return;
    }
    int32_t best = 0;
    std::array<int32_t, 3> best_nest{};
    for (int32_t c2 = std::max(1, third / InnerPairTable::largest); c2 <= max_counter; ++c2) {
        const int32_t w = table.largest_up_to(third / c2);
        if (w == 0) {
            break;
        }
        const auto [c0, c1] = table.first_pair(w);
        const std::array<int32_t, 3> nest{c0, c1, c2};
        if (c2 * w > best || (c2 * w == best && nest < best_nest)) {
            best = c2 * w;
            best_nest = nest;
        }
    }
    if (best > 0) {
        plan.achieved_cycles = 3 * best;
        for (size_t level = 0; level < best_nest.size(); ++level) {
            plan.best_counters[level] = static_cast<uint8_t>(best_nest[level]);
        }
    }
}

}  // namespace

void search_loop_nest(int32_t cycles, int32_t levels, LoopPlan& plan) {
    plan.achieved_cycles = 0;
    plan.register_count = levels;
    const int32_t third = cycles / 3;
    switch (levels) {
        case 1:
            search_one_loop(third, plan);
            break;
        case 2:
            search_two_loops(third, plan);
            break;
        default:
            search_three_loops(third, plan);
            break;
    }
}

}  // namespace cyclotrim
