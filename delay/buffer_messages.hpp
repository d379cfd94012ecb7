// SPDX-License-Identifier: MIT
// What Clear and Copy say in the status bar about the listing buffer.
#pragma once

#include <string>
#include <string_view>

namespace cyclotrim {

// "Cleared 7 lines of assembler code.", counting the instruction lines of
// `buffer_text` as Start does; or that there was nothing to clear.
std::string clear_message(std::string_view buffer_text);

// "Copied 7 lines of assembler code.", or that there was nothing to copy.
std::string copy_message(std::string_view buffer_text);

}  // namespace cyclotrim
