// SPDX-License-Identifier: MIT
// The texts a fuzz input holds after its leading bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// `count` texts from byte `first` of `data` on, separated by newlines (the
// last takes any further ones); each ends at its first zero byte, as an
// entry's text or a command-line word, being a C string, does.
inline std::vector<std::string> input_texts(const uint8_t* data, size_t size, size_t first,
                                            size_t count) {
    std::vector<std::string> texts(count);
    size_t text = 0;
    for (size_t i = first; i < size; ++i) {
        if (data[i] == '\n' && text + 1 < texts.size()) {
            ++text;
        } else {
            texts[text] += static_cast<char>(data[i]);
        }
    }
    for (std::string& each : texts) {
        each = each.substr(0, each.find('\0'));
    }
    return texts;
}
