// SPDX-License-Identifier: MIT
#include "avr_bench.hpp"

#include <simavr/sim_avr.h>
#include <simavr/sim_hex.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_io.hpp"

namespace {

std::filesystem::path work_folder() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("cyclotrim-timing-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool mentions_warning(const std::string& output) {
    std::string lower;
    for (char c : output) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("warning") != std::string::npos;
}

// Runs the GNU tools' `commands`, which build `base`.elf and `base`.hex; any
// warning counts as a failure.
AssembledProgram built_with_gnu_tools(const std::filesystem::path& base, const std::string& commands) {
    AssembledProgram program;
    int status = -1;
    program.tool_output = command_output("(" + commands + ") 2>&1", &status);
    program.hex_path = base.string() + ".hex";
    program.elf_path = base.string() + ".elf";
    program.ok = status == 0 && !mentions_warning(program.tool_output);
    return program;
}

}  // namespace

AssembledProgram assemble_with_avra(const std::string& listing, const std::string& name) {
    return assemble_avra_source(
        ".device ATmega328P\n" + listing + "end_of_delay:\trjmp end_of_delay\n", name);
}

AssembledProgram assemble_avra_source(const std::string& text, const std::string& name) {
    const std::filesystem::path source = work_folder() / (name + ".asm");
    write_file(source, text);
    AssembledProgram program;
    int status = -1;
    program.tool_output = command_output("avra '" + source.string() + "' 2>&1", &status);
    program.hex_path = (work_folder() / (name + ".hex")).string();
    program.ok = status == 0 && !mentions_warning(program.tool_output);
    return program;
}

AssembledProgram assemble_with_gnu_as(const std::string& listing, const std::string& name,
                                      const std::string& mcu) {
    const std::filesystem::path base = work_folder() / (name + "-gnu");
    write_file(base.string() + ".s", listing + "end_of_delay:\trjmp end_of_delay\n");
    const std::string b = "'" + base.string();
    return built_with_gnu_tools(base, "avr-as --fatal-warnings -mmcu=" + mcu + " -o " + b +
                                          ".o' " + b + ".s' && avr-gcc -mmcu=" + mcu +
                                          " -nostartfiles -nostdlib -o " + b + ".elf' " + b +
                                          ".o' && avr-objcopy -O ihex " + b + ".elf' " + b +
                                          ".hex'");
}

AssembledProgram compile_with_avr_gcc(const std::string& source, const std::string& name,
                                      const std::string& compiler,
                                      const std::string& assembler_source) {
    const std::filesystem::path base = work_folder() / (name + "-gcc");
    write_file(base.string() + ".c", source);
    const std::string b = "'" + base.string();
    std::string assembler_file;
    if (!assembler_source.empty()) {
        write_file(base.string() + ".S", assembler_source);
        assembler_file = " " + b + ".S'";
    }
    return built_with_gnu_tools(base, compiler + " -Wall -mmcu=atmega328p -c -o " + b + ".o' " +
                                          b + ".c' && avr-gcc -mmcu=atmega328p -o " + b +
                                          ".elf' " + b + ".o'" + assembler_file +
                                          " && avr-objcopy -O ihex " + b + ".elf' " + b +
                                          ".hex'");
}

int64_t symbol_address(const AssembledProgram& program, const std::string& symbol) {
    const std::string table = command_output("avr-nm '" + program.elf_path + "'");
    const size_t at = table.find(" " + symbol + "\n");
    if (at == std::string::npos) {
        return -1;
    }
    const size_t line = table.rfind('\n', at) + 1;  // npos + 1 is 0: the first line
    return std::stoll(table.substr(line, at - line), nullptr, 16);
}

namespace {

// A simulator with the program loaded and reset, or null if the file
// holds no program.
avr_t* loaded_simulator(const std::string& hex_path, const char* mcu) {
    uint32_t size = 0;
    uint32_t load_address = 0;
    uint8_t* code = read_ihex_file(hex_path.c_str(), &size, &load_address);
    if (code == nullptr || size < 2) {
        std::free(code);
        return nullptr;
    }
    avr_t* avr = avr_make_mcu_by_name(mcu);
    avr_init(avr);
    avr->log = LOG_NONE;
    avr_loadcode(avr, code, size, load_address);
    std::free(code);
    avr->pc = load_address;
    return avr;
}

void release(avr_t* avr) {
    avr_terminate(avr);
    std::free(avr);
}

}  // namespace

std::vector<int64_t> pin_change_cycles(const std::string& hex_path, const char* mcu,
                                       uint16_t data_address, int bit, size_t changes,
                                       int64_t limit) {
    std::vector<int64_t> cycles;
    avr_t* avr = loaded_simulator(hex_path, mcu);
    if (avr == nullptr) {
        return cycles;
    }
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    uint8_t level = avr->data[data_address] & mask;
    while (cycles.size() < changes && avr->cycle <= static_cast<avr_cycle_count_t>(limit)) {
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            break;
        }
        if ((avr->data[data_address] & mask) != level) {
            level = avr->data[data_address] & mask;
            cycles.push_back(static_cast<int64_t>(avr->cycle));
        }
    }
    release(avr);
    return cycles;
}

int64_t measure_cycles_between(const std::string& hex_path, const char* mcu, uint32_t start,
                               uint32_t end, int64_t limit, std::array<uint8_t, 32>* registers) {
    avr_t* avr = loaded_simulator(hex_path, mcu);
    if (avr == nullptr) {
        return -1;
    }
    bool started = false;
    avr_cycle_count_t first = 0;
    int64_t taken = -1;
    while (avr->cycle <= static_cast<avr_cycle_count_t>(limit) + first) {
        if (!started && avr->pc == start) {
            started = true;
            first = avr->cycle;
        }
        if (started && avr->pc == end) {
            taken = static_cast<int64_t>(avr->cycle - first);
            if (registers != nullptr) {
                std::copy(avr->data, avr->data + registers->size(), registers->begin());
            }
            break;
        }
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            break;
        }
    }
    release(avr);
    return taken;
}

uint32_t program_bytes(const std::string& hex_path) {
    uint32_t size = 0;
    uint32_t start = 0;
    std::free(read_ihex_file(hex_path.c_str(), &size, &start));
    return size;
}

int64_t measure_cycles(const std::string& hex_path, int64_t limit) {
    uint32_t size = 0;
    uint32_t start = 0;
    std::free(read_ihex_file(hex_path.c_str(), &size, &start));
    // The program is the delay followed by the end marker, its last word.
    return measure_cycles_between(hex_path, "atmega328p", start, start + size - 2, limit);
}
