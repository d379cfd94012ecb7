// SPDX-License-Identifier: MIT
#include "delay/buffer_messages.hpp"

#include <algorithm>

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// The lines that are neither empty nor a comment: those Start counts.
int instruction_lines(std::string_view text) {
    int count = 0;
    for (size_t begin = 0; begin < text.size();) {
        const size_t end = std::min(text.find('\n', begin), text.size());
        count += end > begin && text[begin] != ';' ? 1 : 0;
        begin = end + 1;
    }
    return count;
}

std::string message(const char* done, const char* nothing, std::string_view buffer_text) {
    if (buffer_text.empty()) {
        return nothing;
    }
    return format_text("%s %i lines of assembler code.", done, instruction_lines(buffer_text));
}

}  // namespace

std::string clear_message(std::string_view buffer_text) {
    return message("Cleared", "Nothing to clear: the buffer is empty.", buffer_text);
}

std::string copy_message(std::string_view buffer_text) {
    return message("Copied", "Nothing to copy: the buffer is empty.", buffer_text);
}

}  // namespace cyclotrim
