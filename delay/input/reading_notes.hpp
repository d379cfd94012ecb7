// SPDX-License-Identifier: MIT
// What the status bar says after Start about the entries it read: the
// cycle count is read like "%d" and the time and the clock like "%f", each
// up to the first character that does not belong to the number. Whatever
// was left over, or a text without a number, is named, never passed over.
#pragma once

#include <string>
#include <string_view>

namespace cyclotrim {

// The entries behind one Start: the cycle count always; the time and the
// clock in Time mode, where the count was worked out from them.
struct StartEntryTexts {
    std::string_view cycles;
    bool time_mode = false;
    std::string_view time;
    std::string_view clock;
};

// `status` after one sentence for each entry whose text was not read whole,
// such as `Time read as 1 s; "ms" ignored.` or `Clock held no number.`;
// `status` unchanged when every text was read whole. A cycle count without
// a number gets no sentence: Start's refusal says so already.
std::string status_naming_ignored_text(const std::string& status, const StartEntryTexts& texts);

}  // namespace cyclotrim
