// SPDX-License-Identifier: MIT
// Checks run on every count of a range, on all cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Runs `check` on every count from 0 to `top` on two threads (or more, if
// there are more cores); returns the first problem found, with its count.
template <class Check>
inline std::string first_problem_up_to(int64_t top, const Check& check) {
    const unsigned workers = std::max(2u, std::thread::hardware_concurrency());
    std::atomic<int64_t> failures{0};
    std::vector<std::string> problems(workers);
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w) {
        threads.emplace_back([&, w] {
            // Interleaved blocks, so that every thread meets the slow counts alike.
            constexpr int64_t block = 65536;
            for (int64_t begin = w * block; begin <= top; begin += workers * block) {
                for (int64_t c = begin; c < begin + block && c <= top; ++c) {
                    const std::string problem = check(c);
                    if (!problem.empty() && failures++ == 0) {
                        problems[w] = std::to_string(c) + ": " + problem;
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::string found;
    for (const std::string& problem : problems) {
        found += problem;
    }
    return found;
}
