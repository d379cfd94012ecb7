// SPDX-License-Identifier: MIT
// Fuzzes a whole request to the companion: a count or a time and a clock,
// the rounding, the registers, a name, avra or GNU as syntax, a subroutine
// with its call, save and core, a compact delay, and a run-time delay with
// its count's bits. Every request must either be refused, with a reason on
// standard error and nothing on standard output, or give a listing that an
// independent reader times at exactly the count (a subroutine from its
// call, with the core's call costs), whose loops each have their own
// register as avra reads them, whose labels are unique and belong to the
// name, and whose stack balances. A compact delay must take the words its
// header states and change only the registers given; a run-time delay must
// take n units for n = 1, 2 and the largest n, and n = 0 what its header
// states, and change only r24, r25 (with a 16-bit n) and, unless saved, the
// loops' registers, never one that C code expects kept.
//
// Input: a byte of flags, a byte choosing the core and the rounding, a
// byte choosing the form (compact, run-time, the count's bits), then the
// texts of the count, the register list, the name, the time, the clock and
// one more command-line word, separated by newlines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/generator.hpp"
#include "readers/compact_reader.hpp"
#include "input_texts.hpp"
#include "readers/listing_reader.hpp"

namespace {

[[noreturn]] void property_broken(const std::string& what, const std::string& detail) {
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n%s\n", what.c_str(), detail.c_str());
    std::abort();
}

struct Core {
    const char* name;
    int rcall;
    int call;
    StackCosts stack;  // push, pop, ret
};

// The cycles of calls and the stack on each core, as the instruction set
// manual and the simulator give them; the reduced core has no subroutines.
const Core cores[] = {{"avre", 3, 4, {2, 2, 4}},
                      {"avre22", 4, 5, {2, 2, 5}},
                      {"avrxt", 2, 3, {1, 2, 4}},
                      {"avrxm", 2, 3, {1, 2, 4}},
                      {"avrrc", 0, 0, {}}};

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The count a CYCLES operand asks for, read here on its own: blanks, an
// optional +, digits, blanks; nothing for anything else or above `limit`.
std::optional<int64_t> operand_count(const std::string& text, int64_t limit) {
    size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    const size_t digits = i;
    int64_t value = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), limit + 1);
    }
    const bool has_digits = i > digits;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (!has_digits || i != text.size() || value > limit) {
        return std::nullopt;
    }
    return value;
}

// The header's comment lines as one text, each line's "; " a blank.
std::string header_text(const std::string& listing) {
    std::string text;
    size_t line_start = 0;
    while (line_start < listing.size() && listing.compare(line_start, 2, "; ") == 0) {
        const size_t line_end = listing.find('\n', line_start);
        text += listing.substr(line_start + 2, line_end - line_start - 2) + " ";
        line_start = line_end == std::string::npos ? listing.size() : line_end + 1;
    }
    return text;
}

// The count that a time listing's first comment sentence states
// ("...: N cycles"), which a run-time delay's header may wrap.
std::optional<int64_t> time_comment_count(const std::string& listing) {
    const std::string header = header_text(listing);
    const size_t colon = header.find(": ");
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    return std::strtoll(header.c_str() + colon + 2, nullptr, 10);
}

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Every label the listing defines is its own: NAME, or NAME__ and a suffix
// without "__" (so that no other name defines it), or numeric, or one of the
// window's WL labels when there is no name.
void check_labels(const std::string& listing, const std::string& name) {
    size_t line_start = 0;
    while (line_start < listing.size()) {
        const size_t line_end = listing.find('\n', line_start);
        const std::string line = listing.substr(line_start, line_end - line_start);
        line_start = line_end == std::string::npos ? listing.size() : line_end + 1;
        const size_t colon = line.find(':');
        if (line.empty() || line[0] == ';' || line[0] == '\t' || colon == std::string::npos) {
            continue;
        }
        const std::string label = lower(line.substr(0, colon));
        const std::string stem = lower(name) + "__";
        const bool numeric = label.find_first_not_of("0123456789") == std::string::npos;
        const bool own = name.empty()
                             ? label.rfind("wl", 0) == 0
                             : label == lower(name) ||
                                   (label.rfind(stem, 0) == 0 &&
                                    label.find("__", stem.size()) == std::string::npos);
        if (!numeric && !own) {
            property_broken("label " + label + " does not belong to the name '" + name + "'",
                            listing);
        }
    }
}

// The number that follows `before` in `text`, or -1.
int64_t number_after(const std::string& text, const std::string& before) {
    const size_t at = text.find(before);
    if (at == std::string::npos) {
        return -1;
    }
    const char* digits = text.c_str() + at + before.size();
    char* end = nullptr;
    const long long value = std::strtoll(digits, &end, 10);
    return end == digits ? -1 : value;
}

// The words a subroutine's header states ("W words: ..."), or -1.
int64_t stated_words(const std::string& listing) {
    const std::string header = header_text(listing);
    const size_t at = header.find(" words: ");
    if (at == std::string::npos) {
        return -1;
    }
    const size_t start = header.find_last_of(' ', at - 1);
    return std::strtoll(header.c_str() + (start == std::string::npos ? 0 : start + 1), nullptr, 10);
}

