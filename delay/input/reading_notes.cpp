// SPDX-License-Identifier: MIT
#include "delay/input/reading_notes.hpp"

#include "delay/input/entry_parsing.hpp"
#include "delay/input/time_conversion.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// The sentence for an entry whose first `number_length` characters were
// read as its number (none when 0), or nothing when it was read whole.
std::string reading_note(const char* entry, const char* unit, std::string_view text,
                         size_t number_length) {
    const std::string number(without_surrounding_blanks(text.substr(0, number_length)));
    const std::string ignored(without_surrounding_blanks(text.substr(number_length)));
    std::string note;
    if (number.empty()) {
        note = format_text("%s held no number", entry);
    } else if (!ignored.empty()) {
        note = format_text("%s read as %s%s", entry, number.c_str(), unit);
    } else {
        return "";
    }
    if (!ignored.empty()) {
        note += "; \"" + ignored + "\" ignored";
    }
    return note + ". ";
}

}  // namespace

std::string status_naming_ignored_text(const std::string& status, const StartEntryTexts& texts) {
    std::string notes;
    if (const size_t length = cycle_number_length(texts.cycles); length > 0) {
        notes += reading_note("Cycles", "", texts.cycles, length);
    }
    if (texts.time_mode) {
        notes += reading_note("Time", " s", texts.time, read_single(texts.time).length);
        notes += reading_note("Clock", " MHz", texts.clock, read_single(texts.clock).length);
    }
    return notes + status;
}

}  // namespace cyclotrim
