// SPDX-License-Identifier: MIT
// Run-time delays built by the real tools and run in simavr, timed from the
// first cycle of the call to the instruction after it: the companion's
// subroutines called from assembler and from C, and the blinking examples.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <regex>
#include <string>
#include <vector>

#include "avr_bench.hpp"
#include "delay/forms/variable_delay_plan.hpp"
#include "companion_output.hpp"
#include "test_io.hpp"

using cyclotrim::AvrCore;

namespace {

// The cycles the listing's header states for n = 0.
int64_t stated_zero_cycles(const std::string& listing) {
    const std::string header = std::regex_replace(listing, std::regex("\n; "), " ");
    std::smatch stated;
    if (!std::regex_search(header, stated, std::regex("with n = 0 it takes (\\d+) cycles"))) {
        return -1;
    }
    return std::stoll(stated[1]);
}

// The words the header of a compact one states ("W words: entry ...").
int64_t stated_words(const std::string& listing) {
    const std::string header = std::regex_replace(listing, std::regex("\n; "), " ");
    std::smatch stated;
    return std::regex_search(header, stated, std::regex("(\\d+) words: entry")) ? std::stoll(stated[1]) : -1;
}

struct Chip {
    AvrCore core;
    const char* mcu;
    const char* device;
    const char* stack_top;  // the high byte of the stack pointer
};

const Chip atmega328p{AvrCore::avre, "atmega328p", "ATmega328P", "0x08"};
const Chip atmega2560{AvrCore::avre22, "atmega2560", "ATmega2560", "0x21"};

constexpr int call_address = 40;  // byte address of the call in the program below

// Sets the stack pointer and every register from r16 to r31 but the count
// to a value of its own (0x40 + its number), loads n (r25 gets 0xa5 when
// the count has 8 bits) and calls `wait` from byte address 40, then stops.
std::string calling_program(const Chip& chip, bool gnu, bool long_call, int count_bits, int n) {
    std::string text = gnu ? "" : std::string(".device ") + chip.device + "\n";
    text += std::string("\tldi r16,") + chip.stack_top + "\n\tout 0x3e,r16\n\tldi r16,0xff\n\tout 0x3d,r16\n";
    for (int r = 16; r <= 31; ++r) {
        if (r != 24 && r != 25) {
            text += "\tldi r" + std::to_string(r) + "," + std::to_string(0x40 + r) + "\n";
        }
    }
    text += "\tldi r24," + std::to_string(n & 0xff) + "\n\tldi r25," +
            std::to_string(count_bits == 16 ? n >> 8 : 0xa5) + "\n";
    return text + (long_call ? "\tcall wait\n" : "\trcall wait\n") + "stop:\trjmp stop\n";
}

struct Row {
    const Chip* chip;
    bool long_call;
    bool save;
    int count_bits;
    bool gnu;
    const char* unit;       // CYCLES, -t TIME -f CLOCK, or "" for the smallest unit
    int32_t unit_cycles;    // 0 for the smallest unit
    const char* registers;  // -r LIST, or ""
    std::vector<int> counts;
    bool compact = false;  // the delays of a pass written as compact delays
};

}  // namespace

