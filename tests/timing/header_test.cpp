// SPDX-License-Identifier: MIT
// The header that plans delays while compiling (cyclotrim/delay.h, and
// cyclotrim/delay.inc for avra), built by every compiler at several levels:
// each delay's code is byte for byte the compact plan cyclotrim-gen writes
// for its count (so the same cycles and words, which the compact proofs
// establish), and the simulator times the shorter ones between markers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "avr_bench.hpp"
#include "companion_output.hpp"
#include "test_io.hpp"

namespace {

const std::string folder = testing::TempDir() + "cyclotrim-header-" + std::to_string(getpid());

struct Build {
    bool ok = false;
    std::string output;
    std::string code;             // the program's bytes from address 0
    std::vector<uint32_t> marks;  // the byte address of mark_0, mark_1, ...
    std::string hex;

    std::string delay(size_t i) const { return code.substr(marks.at(i), marks.at(i + 1) - marks.at(i)); }
};

// Compiles or assembles `source` with `compile` (a command with its
// options), links it with avr-gcc for an ATmega328P and reads it back.
Build build(const std::string& source, const std::string& name, const std::string& compile,
            const std::string& link = "") {
    const std::string base = folder + "/" + name;
    command_output("mkdir -p '" + folder + "'");
    std::ofstream(base + ".src") << source;
    Build built;
    int status = -1;
    built.output = command_output(
        compile + " -mmcu=atmega328p -Wall -Wextra -I'" CYCLOTRIM_INCLUDE "' -c -o '" + base + ".o' '" +
            base + ".src' 2>&1 && avr-gcc -mmcu=atmega328p " + link + " -o '" + base + ".elf' '" + base +
            ".o' 2>&1 && avr-objcopy -O binary -j .text '" + base + ".elf' '" + base +
            ".bin' && avr-objcopy -O ihex '" + base + ".elf' '" + base + ".hex'",
        &status);
    built.ok = status == 0 && built.output.find("arning") == std::string::npos;
    built.code = file_text(base + ".bin");
    built.hex = base + ".hex";
    const std::string symbols = command_output("avr-nm -n '" + base + ".elf' 2>/dev/null");
    for (size_t at = symbols.find(" mark_"); at != std::string::npos; at = symbols.find(" mark_", at + 1)) {
        built.marks.push_back(std::stoul(symbols.substr(symbols.rfind('\n', at) + 1, 8), nullptr, 16));
    }
    return built;
}

// cyclotrim-gen's compact plans for `counts` in GNU as, each after its mark.
Build reference(const std::vector<int64_t>& counts) {
    std::string source = ".text\n";
    for (size_t i = 0; i <= counts.size(); ++i) {
        source += "mark_" + std::to_string(i) + ":\n" +
                  (i < counts.size() ? generate("--compact --syntax gnu " + std::to_string(counts[i])) : "");
    }
    return build(source, "reference", "avr-gcc -x assembler", "-nostdlib");
}

// Each delay of `built` is its count's compact plan, and those before the
// first longer than the simulator runs quickly take exactly their count.
void expect_plans(const Build& built, const Build& plans, const std::vector<int64_t>& counts,
                  const std::string& how) {
    ASSERT_TRUE(built.ok) << how << "\n" << built.output;
    int64_t before = 1000;  // the start-up code's cycles, and those of the delays before
    for (size_t i = 0; i < counts.size(); ++i) {
        EXPECT_EQ(built.delay(i), plans.delay(i)) << how << ", " << counts[i] << " cycles";
        before = before >= 0 && counts[i] <= 3000000 ? before + counts[i] : -1;
        if (before >= 0) {
            EXPECT_EQ(measure_cycles_between(built.hex, "atmega328p", built.marks.at(i), built.marks.at(i + 1),
                                             before),
                      counts[i])
                << how << ", " << counts[i] << " cycles";
        }
    }
}

}  // namespace

