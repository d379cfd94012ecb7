// SPDX-License-Identifier: MIT
#include "delay/input/reading_notes.hpp"

#include "delay/input/entry_parsing.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

std::string status_naming_ignored_text(const std::string& status, std::string_view cycles_text) {
    const size_t length = cycle_number_length(cycles_text);
    const std::string ignored(without_surrounding_blanks(cycles_text.substr(length)));
    if (length == 0 || ignored.empty()) {
        return status;
    }
    const std::string number(without_surrounding_blanks(cycles_text.substr(0, length)));
    return format_text("Cycles read as %s; \"%s\" ignored. ", number.c_str(), ignored.c_str()) +
           status;
}

}  // namespace cyclotrim