// Each row's subroutine for each n: n units from the call to the
// instruction after it, n = 0 as its header says, r1 still 0 and every
// register kept but the count's and, unless saved, the loops'.
TEST(VariableDelayTiming, TakesNUnitsFromTheCallOnEachCore) {
    const std::vector<int> bytes{0, 1, 2, 3, 255};
    const std::vector<int> words{0, 1, 2, 3, 255, 256, 65535};
    const std::vector<int> words_short{0, 1, 2, 3, 255, 256};  // n x 16000 stays quick
    const Row rows[] = {
        {&atmega328p, false, false, 16, false, "", 0, "", words},
        {&atmega328p, false, false, 16, true, "-t 1ms -f 16MHz", 16000, "", words_short},
        {&atmega328p, false, false, 8, true, "16", 16, "-r R26,R27", bytes},
        {&atmega328p, true, true, 8, false, "", 0, "-r R16,R17", bytes},
        {&atmega328p, true, true, 16, true, "", 0, "", words},
        {&atmega2560, false, true, 16, false, "16000", 16000, "-r R28,R29,R30", words_short},
        {&atmega2560, true, false, 16, false, "", 0, "", words},
        {&atmega2560, true, false, 8, false, "16000", 16000, "", bytes},
        {&atmega328p, false, false, 8, false, "1000", 1000, "-r R25", bytes},  // free with 8 bits
        // Compact: pads (rjmp 90008f in GNU as) in the delays, sbiw on X, subi and sbci chains.
        {&atmega328p, false, false, 16, true, "16", 16, "", words, true},
        {&atmega328p, true, true, 8, false, "1000", 1000, "", bytes, true},
        {&atmega328p, false, true, 16, false, "100000", 100000, "-r R16,R17,R18", words_short, true},
        {&atmega2560, true, true, 16, true, "16005", 16005, "", words_short, true},
        {&atmega2560, false, false, 8, false, "-t 1ms -f 16MHz", 16000, "", bytes, true},
        {&atmega2560, true, true, 16, false, "", 0, "", words, true},
        // YL:YH saved and popped in reverse; passes too long for brne (breq and rjmp back).
        {&atmega328p, true, true, 16, true, "100000", 100000, "-r R28,R29", words_short, true},
        {&atmega328p, false, false, 8, false, "30000", 30000, "-r R20", bytes, true},
        {&atmega2560, false, true, 16, true, "27200", 27200, "-r R16", words_short, true},
        {&atmega328p, false, false, 16, false, "31000", 31000, "-r R26", words_short, true},
    };
    for (const Row& row : rows) {
        const cyclotrim::VariableDelayForm form{row.chip->core, row.long_call, row.save, row.count_bits};
        const std::optional<int32_t> smallest = row.compact
                                                    ? cyclotrim::smallest_compact_variable_unit(form)
                                                    : cyclotrim::smallest_variable_unit(form);
        const int32_t unit = row.unit_cycles > 0 ? row.unit_cycles : smallest.value_or(-1);
        const std::string arguments =
            std::string("--name wait --variable") + (row.compact ? " --compact" : "") + " --core " +
            cyclotrim::avr_core_name(row.chip->core) +
            (row.long_call ? " --call" : "") + (row.save ? " --save" : "") +
            (row.count_bits == 8 ? " --count-bits 8" : "") + (row.gnu ? " --syntax gnu " : " ") +
            row.registers + " " + (*row.unit != '\0' ? row.unit : std::to_string(unit).c_str());
        const std::string listing = generate(arguments);
        if (row.compact) {
            const AssembledProgram alone = row.gnu ? assemble_with_gnu_as(listing, "variable-words")
                                                   : assemble_with_avra(listing, "variable-words");
            EXPECT_EQ(program_bytes(alone.hex_path), 2 * stated_words(listing) + 2) << arguments;
        }
        // Registers the delay may leave changed: the count's, and the loops' unless saved.
        std::vector<bool> may_change(32, false);
        may_change[24] = true;
        may_change[25] = row.count_bits == 16;
        const std::regex loop_register("\\b(?:ldi|dec|subi|sbci|sbiw) R(\\d+)");
        for (auto it = std::sregex_iterator(listing.begin(), listing.end(), loop_register);
             it != std::sregex_iterator() && !row.save; ++it) {
            may_change[std::stoi((*it)[1])] = true;
        }
        for (int n : row.counts) {
            const std::string source =
                calling_program(*row.chip, row.gnu, row.long_call, row.count_bits, n) + listing;
            const AssembledProgram program = row.gnu ? assemble_with_gnu_as(source, "variable")
                                                     : assemble_avra_source(source, "variable");
            ASSERT_TRUE(program.ok) << arguments << "\n" << program.tool_output;
            const int64_t expected = n == 0 ? stated_zero_cycles(listing) : int64_t{n} * unit;
            std::array<uint8_t, 32> registers{};
            EXPECT_EQ(measure_cycles_between(program.hex_path, row.chip->mcu, call_address,
                                             call_address + (row.long_call ? 4 : 2), expected + 1000,
                                             &registers),
                      expected)
                << arguments << ", n = " << n;
            EXPECT_EQ(registers[1], 0) << arguments << ", n = " << n;
            for (int r = 16; r <= 31; ++r) {
                if (!may_change[r]) {
                    EXPECT_EQ(registers[r], r == 25 ? 0xa5 : 0x40 + r)
                        << arguments << ", n = " << n << ": r" << r;
                }
            }
        }
    }
}

