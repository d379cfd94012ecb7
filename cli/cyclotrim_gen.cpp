// cyclotrim-gen: exact delays for scripts and Makefiles. Writes to standard
// output the listing that Start appends in the window for the same cycle
// count and registers; reads a time and a clock exactly and the same way in
// every locale.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cerrno>
#include <string>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/command_line.hpp"
#include "delay/entry_parsing.hpp"
#include "delay/text_format.hpp"

namespace {

constexpr int exit_written = 0;
constexpr int exit_not_written = 1;
constexpr int exit_refused = 2;

int refuse(const std::string& message) {
    std::fprintf(stderr, "cyclotrim-gen: %s\n", message.c_str());
    return exit_refused;
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "cyclotrim-gen: %s\nTry 'cyclotrim-gen --help' for more information.\n",
                 message.c_str());
    return exit_refused;
}

// Writes `text` to standard output; a full disk or a closed pipe is reported.
int write_out(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) {
        std::fprintf(stderr, "cyclotrim-gen: cannot write the listing: %s\n", std::strerror(errno));
        return exit_not_written;
    }
    return exit_written;
}

// The refusal for a CYCLES operand: the window's wording, except that text
// which is no whole number is quoted.
std::string cycle_count_refusal(const std::string& text, cyclotrim::CycleTextProblem problem) {
    if (problem == cyclotrim::CycleTextProblem::no_number) {
        return cyclotrim::format_text(
            "\"%s\" is not a cycle count: give a whole number of cycles, such as 1000.",
            text.c_str());
    }
    return cyclotrim::cycle_text_refusal(problem);
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
    const cyclotrim::CommandLine line = cyclotrim::read_command_line(argc, argv);
    if (!line.usage_error.empty()) {
        return usage_error(line.usage_error);
    }
    const cyclotrim::GeneratorRequest& request = line.request;
    if (request.help) {
        return write_out(cyclotrim::generator_help());
    }
    if (request.version) {
        return write_out("cyclotrim-gen (Cyclotrim) " CYCLOTRIM_VERSION "\n");
    }

    int32_t cycles = 0;
    std::string time_comment;
    if (request.time_text) {
        const cyclotrim::QuantityReading time = cyclotrim::read_time(*request.time_text);
        if (!time.ok) {
            return refuse(time.problem);
        }
        const cyclotrim::QuantityReading clock = cyclotrim::read_clock(request.clock_text);
        if (!clock.ok) {
            return refuse(clock.problem);
        }
        const cyclotrim::TimeInCycles converted =
            cyclotrim::cycles_for_time(time.quantity, clock.quantity, request.rounding);
        if (!converted.ok) {
            return refuse(converted.comment_or_problem);
        }
        cycles = converted.cycles;
        time_comment = converted.comment_or_problem;
    } else {
        const cyclotrim::CycleText count = cyclotrim::parse_whole_cycle_count(*request.cycles_text);
        if (count.problem != cyclotrim::CycleTextProblem::none) {
            return refuse(cycle_count_refusal(*request.cycles_text, count.problem));
        }
        cycles = count.cycles;
    }

    const cyclotrim::FormedListing formed =
        cyclotrim::write_listing_in_form(cycles, request.registers, request.form, time_comment);
    if (formed.refused) {
        return refuse(formed.refusal);
    }
    return write_out(formed.text);
}
