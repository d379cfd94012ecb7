// SPDX-License-Identifier: MIT
#include "cli/command_line.hpp"

#include <getopt.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "delay/input/entry_parsing.hpp"
#include "delay/input/register_choice.hpp"
#include "delay/text_format.hpp"
#include "delay/forms/variable_delay_listing.hpp"

namespace cyclotrim {

namespace {

enum LongOnly {
    round_option = 256,
    name_option,
    syntax_option,
    subroutine_option,
    call_option,
    save_option,
    core_option,
    variable_option,
    count_bits_option,
    compact_option,
};

const option long_options[] = {
    {"registers", required_argument, nullptr, 'r'},
    {"time", required_argument, nullptr, 't'},
    {"clock", required_argument, nullptr, 'f'},
    {"round", required_argument, nullptr, round_option},
    {"name", required_argument, nullptr, name_option},
    {"syntax", required_argument, nullptr, syntax_option},
    {"subroutine", no_argument, nullptr, subroutine_option},
    {"call", no_argument, nullptr, call_option},
    {"save", no_argument, nullptr, save_option},
    {"core", required_argument, nullptr, core_option},
    {"variable", no_argument, nullptr, variable_option},
    {"count-bits", required_argument, nullptr, count_bits_option},
    {"compact", no_argument, nullptr, compact_option},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Reads a comma-separated list of register names into `names`. Each item
// is one name: blanks around it are dropped, anything else beside it is
// refused, so the listing never uses a register the user did not name.
std::string read_register_list(std::string_view list, std::vector<std::string>& names) {
    names.clear();
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view item = without_surrounding_blanks(list.substr(0, comma));
        if (item.empty()) {
            return format_text("-r: register %i of the list is empty",
                               static_cast<int>(names.size() + 1));
        }
        if (item.find_first_of(" \t\n\v\f\r") != std::string_view::npos) {
            return format_text("-r: '%s' is not one register name (separate names with commas)",
                               std::string(item).c_str());
        }
        names.emplace_back(item);
        if (comma == std::string_view::npos) {
            return "";
        }
        list.remove_prefix(comma + 1);
    }
}

// The registers of the window's loops: those given, and the defaults of
// the loops left out; or why the list is too long.
std::string fill_loop_registers(const std::vector<std::string>& names, RegisterTexts& registers) {
    registers = default_register_texts();
    if (names.size() > registers.size()) {
        return "-r takes at most three registers";
    }
    std::copy(names.begin(), names.end(), registers.begin());
    return "";
}

// Why a compact delay cannot take the registers of `names`, or "".
std::string compact_register_problem(const std::vector<std::string>& names) {
    return names.size() > 4 ? "-r takes at most four registers with --compact" : "";
}

// Longest --name: avra reads lines of at most 4095 characters, and the
// comment over a subroutine names it twice.
constexpr size_t max_name_length = 1000;

// Why `name` cannot start a listing's labels, or "" when it can. A named
// listing defines NAME and NAME__ followed by a suffix with no second "__",
// so two names that differ, even only in case (avra ignores it), never
// define the same label, as long as neither holds "__".
std::string listing_name_problem(const std::string& name) {
    if (!is_assembler_symbol(name)) {
        return format_text("--name takes an assembler symbol (a letter or _, then letters, digits "
                           "and _), not '%s'", name.c_str());
    }
    if (name.find("__") != std::string::npos) {
        return format_text("--name: '%s' holds \"__\", which only the listing's own labels "
                           "may use (NAME__0, NAME__rest, ...)", name.c_str());
    }
    if (name.size() > max_name_length) {
        return format_text("--name takes at most %i characters (avra reads lines of at most "
                           "4095)", static_cast<int>(max_name_length));
    }
    return "";
}

// The value an option's word names, from a table of words and values.
template <class Value, size_t count>
std::optional<Value> named_value(std::string_view word,
                                 const std::pair<const char*, Value> (&names)[count]) {
    for (const auto& [name, value] : names) {
        if (word == name) {
            return value;
        }
    }
    return std::nullopt;
}

const std::pair<const char*, Rounding> rounding_names[] = {
    {"down", Rounding::down}, {"nearest", Rounding::nearest}, {"up", Rounding::up}};
const std::pair<const char*, Syntax> syntax_names[] = {
    {"avra", Syntax::avra}, {"gnu", Syntax::gnu}, {"c", Syntax::c}};
const std::pair<const char*, int32_t> count_bits_names[] = {{"8", 8}, {"16", 16}};

// The options of the listing's form that the others rule out.
struct FormOptions {
    bool registers = false;
    size_t registers_named = 0;  // by the last -r
    bool subroutine = false;
    bool call = false;
    bool save = false;
    AvrCore core = AvrCore::avre;
    bool variable = false;
    std::optional<int32_t> count_bits;
    bool compact = false;
};

std::string variable_form_conflict(const ListingForm& form, const FormOptions& given) {
    if (given.count_bits && !given.variable) {
        return "--count-bits needs --variable";
    }
    if (!given.variable) {
        return "";
    }
    if (given.subroutine) {
        return "--variable and --subroutine are two forms: give one of them";
    }
    if (form.name.empty()) {
        return "--variable needs --name, the subroutine's label";
    }
    if (form.syntax == Syntax::c) {
        return format_text("--variable does not go with --syntax=c, as a compiler's own call "
                           "cannot be counted: write the --syntax=gnu form into a .S file, link "
                           "it and declare void %s(uint%i_t n); in C",
                           form.name.c_str(), given.count_bits.value_or(16));
    }
    return "";
}

std::string form_conflict(const ListingForm& form, const FormOptions& given) {
    const bool c = form.syntax == Syntax::c;
    if (const std::string conflict = variable_form_conflict(form, given); !conflict.empty()) {
        return conflict;
    }
    if (c && given.registers) {
        return format_text("-r does not go with --syntax=c: the statement uses %s, which C "
                           "code may change freely",
                           given.compact ? "r24 to r27" : "r18, r19 and r20");
    }
    if ((given.call || given.save) && !given.subroutine && !given.variable) {
        return format_text("%s needs --subroutine or --variable", given.call ? "--call" : "--save");
    }
    if (given.subroutine && form.name.empty()) {
        return "--subroutine needs --name, the subroutine's label";
    }
    if (given.subroutine && c) {
        return "--subroutine is for --syntax=avra or gnu";
    }
    if (!form.name.empty() && c) {
        return "--name does not go with --syntax=c: a C statement has no label of its own";
    }
    if (!form.name.empty() && form.syntax == Syntax::gnu && !given.subroutine && !given.variable) {
        return "--name with --syntax=gnu names a subroutine (its loop labels are numbered): add "
               "--subroutine or --variable";
    }
    return "";
}

// The option as the user wrote it, for messages.
std::string written_option(const char* argument) {
    const std::string_view arg = argument;
    return std::string(arg.substr(0, arg.find('=')));
}

// What is wrong with an option that getopt_long did not take. getopt_long
// leaves in `code` the option that got a value it does not take, the short
// option it does not know, or 0 for a long option it does not know or
// cannot tell from others (an abbreviation of several).
std::string unknown_option_problem(const char* argument, int code) {
    for (const option* known = long_options; code != 0 && known->name != nullptr; ++known) {
        if (known->val == code) {
            return format_text("option '--%s' takes no value", known->name);
        }
    }
    if (code != 0) {
        return format_text("unknown option '-%c'", static_cast<char>(code));
    }
    const std::string written = written_option(argument);
    const std::string_view name = std::string_view(written).substr(2);
    std::string candidates;
    for (const option* known = long_options; known->name != nullptr; ++known) {
        if (std::string_view(known->name).substr(0, name.size()) == name) {
            candidates += format_text("%s'--%s'", candidates.empty() ? "" : ", ", known->name);
        }
    }
    if (!candidates.empty()) {
        return format_text("option '%s' is ambiguous: it could be %s", written.c_str(),
                           candidates.c_str());
    }
    return format_text("unknown option '%s'", written.c_str());
}

}  // namespace

CommandLine read_command_line(const std::vector<std::string>& arguments) {
    // getopt_long reorders the words it is given: it gets copies.
    std::vector<std::string> words{"cyclotrim-gen"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    CommandLine line;
    GeneratorRequest& request = line.request;
    bool clock_given = false;
    bool rounding_given = false;
    FormOptions given;
    std::vector<std::string> register_list;
    opterr = 0;  // the messages below name the option
    optind = 0;  // 0, not 1: getopt_long forgets everything of an earlier command line
    int code = 0;
    while ((code = getopt_long(argc, argv.data(), ":r:t:f:hV", long_options, nullptr)) != -1) {
        switch (code) {
            case 'r':
                line.usage_error = read_register_list(optarg, register_list);
                given.registers = true;
                given.registers_named = register_list.size();
                break;
            case 't':
                request.time_text = optarg;
                break;
            case 'f':
                request.clock_text = optarg;
                clock_given = true;
                break;
            case round_option:
                if (const std::optional<Rounding> rounding = named_value(optarg, rounding_names)) {
                    request.rounding = *rounding;
                    rounding_given = true;
                } else {
                    line.usage_error = format_text(
                        "--round takes down, nearest or up, not '%s'", optarg);
                }
                break;
            case name_option:
                request.form.name = optarg;
                line.usage_error = listing_name_problem(optarg);
                break;
            case syntax_option:
                if (const std::optional<Syntax> syntax = named_value(optarg, syntax_names)) {
                    request.form.syntax = *syntax;
                } else {
                    line.usage_error = format_text("--syntax takes avra, gnu or c, not '%s'", optarg);
                }
                break;
            case subroutine_option:
                given.subroutine = true;
                break;
            case call_option:
                given.call = true;
                break;
            case save_option:
                given.save = true;
                break;
            case core_option:
                if (const std::optional<AvrCore> core = avr_core_named(optarg)) {
                    given.core = *core;
                } else {
                    line.usage_error = format_text(
                        "--core takes avre, avre22, avrxt, avrxm or avrrc, not '%s'", optarg);
                }
                break;
            case variable_option:
                given.variable = true;
                break;
            case compact_option:
                given.compact = true;
                break;
            case count_bits_option:
                given.count_bits = named_value(optarg, count_bits_names);
                if (!given.count_bits) {
                    line.usage_error = format_text("--count-bits takes 8 or 16, not '%s'", optarg);
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
                                               written_option(argv[optind - 1]).c_str());
                break;
            default:
                line.usage_error = unknown_option_problem(argv[optind - 1], optopt);
                break;
        }
        if (!line.usage_error.empty()) {
            return line;
        }
    }
    line.usage_error = form_conflict(request.form, given);
    if (line.usage_error.empty() && given.registers) {
        line.usage_error = given.compact ? compact_register_problem(register_list)
                                         : fill_loop_registers(register_list, request.registers);
    }
    if (!line.usage_error.empty()) {
        return line;
    }
    request.registers_given = register_list;
    if (given.subroutine) {
        request.form.subroutine = SubroutineForm{given.core, given.call, given.save};
    }
    if (given.compact) {
        request.form.compact = CompactForm{};
        request.form.compact->core = given.core;
        if (given.registers) {
            request.form.compact->registers = register_list;
        } else if (given.variable) {
            request.form.compact->registers = compact_variable_delay_registers();
        }
    }
    if (given.variable) {
        request.form.variable =
            VariableDelayForm{given.core, given.call, given.save, given.count_bits.value_or(16)};
        // The loops -r leaves out take the form's own defaults.
        for (size_t i = given.registers_named; i < request.registers.size(); ++i) {
            request.registers[i] = variable_delay_register_texts()[i];
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
           "CYCLES is a whole number from 0 to 2147483647 (4294967295 with --compact):\n"
           "digits, with blanks and a leading + allowed (a negative count, written\n"
           "after --, is refused). Cycles for -t are time x clock, computed exactly\n"
           "from the decimal texts, each of at most 100 significant digits; the\n"
           "listing then starts with a comment that states the time, the clock, the\n"
           "cycles and how far the delay is from that time. Numbers are read the same\n"
           "way in every locale.\n"
           "\n"
           "Every register must be one ldi can load, R16 to R31 (or XL, XH, YL, YH,\n"
           "ZL, ZH, which are R26 to R31), and each loop needs its own. x, y and z\n"
           "name register pairs and are refused, as is a leading zero (R016). A name\n"
           "made with .def is taken as it is: this program cannot see which register\n"
           "it stands for, so make sure that two aliases name two registers.\n"
           "\n"
           "Registers of --compact: -r LIST gives those the delay may use, first to\n"
           "last, up to four (default R24,R25,R26,R27); a counter of N bytes takes the\n"
           "first N, low byte first, and a loop around it the next one. sbiw, a word\n"
           "shorter than subi and sbci, is used only where the first two are a pair it\n"
           "takes: R24,R25 or R26,R27 or R28,R29 or R30,R31 (XL,XH or YL,YH or ZL,ZH),\n"
           "so allow it with, for example, -r R24,R25,R20,R21; avrrc cores (--core)\n"
           "have no sbiw. A count that the registers given reach only in more than 64\n"
           "words is refused. In C the statement uses r24 to r27, which it declares\n"
           "clobbered. With --variable the default is R26,R27,R18,R19, which C code\n"
           "may change freely; every register given must be one the loops may use:\n"
           "not r24 and r25, which hold n (r25 is free with --count-bits 8), and R16,\n"
           "R17, R28 and R29 only with --save.\n"
           "\n"
           "A named listing's labels (NAME, NAME__0, ...) must not clash with other\n"
           "names of your program: another label, a .def or .equ (the device include\n"
           "file defines many, such as SREG), or the window's WL0 ... WLrest.\n"
           "\n"
           "Options:\n"
           "  -r, --registers=LIST  registers of the loops WL0, WL1, WL2, outermost\n"
           "                        first, separated by commas (default R16,R17,R18);\n"
           "                        loops left out keep their default; each item is\n"
           "                        one name, blanks around it allowed; with\n"
           "                        --compact, the one to four registers the delay\n"
           "                        may use\n"
           "  -t, --time=TIME       a delay of this time: a number with '.' as the\n"
           "                        decimal point and a unit s, ms, us or ns (us may\n"
           "                        also be written with the micro sign); no unit\n"
           "                        means seconds\n"
           "  -f, --clock=CLOCK     the clock for -t: a number and a unit Hz, kHz or\n"
           "                        MHz; no unit means MHz (default 4MHz)\n"
           "      --round=MODE      how -t rounds a fraction of a cycle: down (the\n"
           "                        default), nearest (halves go up) or up\n"
           "  -h, --help            show this help and exit\n"
           "  -V, --version         show the version and exit\n"
           "\n"
           "Forms of the listing (without them it is the window's):\n"
           "      --name=NAME       start every label with NAME__ (NAME__0, NAME__rest,\n"
           "                        ...), so that several delays share one source file;\n"
           "                        NAME is at most 1000 characters and holds no \"__\"\n"
           "                        of its own, so delays of two names never define\n"
           "                        the same label\n"
           "      --syntax=SYNTAX   avra (the default), gnu for GNU avr-as (numeric\n"
           "                        local labels, 90001: ... brne 90001b, so a file\n"
           "                        takes any number of listings), or c: one GCC\n"
           "                        inline-assembly statement for avr-gcc or clang,\n"
           "                        exact at every optimisation level; its loops use\n"
           "                        r18, r19 and r20, which it declares clobbered (so\n"
           "                        -r does not apply)\n"
           "      --subroutine      write the subroutine NAME, ending in ret (needs\n"
           "                        --name; avra or gnu); the cycles count from the\n"
           "                        first cycle of \"rcall NAME\" to the instruction\n"
           "                        after it\n"
           "      --call            count a call instead of an rcall\n"
           "      --save            push and pop the registers the delay uses, counted\n"
           "      --core=CORE       the cycles of calls and the stack: avre (default;\n"
           "                        classic AVR up to 128 KiB, ATmega328P), avre22\n"
           "                        (ATmega2560/2561), avrxt (tinyAVR 0/1/2, megaAVR 0,\n"
           "                        AVR Dx/Ex), avrxm (XMEGA up to 128 KiB) or avrrc\n"
           "                        (ATtiny4/5/9/10/20/40, no subroutines); the loops\n"
           "                        themselves take the same cycles on every core\n"
           "      --variable        write the subroutine NAME whose delay is n units,\n"
           "                        n an unsigned count read at run time from r25:r24\n"
           "                        (low byte r24, where avr-gcc passes a uint16_t):\n"
           "                        from the first cycle of \"rcall NAME\" to the\n"
           "                        instruction after it, exactly n units of CYCLES\n"
           "                        (or of TIME at CLOCK) for every n from 1 to 65535;\n"
           "                        n = 0 returns at once. Needs --name; avra or gnu;\n"
           "                        --call, --save and --core as for --subroutine\n"
           "                        (not avrrc). Its loops use R18, R19, R20 unless -r\n"
           "                        names others; R16, R17, R28 and R29, which C code\n"
           "                        expects kept, need --save. A unit too short for\n"
           "                        the call, the return and the loop is refused with\n"
           "                        the smallest one possible (14 cycles on avre with\n"
           "                        rcall)\n"
           "      --count-bits=BITS\n"
           "                        for --variable: 16 (the default), or 8 for n in\n"
           "                        r24 alone, 1 to 255 (shorter code)\n"
           "      --compact         the fewest instruction words for exactly the count\n"
           "                        (0 to 4294967295): a loop whose counter has one to\n"
           "                        four bytes, counted down with dec, subi and sbci,\n"
           "                        or sbiw and sbci, with padding (nop, and rjmp to\n"
           "                        the next instruction for two cycles) in its body,\n"
           "                        paid every pass, and after it; where that saves\n"
           "                        words, an 8-bit loop around it or a second loop on\n"
           "                        its counter left at 0; the header states the words.\n"
           "                        With --variable, the two delays of each pass are\n"
           "                        compact ones, so the whole subroutine takes the\n"
           "                        fewest words; the smallest unit is then that of\n"
           "                        a subroutine that saves nothing (14 cycles on\n"
           "                        avre with rcall), with or without --save\n"
           "\n"
           "Exit status:\n"
           "  0  the listing was written\n"
           "  1  the listing could not be written (a full disk, a closed pipe)\n"
           "  2  a usage error, or a request that cannot be met; standard output\n"
           "     stays empty and standard error says why\n"
           "\n"
           "Examples:\n"
           "  $ cyclotrim-gen 1000\n"
           "  $ cyclotrim-gen -r R20,R21,R22 600000 > delay.inc\n"
           "  $ cyclotrim-gen -t 1.5ms -f 16MHz --round nearest\n"
           "  $ cyclotrim-gen --name blink 1000 >> delays.inc\n"
           "  $ cyclotrim-gen --syntax gnu 600000 > delay.S\n"
           "  $ cyclotrim-gen --syntax c -t 10us -f 16MHz > delay_10us.h\n"
           "  $ cyclotrim-gen --name wait_1ms --subroutine --save -t 1ms -f 16MHz\n"
           "  $ cyclotrim-gen --name delay_ms --variable --syntax gnu -t 1ms -f 16MHz\n"
           "  $ cyclotrim-gen --name wait --variable --count-bits 8 2500 > wait.inc\n"
           "  $ cyclotrim-gen --compact -t 1s -f 16MHz\n"
           "  $ cyclotrim-gen --name delay_ms --variable --compact -t 1ms -f 16MHz\n";
}

}  // namespace cyclotrim
