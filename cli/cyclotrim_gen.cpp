// SPDX-License-Identifier: MIT
// cyclotrim-gen: exact delays for scripts and Makefiles. Writes to standard
// output the listing that Start appends in the window for the same cycle
// count and registers; reads a time and a clock exactly and the same way in
// every locale.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/generator.hpp"

namespace {

// Writes `text` to standard output; a full disk or a closed pipe is reported.
int write_out(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) {
        std::fprintf(stderr, "cyclotrim-gen: cannot write the listing: %s\n", std::strerror(errno));
        return cyclotrim::exit_not_written;
    }
    return cyclotrim::exit_written;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe is reported like any other failed write.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
    // Lines end in LF alone, as everywhere else: the same bytes on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const cyclotrim::GeneratorRun run =
        cyclotrim::run_generator(std::vector<std::string>(argv + 1, argv + argc));
    if (run.status != cyclotrim::exit_written) {
        std::fputs(run.err.c_str(), stderr);
        return run.status;
    }
    return write_out(run.out);
}
