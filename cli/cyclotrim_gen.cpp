// cyclotrim-gen: the Start command for scripts and Makefiles. Writes to
// standard output exactly the listing that Start appends in the window for
// the same cycle text and register entries.
#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "delay/start_command.hpp"
#include "delay/time_conversion.hpp"

namespace {

constexpr int exit_refused = 2;
constexpr int exit_usage = 1;

const char* const usage_text =
    "Usage: cyclotrim-gen [-r REG,REG,REG] CYCLES\n"
    "       cyclotrim-gen [-r REG,REG,REG] -t SECONDS [-f MHZ]\n"
    "\n"
    "Writes AVR assembler for a busy-wait delay of exactly CYCLES clock cycles\n"
    "to standard output: the same listing that Start writes in the window.\n"
    "\n"
    "  -r REG,REG,REG  registers of the loops WL0, WL1, WL2, outermost first\n"
    "                  (default R16,R17,R18); a register left out keeps its default\n"
    "  -t SECONDS      delay for this time instead of a cycle count\n"
    "  -f MHZ          clock frequency for -t (default 4.000)\n"
    "  -h, --help      show this help and exit\n"
    "\n"
    "CYCLES is read like the window's Cycles entry: a whole number, anything after\n"
    "it is ignored. SECONDS and MHZ are read in the decimal notation of your\n"
    "locale, like the window's Time and Frequency entries. A request that\n"
    "cannot be written is explained on standard error and the exit status is 2.\n";

int usage_error(const char* message) {
    std::fprintf(stderr, "cyclotrim-gen: %s\n\n%s", message, usage_text);
    return exit_usage;
}

// A negative count such as -5 is a cycle text (to be refused), not an option.
bool looks_like_option(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

// Fills `registers` from a comma-separated list; missing items keep their defaults.
bool read_register_list(std::string_view list, cyclotrim::RegisterTexts& registers) {
    size_t slot = 0;
    while (true) {
        const size_t comma = list.find(',');
        if (slot >= registers.size()) {
            return false;
        }
        registers[slot++] = std::string(list.substr(0, comma));
        if (comma == std::string_view::npos) {
            return true;
        }
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    cyclotrim::RegisterTexts registers = cyclotrim::default_register_texts();
    // Times and frequencies are read in the user's decimal notation, as in the window.
    std::setlocale(LC_ALL, "");
    const char* cycles_text = nullptr;
    const char* seconds_text = nullptr;
    const char* mhz_text = "4.000";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        if (arg == "-r") {
            if (++i >= argc) {
                return usage_error("-r needs a list of registers");
            }
            if (!read_register_list(argv[i], registers)) {
                return usage_error("-r takes at most three registers");
            }
        } else if (arg == "-t" || arg == "-f") {
            if (++i >= argc) {
                return usage_error(arg == "-t" ? "-t needs a time in seconds"
                                               : "-f needs a frequency in MHz");
            }
            (arg == "-t" ? seconds_text : mhz_text) = argv[i];
        } else if (looks_like_option(arg)) {
            return usage_error("unknown option");
        } else if (cycles_text == nullptr) {
            cycles_text = argv[i];
        } else {
            return usage_error("too many arguments");
        }
    }
    if (seconds_text != nullptr && cycles_text != nullptr) {
        return usage_error("give either CYCLES or -t SECONDS, not both");
    }
    if (seconds_text == nullptr && cycles_text == nullptr) {
        return usage_error("no cycle count given");
    }
    std::string converted;
    if (seconds_text != nullptr) {
        const std::optional<std::string> count =
            cyclotrim::cycles_text_from_time(seconds_text, mhz_text);
        if (!count) {
            std::fputs("cyclotrim-gen: No cycle count: -t needs a time other than 0 "
                       "and -f a frequency in MHz.\n", stderr);
            return exit_refused;
        }
        converted = *count;
        cycles_text = converted.c_str();
    }

    cyclotrim::LoopPlan plan;
    const cyclotrim::StartOutcome outcome = cyclotrim::run_start_command(cycles_text, registers, plan);
    if (outcome.refused) {
        std::fprintf(stderr, "cyclotrim-gen: %s\n", outcome.status_message.c_str());
        return exit_refused;
    }
    std::fwrite(outcome.listing.data(), 1, outcome.listing.size(), stdout);
    return 0;
}