// The registers of a -r list as avra reads them, or `defaults` without one;
// with `fill`, the defaults of the places after the list's too.
std::vector<std::string> register_keys(bool given, const std::string& list,
                                       const std::vector<std::string>& defaults, bool fill) {
    std::vector<std::string> names = defaults;
    if (given) {
        names.clear();
        size_t start = 0;
        while (start <= list.size()) {
            const size_t comma = std::min(list.find(',', start), list.size());
            std::string item = list.substr(start, comma - start);
            const size_t first = item.find_first_not_of(" \t");
            const size_t last = item.find_last_not_of(" \t");
            item = first == std::string::npos ? "" : item.substr(first, last - first + 1);
            names.push_back(item);
            start = comma + 1;
        }
        for (size_t i = names.size(); fill && i < defaults.size(); ++i) {
            names.push_back(defaults[i]);
        }
    }
    std::vector<std::string> keys;
    for (const std::string& name : names) {
        keys.push_back(avra_register_key(name));
    }
    return keys;
}

bool is_one_of(const std::string& key, const std::vector<std::string>& keys) {
    for (const std::string& k : keys) {
        if (k == key) {
            return true;
        }
    }
    return false;
}

// What the request asked for, as the fuzzer built it.
struct Request {
    std::string text;  // the words, for messages
    int64_t count = 0;
    const Core* core = nullptr;
    bool subroutine = false;
    bool long_call = false;
    bool save = false;
    bool compact = false;
    int count_bits = 16;
    std::vector<std::string> registers;  // as avra reads them: given, or the form's defaults

    int64_t call() const { return long_call ? core->call : core->rcall; }
};

// A compact delay or subroutine: exactly the count, in the words stated,
// changing only the registers given, none of them when saving.
void check_compact(const Request& request, const std::string& listing) {
    const CompactRun run{request.subroutine ? &request.core->stack : nullptr, {}};
    const CompactReading reading = read_compact_listing(listing, run);
    const int64_t call = request.subroutine ? request.call() : 0;
    if (!reading.ok || reading.cycles + call != request.count) {
        property_broken("the compact listing does not take " + std::to_string(request.count) +
                            " cycles: " + reading.problem + " read " + std::to_string(reading.cycles) +
                            " + call " + std::to_string(call),
                        request.text + "\n" + listing);
    }
    const int64_t words = request.subroutine ? stated_words(listing) : reading.header_words;
    if (words != reading.words || (!request.subroutine && reading.header_cycles != request.count)) {
        property_broken("the compact header states " + std::to_string(words) + " words, not " +
                            std::to_string(reading.words),
                        request.text + "\n" + listing);
    }
    for (const std::string& changed : reading.changed) {
        if (!is_one_of(changed, request.registers) || (request.subroutine && request.save)) {
            property_broken("the compact listing changes " + changed, request.text + "\n" + listing);
        }
    }
}

bool kept_for_c(const std::string& key) {
    for (int r : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 28, 29}) {
        if (key == "r" + std::to_string(r)) {
            return true;
        }
    }
    return key == "r0" || key == "r1";
}

