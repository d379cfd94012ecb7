// printf-style formatting into a std::string, for the listing's and the
// status bar's fixed wordings.
#pragma once

#include <string>

namespace cyclotrim {

std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace cyclotrim