// avr-gcc's own code calls delay_ms(n) with n from a volatile variable,
// linked with the GNU file; on the ATmega328P its call is "call".
TEST(VariableDelayTiming, TakesNUnitsWhenCalledFromC) {
    const std::string delay =
        generate("--name delay_ms --variable --call --syntax gnu -t 1ms -f 16MHz");
    for (int n : {0, 1, 300}) {
        const std::string source = "#include <stdint.h>\n"
                                   "void delay_ms(uint16_t n);\n"
                                   "volatile uint16_t count = " + std::to_string(n) + ";\n"
                                   "int main(void) {\n"
                                   "    delay_ms(count);\n"
                                   "    for (;;) {\n    }\n}\n";
        const AssembledProgram program = compile_with_avr_gcc(source, "c-caller", "avr-gcc -O2", delay);
        ASSERT_TRUE(program.ok) << program.tool_output;
        const std::string code = command_output("avr-objdump -d '" + program.elf_path + "'");
        std::smatch call;
        ASSERT_TRUE(std::regex_search(code, call, std::regex("\n *([0-9a-f]+):[^\n]*\tcall\t[^\n]*<delay_ms>")))
            << code;
        const uint32_t start = static_cast<uint32_t>(std::stoul(call[1], nullptr, 16));
        const int64_t expected = n == 0 ? stated_zero_cycles(delay) : n * 16000;
        std::array<uint8_t, 32> registers{};
        EXPECT_EQ(measure_cycles_between(program.hex_path, "atmega328p", start, start + 4,
                                         expected + 1000, &registers),
                  expected)
            << "n = " << n;
        EXPECT_EQ(registers[1], 0) << "n = " << n;
    }
}

// Each example, built by its own Makefile with this companion, changes the
// LED after n x 16000 cycles and the cycles of its loop, as its comment says.
TEST(VariableDelayTiming, ExamplesBlinkAsTheirCommentsSay) {
    const int64_t blink_ms[] = {100, 150, 100, 650};
    for (const std::string example : {"blink-asm", "blink-c"}) {
        const std::string folder = testing::TempDir() + "cyclotrim-" + std::to_string(getpid()) + "-" + example;
        command_output("rm -rf '" + folder + "' && cp -r '" CYCLOTRIM_EXAMPLES "/" + example + "' '" +
                       folder + "'");
        int status = -1;
        std::string output = command_output(
            "make -C '" + folder + "' CYCLOTRIM_GEN='" CYCLOTRIM_GEN "' 2>&1", &status);
        ASSERT_EQ(status, 0) << output;
        for (char& c : output) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(output.find("warning"), std::string::npos) << output;
        const std::string source = file_text(folder + (example == "blink-c" ? "/main.c" : "/blink.asm"));
        std::smatch stated;
        ASSERT_TRUE(std::regex_search(source, stated, std::regex("n x 16000 \\+ (\\d+) cycles")))
            << example;
        const int64_t loop = std::stoll(stated[1]);
        const std::vector<int64_t> changes =
            pin_change_cycles(folder + "/blink.hex", "atmega328p", 0x25 /* PORTB */, 5, 9, 40000000);
        ASSERT_EQ(changes.size(), 9u) << example;
        for (size_t i = 0; i + 1 < changes.size(); ++i) {
            EXPECT_EQ(changes[i + 1] - changes[i], blink_ms[i % 4] * 16000 + loop)
                << example << ", change " << i + 1;
        }
        command_output("rm -rf '" + folder + "'");
    }
}
