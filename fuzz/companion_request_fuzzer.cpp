// Fuzzes a whole request to the companion: a count or a time and a clock,
// the rounding, the registers, a name, avra or GNU as syntax, and a
// subroutine with its call, save and core. Every request must either be
// refused, with a reason on standard error and nothing on standard output,
// or give a listing that an independent reader times at exactly the count
// (a subroutine from its call, with the core's call costs), whose loops each
// have their own register as avra reads them, whose labels are unique and
// belong to the name, and whose stack balances.
//
// Input: a byte of flags, a byte choosing the core and the rounding, then
// the texts of the count, the register list, the name, the time, the clock
// and one more command-line word, separated by newlines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/generator.hpp"
#include "listing_reader.hpp"

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
// optional +, digits, blanks; nothing for anything else or above 2^31 - 1.
std::optional<int64_t> operand_count(const std::string& text) {
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
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{1} << 31);
    }
    const bool has_digits = i > digits;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (!has_digits || i != text.size() || value > 2147483647) {
        return std::nullopt;
    }
    return value;
}

// The count that a time listing's first comment line states.
std::optional<int64_t> time_comment_count(const std::string& listing) {
    const size_t colon = listing.find(": ");
    const size_t end_of_line = listing.find('\n');
    if (listing.rfind("; ", 0) != 0 || colon == std::string::npos || colon > end_of_line) {
        return std::nullopt;
    }
    return std::strtoll(listing.c_str() + colon + 2, nullptr, 10);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
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
    std::vector<std::string> fields(6);
    size_t field = 0;
    for (size_t i = 2; i < size; ++i) {
        if (data[i] == '\n' && field + 1 < fields.size()) {
            ++field;
        } else {
            fields[field] += static_cast<char>(data[i]);
        }
    }
    // Command-line words end at a zero byte, as C strings do.
    for (std::string& text : fields) {
        text = text.substr(0, text.find('\0'));
    }
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
    if (extra_word) {
        words.push_back(fields[5]);
    }
    if (time_mode) {
        words.insert(words.end(), {"-t", fields[3], "-f", fields[4]});
    } else {
        words.insert(words.end(), {"--", cycles_text});
    }

    const cyclotrim::GeneratorRun run = cyclotrim::run_generator(words);
    std::string request;
    for (const std::string& word : words) {
        request += "[" + word + "] ";
    }
    if (run.status == cyclotrim::exit_refused) {
        if (!run.out.empty() || run.err.rfind("cyclotrim-gen: ", 0) != 0 || run.err.back() != '\n') {
            property_broken("a refusal that writes a listing or gives no reason", request + run.err);
        }
        return 0;
    }
    if (run.status != cyclotrim::exit_written || !run.err.empty() || run.out.empty()) {
        property_broken("neither written nor refused", request + run.err);
    }
    // A word of the extra field may be --help, --version or an option that
    // changes the request: only requests as built here are checked further.
    if (extra_word) {
        return 0;
    }

    const std::optional<int64_t> expected =
        time_mode ? time_comment_count(run.out) : operand_count(cycles_text);
    if (!expected) {
        property_broken("a listing for a count that should be refused", request + "\n" + run.out);
    }
    const Core& core = cores[core_choice < 5 ? core_choice : 0];
    if (subroutine && core.rcall == 0) {
        property_broken("a subroutine for a core whose call costs are not known", request);
    }
    const ListingReading reading = read_listing(run.out, subroutine ? &core.stack : nullptr);
    const int64_t call = subroutine ? (long_call ? core.call : core.rcall) : 0;
    if (!reading.ok || reading.cycles + call != *expected) {
        property_broken("the listing does not take " + std::to_string(*expected) + " cycles: " +
                            reading.problem + " read " + std::to_string(reading.cycles) +
                            " + call " + std::to_string(call),
                        request + "\n" + run.out);
    }
    if (!subroutine && reading.header_cycles != *expected) {
        property_broken("the header states another count", request + "\n" + run.out);
    }
    check_labels(run.out, named ? name : "");
    return 0;
}
