// SPDX-License-Identifier: MIT
// The companion's command line: options and operands, read with
// getopt_long into one request, or a usage error that says what is wrong.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "delay/input/exact_time.hpp"
#include "delay/forms/listing_form.hpp"
#include "delay/start_command.hpp"

namespace cyclotrim {

struct GeneratorRequest {
    bool help = false;
    bool version = false;
    std::optional<std::string> cycles_text;
    std::optional<std::string> time_text;
    std::string clock_text = "4MHz";
    Rounding rounding = Rounding::down;
    RegisterTexts registers = default_register_texts();
    std::vector<std::string> registers_given;  // by -r, as written
    ListingForm form;
};

struct CommandLine {
    GeneratorRequest request;
    std::string usage_error;  // empty when the command line is sound
};

// Reads the command line's words after the program's name.
CommandLine read_command_line(const std::vector<std::string>& arguments);

// The text --help prints.
const char* generator_help();

}  // namespace cyclotrim