// One table across compilers, languages and levels, each building the same
// delays: edges of every shape and counts drawn over the whole range.
TEST(Header, EveryCompilerWritesTheCompactPlanOfEachCount) {
    std::vector<int64_t> counts{0, 1, 2, 3, 7, 100, 765, 769, 1000, 1028, 65536, 196608, 262145,
                                655380};
    std::mt19937_64 draw(25);
    for (int i = 0; i < 14; ++i) {
        counts.push_back(static_cast<int64_t>(draw() % (i < 6 ? 1000000 : 4294967296)));
    }
    counts.insert(counts.end(), {16777216, 100000000, 4294967295});
    std::string c = "#include <cyclotrim/delay.h>\nint main(void) {\n";
    std::string s = "#include <cyclotrim/delay.h>\n.text\n";
    for (size_t i = 0; i <= counts.size(); ++i) {
        const std::string mark = "mark_" + std::to_string(i);
        c += "    __asm__ __volatile__(\"" + mark + ":\");\n";
        s += mark + ":\n";
        if (i < counts.size()) {
            c += "    cyclotrim_delay_cycles(" + std::to_string(counts[i]) + "UL);\n";
            s += "cyclotrim_delay_cycles " + std::to_string(counts[i]) + "\n";
        }
    }
    c += "    for (;;) {\n    }\n}\n";
    const Build plans = reference(counts);
    ASSERT_TRUE(plans.ok) << plans.output;
    const char* const c_compilers[] = {
        "avr-gcc -x c -O0", "avr-gcc -x c -O1", "avr-gcc -x c -O2", "avr-gcc -x c -Os",
        "avr-gcc -x c -O3 -funroll-loops", "avr-g++ -x c++ -O0", "avr-g++ -x c++ -Os -std=c++11",
        "clang --target=avr -x c -O0", "clang --target=avr -x c -Os", "clang++ --target=avr -x c++ -O0",
        "clang++ --target=avr -x c++ -O2"};
    for (const std::string compiler : c_compilers) {
        expect_plans(build(c, compiler.substr(0, compiler.find(' ')), compiler), plans, counts, compiler);
    }
    for (const std::string assembler : {"avr-gcc -x assembler-with-cpp", "clang --target=avr -x assembler-with-cpp"}) {
        expect_plans(build(s, assembler.substr(0, assembler.find(' ')), assembler, "-nostdlib"), plans,
                     counts, assembler);
    }
}

// The time wrappers: the count is the time times F_CPU, rounded up, from
// the digits as written; F_CPU may change between two delays.
TEST(Header, TimesAtEachClockTakeTheirCyclesRoundedUp) {
    struct Row {
        const char* call;
        const char* clock;
        int64_t count;
    };
    const Row rows[] = {
        {"cyclotrim_delay_us(2.5)", "16000000UL", 40},   {"cyclotrim_delay_us(0.1)", "10000000UL", 1},
        {"cyclotrim_delay_us(0.7)", "20000000UL", 14},   {"cyclotrim_delay_us(0.1)", "16000000UL", 2},
        {"cyclotrim_delay_us(1e3)", "16000000UL", 16000}, {"cyclotrim_delay_ms(2.5e-3f)", "16000000UL", 40},
        {"cyclotrim_delay_ms((0.0625))", "7372800UL", 461}, {"cyclotrim_delay_ms(1)", "1000000UL", 1000},
        {"cyclotrim_delay_ms(268435.4559)", "16000000UL", 4294967295},
        {"cyclotrim_delay_us(3.3)", "7372800", 25},  // 24.330... cycles
    };
    std::vector<int64_t> counts;
    std::string c = "#include <cyclotrim/delay.h>\nint main(void) {\n";
    for (size_t i = 0; i < std::size(rows); ++i) {
        c += std::string("#undef F_CPU\n#define F_CPU ") + rows[i].clock + "\n    __asm__ __volatile__(\"mark_" +
             std::to_string(i) + ":\");\n    " + rows[i].call + ";\n";
        counts.push_back(rows[i].count);
    }
    c += "    __asm__ __volatile__(\"mark_" + std::to_string(std::size(rows)) + ":\");\n    for (;;) {\n    }\n}\n";
    const Build plans = reference(counts);
    for (const std::string compiler : {"avr-gcc -x c -O0", "clang++ --target=avr -x c++ -Os"}) {
        expect_plans(build(c, "times", compiler), plans, counts, "times " + compiler);
    }
}

