// SPDX-License-Identifier: MIT
// What the status bar says after Start about the cycle count it read: the
// count is read like "%d", up to the first character that does not belong
// to the number. Whatever was left over is named, never passed over.
#pragma once

#include <string>
#include <string_view>

namespace cyclotrim {

// `status` after a sentence naming what Start left unread of `cycles_text`,
// such as `Cycles read as 1000; "abc" ignored.`; `status` unchanged when the
// text was read whole. A text without a number gets no sentence: Start's
// refusal says so already.
std::string status_naming_ignored_text(const std::string& status, std::string_view cycles_text);

}  // namespace cyclotrim
