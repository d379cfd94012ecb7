#include "cli/command_line.hpp"

#include <getopt.h>

#include <string_view>

#include "delay/entry_parsing.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

enum LongOnly { round_option = 256 };

const option long_options[] = {
    {"registers", required_argument, nullptr, 'r'},
    {"time", required_argument, nullptr, 't'},
    {"clock", required_argument, nullptr, 'f'},
    {"round", required_argument, nullptr, round_option},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Fills the registers from a comma-separated list of one to three names;
// the loops not named keep their defaults.
std::string read_register_list(std::string_view list, RegisterTexts& registers) {
    registers = default_register_texts();
    size_t slot = 0;
    while (true) {
        const size_t comma = list.find(',');
        if (slot >= registers.size()) {
            return "-r takes at most three registers";
        }
        const std::string_view item = list.substr(0, comma);
        if (first_word(item).empty()) {
            return format_text("-r: register %zu of the list is empty", slot + 1);
        }
        registers[slot++] = std::string(item);
        if (comma == std::string_view::npos) {
            return "";
        }
        list.remove_prefix(comma + 1);
    }
}

std::optional<Rounding> read_rounding(std::string_view text) {
    if (text == "down") {
        return Rounding::down;
    }
    if (text == "nearest") {
        return Rounding::nearest;
    }
    if (text == "up") {
        return Rounding::up;
    }
    return std::nullopt;
}

// The option as the user wrote it, for messages.
std::string written_option(char** argv, int index) {
    const std::string_view arg = argv[index];
    return std::string(arg.substr(0, arg.find('=')));
}

}  // namespace

CommandLine read_command_line(int argc, char** argv) {
    CommandLine line;
    GeneratorRequest& request = line.request;
    bool clock_given = false;
    bool rounding_given = false;
    opterr = 0;  // the messages below name the option
    optind = 1;
    int code = 0;
    while ((code = getopt_long(argc, argv, ":r:t:f:hV", long_options, nullptr)) != -1) {
        switch (code) {
            case 'r':
                line.usage_error = read_register_list(optarg, request.registers);
                break;
            case 't':
                request.time_text = optarg;
                break;
            case 'f':
                request.clock_text = optarg;
                clock_given = true;
                break;
            case round_option:
                if (const std::optional<Rounding> rounding = read_rounding(optarg)) {
                    request.rounding = *rounding;
                    rounding_given = true;
                } else {
                    line.usage_error = format_text(
                        "--round takes down, nearest or up, not '%s'", optarg);
                }
                break;
            case 'h':
                request.help = true;
                return line;
            case 'V':
                request.version = true;
                return line;
            case ':':
                line.usage_error = format_text("option '%s' needs a value",
                                               written_option(argv, optind - 1).c_str());
                break;
            default: {
                const std::string written = written_option(argv, optind - 1);
                line.usage_error =
                    written.rfind("--", 0) == 0
                        ? format_text("unknown option '%s'", written.c_str())
                        : format_text("unknown option '-%c'", static_cast<char>(optopt));
                break;
            }
        }
        if (!line.usage_error.empty()) {
            return line;
        }
    }
    const int operands = argc - optind;
    if ((clock_given || rounding_given) && !request.time_text) {
        line.usage_error = format_text("%s needs -t TIME", clock_given ? "-f" : "--round");
    } else if (request.time_text && operands > 0) {
        line.usage_error = "give either CYCLES or -t TIME, not both";
    } else if (!request.time_text && operands == 0) {
        line.usage_error = "no cycle count given";
    } else if (operands > 1) {
        line.usage_error = format_text("one cycle count only, not also '%s'", argv[optind + 1]);
    } else if (operands == 1) {
        request.cycles_text = argv[optind];
    }
    return line;
}

const char* generator_help() {
    return "Usage: cyclotrim-gen [OPTION]... CYCLES\n"
           "  or:  cyclotrim-gen [OPTION]... -t TIME [-f CLOCK] [--round MODE]\n"
           "Write AVR assembler for a busy-wait delay of exactly CYCLES clock cycles\n"
           "(or of TIME at CLOCK) to standard output: the listing that Start writes\n"
           "in the Cyclotrim window.\n"
           "\n"
           "  -r, --registers=LIST  registers of the loops WL0, WL1, WL2, outermost\n"
           "                        first, separated by commas (default R16,R17,R18);\n"
           "                        loops left out keep their default\n"
           "  -t, --time=TIME       a delay of this time: a number with '.' as the\n"
           "                        decimal point and a unit s, ms, us (or µs) or ns;\n"
           "                        no unit means seconds\n"
           "  -f, --clock=CLOCK     the clock for -t: a number and a unit Hz, kHz or\n"
           "                        MHz; no unit means MHz (default 4MHz)\n"
           "      --round=MODE      how -t rounds a fraction of a cycle: down (the\n"
           "                        default), nearest (halves go up) or up\n"
           "  -h, --help            show this help and exit\n"
           "  -V, --version         show the version and exit\n"
           "\n"
           "CYCLES is a whole number from 0 to 2147483647 (blanks and a leading +\n"
           "allowed). Cycles for -t are time x clock, computed exactly from the\n"
           "decimal texts; the listing then starts with a comment that states the\n"
           "time, the clock, the cycles and how far the delay is from that time.\n"
           "Numbers are read the same way in every locale.\n"
           "\n"
           "Every register must be one ldi can load, R16 to R31 (or XL, XH, YL, YH,\n"
           "ZL, ZH, which are R26 to R31), and each loop needs its own. A name made\n"
           "with .def is taken as it is: this program cannot see which register it\n"
           "stands for, so make sure that two aliases name two registers.\n"
           "\n"
           "Exit status:\n"
           "  0  the listing was written\n"
           "  1  the listing could not be written (a full disk, a closed pipe)\n"
           "  2  a usage error, or a request that cannot be met; standard output\n"
           "     stays empty and standard error says why\n"
           "\n"
           "Examples:\n"
           "  cyclotrim-gen 1000\n"
           "  cyclotrim-gen -r R20,R21,R22 600000 > delay.inc\n"
           "  cyclotrim-gen -t 1.5ms -f 16MHz --round nearest\n";
}

}  // namespace cyclotrim
