// SPDX-License-Identifier: MIT
// The exhaustive walk over every counter combination, kept as the oracle
// that the fast search is checked against. `lowest_counter` 0 walks the
// original combinations, where a counter of 0 counts as a loop costing
// nothing; 1 walks complete nests only.
#pragma once

#include <array>
#include <cstdint>

struct WalkResult {
    int32_t achieved = 0;
    std::array<int32_t, 3> counters{};  // innermost first
};

inline void walk_level(int32_t level, int64_t carried, int32_t levels, int32_t lowest_counter,
                       int64_t request, std::array<int32_t, 3>& counters, WalkResult& best) {
    for (counters[level] = lowest_counter; counters[level] <= 255; ++counters[level]) {
        const int64_t v = (carried + 3) * counters[level];
        const bool complete = lowest_counter == 0 || level == levels - 1;
        if (complete && v > best.achieved && v <= request) {
            best.achieved = static_cast<int32_t>(v);
            for (int32_t j = 0; j < levels; ++j) {
                best.counters[j] = counters[j] & 0xff;
            }
        }
        if (level < levels - 1) {
            walk_level(level + 1, v, levels, lowest_counter, request, counters, best);
        }
    }
}

inline WalkResult exhaustive_walk(int32_t request, int32_t levels, int32_t lowest_counter) {
    WalkResult best;
    std::array<int32_t, 3> counters{};
    walk_level(0, 0, levels, lowest_counter, request, counters, best);
    return best;
}
