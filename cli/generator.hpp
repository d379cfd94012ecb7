// SPDX-License-Identifier: MIT
// One run of the companion on its arguments, without touching the process's
// streams: what it would write on standard output and standard error, and
// its exit status. The command-line program, the web page and the fuzzer
// all run requests through it, so they answer alike.
#pragma once

#include <string>
#include <vector>

namespace cyclotrim {

constexpr int exit_written = 0;
constexpr int exit_not_written = 1;  // the listing could not be written
constexpr int exit_refused = 2;      // a usage error, or a request that cannot be met

struct GeneratorRun {
    int status = exit_written;
    std::string out;  // standard output: empty unless status is exit_written
    std::string err;  // standard error: why nothing was written
};

// `arguments` are the command line's words after the program's name.
GeneratorRun run_generator(const std::vector<std::string>& arguments);

}  // namespace cyclotrim
