#include "avr_bench.hpp"

#include <simavr/sim_avr.h>
#include <simavr/sim_hex.h>

#include <unistd.h>

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

}  // namespace

AssembledProgram assemble_with_avra(const std::string& listing, const std::string& name) {
    const std::filesystem::path source = work_folder() / (name + ".asm");
    write_file(source, ".device ATmega328P\n" + listing + "end_of_delay:\trjmp end_of_delay\n");
    AssembledProgram program;
    int status = -1;
    program.tool_output = command_output("avra '" + source.string() + "' 2>&1", &status);
    program.hex_path = (work_folder() / (name + ".hex")).string();
    program.ok = status == 0 && !mentions_warning(program.tool_output);
    return program;
}

AssembledProgram assemble_with_gnu_as(const std::string& listing, const std::string& name) {
    const std::filesystem::path base = work_folder() / (name + "-gnu");
    write_file(base.string() + ".s", listing + "end_of_delay:\trjmp end_of_delay\n");
    AssembledProgram program;
    const std::string b = "'" + base.string();
    int status = -1;
    program.tool_output = command_output("(avr-as --fatal-warnings -mmcu=atmega328p -o " + b +
                                             ".o' " + b + ".s' && avr-ld -o " + b + ".elf' " + b +
                                             ".o' && avr-objcopy -O ihex " + b + ".elf' " + b +
                                             ".hex') 2>&1",
                                         &status);
    program.hex_path = base.string() + ".hex";
    program.ok = status == 0 && !mentions_warning(program.tool_output);
    return program;
}

int64_t measure_cycles(const std::string& hex_path, int64_t limit) {
    uint32_t size = 0;
    uint32_t start = 0;
    uint8_t* code = read_ihex_file(hex_path.c_str(), &size, &start);
    if (code == nullptr || size < 2) {
        std::free(code);
        return -1;
    }
    avr_t* avr = avr_make_mcu_by_name("atmega328p");
    avr_init(avr);
    avr->log = LOG_NONE;
    avr_loadcode(avr, code, size, start);
    std::free(code);
    // The program is the delay followed by the end marker, its last word.
    const avr_flashaddr_t end_marker = start + size - 2;
    avr->pc = start;
    const avr_cycle_count_t first = avr->cycle;
    int64_t taken = -1;
    while (avr->cycle - first <= static_cast<avr_cycle_count_t>(limit)) {
        if (avr->pc == end_marker) {
            taken = static_cast<int64_t>(avr->cycle - first);
            break;
        }
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            break;
        }
    }
    avr_terminate(avr);
    std::free(avr);
    return taken;
}