// A count that is not a constant, or out of range, and a time without
// F_CPU or beyond 32 bits, stop the build with a message that names them.
TEST(Header, RefusesWhatItCannotPlanWhileCompiling) {
    struct Row {
        const char* statement;
        const char* named;
    };
    const Row rows[] = {
        {"cyclotrim_delay_cycles(PINB)", "cyclotrim_delay_cycles"},
        {"cyclotrim_delay_cycles(4294967296ULL)", "cyclotrim_delay_cycles"},
        {"cyclotrim_delay_cycles(-1)", "cyclotrim_delay_cycles"},
        {"cyclotrim_delay_us(10)", "F_CPU"},
        {"cyclotrim_delay_us(PINB)", "cyclotrim_delay_us"},
        {"cyclotrim_delay_ms(1e6 * F_CPU_IS)", "cyclotrim_delay_ms"},
        {"cyclotrim_delay_ms(300000)", "cyclotrim_delay_ms"},
    };
    for (const Row& row : rows) {
        const bool clock = std::string(row.named) != "F_CPU";
        const std::string source = std::string(clock ? "#define F_CPU 16000000UL\n" : "") +
                                   "#define F_CPU_IS 1\n#include <avr/io.h>\n#include <cyclotrim/delay.h>\n"
                                   "int main(void) {\n    " + row.statement + ";\n}\n";
        for (const std::string compiler : {"avr-gcc -x c", "avr-g++ -x c++", "clang --target=avr -x c"}) {
            const Build built = build(source, "refused", compiler);
            EXPECT_FALSE(built.ok) << row.statement << ", " << compiler;
            EXPECT_NE(built.output.find(row.named), std::string::npos)
                << row.statement << ", " << compiler << "\n" << built.output;
        }
    }
}

// avra's macro: each count the same bytes as cyclotrim-gen's compact
// listing, the last three in an outer loop that loads its loop once (two
// bytes, with body padding, three). One count a file: avra slows down with
// each expansion that a file holds before.
TEST(Header, AvraWritesTheCompactPlanOfEachCount) {
    const std::string include = ".device ATmega328P\n.include \"" CYCLOTRIM_INCLUDE "/cyclotrim/delay.inc\"\n";
    for (const int64_t count : {0, 5, 769, 1000, 65536, 196608, 262145, 16777216, 100000000, 2147483647,
                                1980870, 94948140, 139927717}) {
        const AssembledProgram macro = assemble_avra_source(
            include + "cyclotrim_delay_cycles " + std::to_string(count) + "\n", "header-macro");
        const AssembledProgram plan = assemble_avra_source(
            ".device ATmega328P\n" + generate("--compact " + std::to_string(count)), "header-plan");
        ASSERT_TRUE(macro.ok) << macro.tool_output;
        ASSERT_TRUE(plan.ok) << plan.tool_output;
        EXPECT_EQ(file_text(macro.hex_path), file_text(plan.hex_path)) << count;
    }
    const AssembledProgram refused =
        assemble_avra_source(include + "cyclotrim_delay_cycles 3000000000\n", "header-refused");
    EXPECT_NE(refused.tool_output.find("cyclotrim_delay_cycles: avra computes in 32 bits"), std::string::npos)
        << refused.tool_output;
}

// The example, built by its Makefile with each compiler: each change of the
// LED comes its delay after the one before, and the few cycles around it.
TEST(Header, ExampleBlinksWithEachCompiler) {
    const int64_t blink_ms[] = {100, 150, 100, 650};
    for (const std::string compiler : {"avr-gcc", "clang --target=avr"}) {
        const std::string copy = folder + "/blink-header";
        command_output("rm -rf '" + copy + "' && mkdir -p '" + folder + "' && cp -r '" CYCLOTRIM_EXAMPLES
                       "/blink-header' '" + copy + "'");
        int status = -1;
        const std::string output = command_output("make -C '" + copy + "' CC='" + compiler +
                                                      "' CYCLOTRIM_INCLUDE='" CYCLOTRIM_INCLUDE "' 2>&1",
                                                  &status);
        ASSERT_EQ(status, 0) << output;
        EXPECT_EQ(output.find("arning"), std::string::npos) << output;
        const std::vector<int64_t> changes =
            pin_change_cycles(copy + "/blink.hex", "atmega328p", 0x25 /* PORTB */, 5, 9, 40000000);
        ASSERT_EQ(changes.size(), 9u) << compiler;
        for (size_t i = 0; i + 1 < changes.size(); ++i) {
            const int64_t around = changes[i + 1] - changes[i] - blink_ms[i % 4] * 16000;
            EXPECT_TRUE(around >= 1 && around <= 6) << compiler << ", change " << i + 1 << ": " << around;
        }
    }
}
