// SPDX-License-Identifier: MIT
// The page's way into the generator: the words the page builds from its
// fields go to the same run function as cyclotrim-gen's command line, so
// the page writes what the companion writes, byte for byte.
#include <emscripten/emscripten.h>

#include <string>
#include <vector>

#include "cli/generator.hpp"

namespace {

std::string words_text;
cyclotrim::GeneratorRun last_run;

// Each word ends in a line feed, which no field of the page can hold.
std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        words.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return words;
}

// The last run's standard output if it wrote the listing, else its
// standard error.
const std::string& last_text() {
    return last_run.status == cyclotrim::exit_written ? last_run.out : last_run.err;
}

}  // namespace

extern "C" {

// Room for `length` bytes of words in UTF-8; the page writes them there and
// then calls cyclotrim_run.
EMSCRIPTEN_KEEPALIVE char* cyclotrim_words(int length) {
    words_text.assign(static_cast<size_t>(length), '\0');
    return words_text.data();
}

// Runs the request in the words; returns the companion's exit status. No
// command line can hold a NUL character: a word with one is refused rather
// than cut short at it.
EMSCRIPTEN_KEEPALIVE int cyclotrim_run() {
    if (words_text.find('\0') != std::string::npos) {
        last_run = {cyclotrim::exit_refused, "",
                    "cyclotrim-gen: a NUL character cannot be part of a request\n"};
    } else {
        last_run = cyclotrim::run_generator(split_words(words_text));
    }
    return last_run.status;
}

EMSCRIPTEN_KEEPALIVE const char* cyclotrim_text() { return last_text().data(); }

EMSCRIPTEN_KEEPALIVE int cyclotrim_text_length() { return static_cast<int>(last_text().size()); }

}  // extern "C"