// A run-time delay: n units from the call for n = 1, 2 and the largest n,
// n = 0 as its header states, the words stated when compact, and only the
// count's registers and the unsaved loop registers changed.
void check_variable(const Request& request, const std::string& listing) {
    const std::string header = header_text(listing);
    const int64_t unit = number_after(header, " n x ");
    const int64_t zero = number_after(header, "with n = 0 it takes ");
    if (unit != request.count || zero < 0) {
        property_broken("the header states no unit of " + std::to_string(request.count) +
                            " or no cycles for n = 0",
                        request.text + "\n" + listing);
    }
    const int largest = request.count_bits == 8 ? 255 : 65535;
    for (int n : {0, 1, 2, largest}) {
        CompactRun run{&request.core->stack, {{24, n & 0xff}}};
        if (request.count_bits == 16) {
            run.inputs.emplace_back(25, n >> 8);
        }
        const CompactReading reading = read_compact_listing(listing, run);
        const int64_t expected = n == 0 ? zero : n * unit;
        if (!reading.ok || reading.cycles + request.call() != expected) {
            property_broken("n = " + std::to_string(n) + " does not take " +
                                std::to_string(expected) + " cycles: " + reading.problem + " read " +
                                std::to_string(reading.cycles) + " + call " +
                                std::to_string(request.call()),
                            request.text + "\n" + listing);
        }
        if (request.compact && stated_words(listing) != reading.words) {
            property_broken("the header does not state the " + std::to_string(reading.words) +
                                " words",
                            request.text + "\n" + listing);
        }
        for (const std::string& changed : reading.changed) {
            const bool count = changed == "r24" || (changed == "r25" && request.count_bits == 16);
            const bool loop = !request.save && !kept_for_c(changed) &&
                              is_one_of(changed, request.registers);
            if (!count && !loop) {
                property_broken("n = " + std::to_string(n) + " changes " + changed,
                                request.text + "\n" + listing);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const uint8_t flags = data[0];
    const bool time_mode = flags & 1;
    const bool gnu = flags & 2;
    const bool subroutine = flags & 4;
    const bool long_call = flags & 8;
    const bool save = flags & 16;
    const bool named = flags & 32;
    const bool registers_given = flags & 64;
    const bool extra_word = flags & 128;
    const size_t core_choice = data[1] % 6;  // 5: no --core
    const size_t rounding_choice = data[1] / 6 % 4;  // 3: no --round
    const bool compact = data[2] & 1;
    const bool variable = data[2] & 2;
    const size_t count_bits_choice = data[2] / 4 % 3;  // 0: no --count-bits, 1: 8, 2: 16
    const std::vector<std::string> fields = input_texts(data, size, 3, 6);
    const std::string& cycles_text = fields[0];
    const std::string& name = fields[2];

    std::vector<std::string> words;
    if (registers_given) {
        words.insert(words.end(), {"-r", fields[1]});
    }
    if (named) {
        words.insert(words.end(), {"--name", name});
    }
    if (gnu) {
        words.insert(words.end(), {"--syntax", "gnu"});
    }
    if (subroutine) {
        words.push_back("--subroutine");
    }
    if (long_call) {
        words.push_back("--call");
    }
    if (save) {
        words.push_back("--save");
    }
    if (core_choice < 5) {
        words.insert(words.end(), {"--core", cores[core_choice].name});
    }
    if (rounding_choice < 3) {
        const char* const roundings[] = {"down", "nearest", "up"};
        words.push_back(std::string("--round=") + roundings[rounding_choice]);
    }
    if (compact) {
        words.push_back("--compact");
    }
    if (variable) {
        words.push_back("--variable");
    }
    if (count_bits_choice > 0) {
        words.push_back(count_bits_choice == 1 ? "--count-bits=8" : "--count-bits=16");
    }
    if (extra_word) {
        words.push_back(fields[5]);
    }
    if (time_mode) {
        words.insert(words.end(), {"-t", fields[3], "-f", fields[4]});
    } else {
        words.insert(words.end(), {"--", cycles_text});
    }

    const cyclotrim::GeneratorRun run = cyclotrim::run_generator(words);
    Request request;
    for (const std::string& word : words) {
        request.text += "[" + word + "] ";
    }
    if (run.status == cyclotrim::exit_refused) {
        if (!run.out.empty() || run.err.rfind("cyclotrim-gen: ", 0) != 0 || run.err.back() != '\n') {
            property_broken("a refusal that writes a listing or gives no reason", request.text + run.err);
        }
        // The branch check's own refusal; a name or a number quoted in
        // another refusal may hold the same words.
        if (run.err.rfind("cyclotrim-gen: This listing would not assemble (", 0) == 0) {
            property_broken("a plan whose branches do not reach", request.text + run.err);
        }
        return 0;
    }
    if (run.status != cyclotrim::exit_written || !run.err.empty() || run.out.empty()) {
        property_broken("neither written nor refused", request.text + run.err);
    }
    // A word of the extra field may be --help, --version or an option that
    // changes the request: only requests as built here are checked further.
    if (extra_word) {
        return 0;
    }

    const int64_t limit = compact ? 4294967295 : 2147483647;
    const std::optional<int64_t> expected =
        time_mode ? time_comment_count(run.out) : operand_count(cycles_text, limit);
    if (!expected) {
        property_broken("a listing for a count that should be refused", request.text + "\n" + run.out);
    }
    const Core& core = cores[core_choice < 5 ? core_choice : 0];
    if ((subroutine || variable) && core.rcall == 0) {
        property_broken("a subroutine for a core whose call costs are not known", request.text);
    }
    request.count = *expected;
    request.core = &core;
    request.subroutine = subroutine;
    request.long_call = long_call;
    request.save = save;
    request.compact = compact;
    request.count_bits = count_bits_choice == 1 ? 8 : 16;
    if (variable) {
        // The window's loops that -r leaves out keep their defaults; a
        // compact delay uses only the registers given.
        request.registers = register_keys(
            registers_given, fields[1],
            compact ? std::vector<std::string>{"R26", "R27", "R18", "R19"}
                    : std::vector<std::string>{"R18", "R19", "R20"},
            !compact);
        check_variable(request, run.out);
    } else if (compact) {
        request.registers =
            register_keys(registers_given, fields[1], {"R24", "R25", "R26", "R27"}, false);
        check_compact(request, run.out);
    } else {
        const ListingReading reading = read_listing(run.out, subroutine ? &core.stack : nullptr);
        const int64_t call = subroutine ? (long_call ? core.call : core.rcall) : 0;
        if (!reading.ok || reading.cycles + call != *expected) {
            property_broken("the listing does not take " + std::to_string(*expected) + " cycles: " +
                                reading.problem + " read " + std::to_string(reading.cycles) +
                                " + call " + std::to_string(call),
                            request.text + "\n" + run.out);
        }
        if (!subroutine && reading.header_cycles != *expected) {
            property_broken("the header states another count", request.text + "\n" + run.out);
        }
    }
    check_labels(run.out, named ? name : "");
    return 0;
}
