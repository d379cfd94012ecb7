// SPDX-License-Identifier: MIT
// The header that plans delays while compiling (cyclotrim/delay.h, and
// cyclotrim/delay.inc for avra), built by every compiler at several levels:
// each delay's code is byte for byte the compact plan cyclotrim-gen writes
// for its count (so the same cycles and words, which the compact proofs
// establish), and the simulator times the shorter ones between markers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <random>
#include <sstream>
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
    std::vector<uint32_t> marks;  // the byte address of mark_0, mark_1, ... in address order
    std::map<std::string, uint32_t> symbols;
    std::string hex;

    std::string delay(size_t i) const { return code.substr(marks.at(i), marks.at(i + 1) - marks.at(i)); }
    int64_t cycles_between(const std::string& from, const std::string& to, int64_t limit) const {
        return measure_cycles_between(hex, "atmega328p", symbols.at(from), symbols.at(to), limit);
    }
};

// Compiles or assembles each of `sources` with `compile` (a command with
// its options), links them with avr-gcc for `mcu` and reads it back.
Build build(const std::vector<std::string>& sources, const std::string& name, const std::string& compile,
            const std::string& link = "", const std::string& mcu = "atmega328p") {
    const std::string base = folder + "/" + name;
    command_output("mkdir -p '" + folder + "'");
    std::string objects;
    std::string commands;
    for (size_t i = 0; i < sources.size(); ++i) {
        const std::string file = base + "_" + std::to_string(i);
        std::ofstream(file + ".src") << sources[i];
        const bool system = compile.find("-isystem") != std::string::npos;
        commands += compile + " -mmcu=" + mcu + " -Wall -Wextra " +
                    (system ? "" : "-I'" CYCLOTRIM_INCLUDE "'") + " -c -o '" + file + ".o' '" + file +
                    ".src' 2>&1 && ";
        objects += " '" + file + ".o'";
    }
    Build built;
    int status = -1;
    built.output =
        command_output(commands + "avr-gcc -mmcu=" + mcu + " " + link + " -o '" + base + ".elf'" + objects +
                           " 2>&1 && avr-objcopy -O binary -j .text '" + base + ".elf' '" + base +
                           ".bin' && avr-objcopy -O ihex '" + base + ".elf' '" + base + ".hex'",
                       &status);
    built.ok = status == 0 && built.output.find("arning") == std::string::npos;
    built.code = file_text(base + ".bin");
    built.hex = base + ".hex";
    std::istringstream symbols(command_output("avr-nm -n '" + base + ".elf' 2>/dev/null"));
    for (std::string line, address, kind, symbol; std::getline(symbols, line);) {
        if (!(std::istringstream(line) >> address >> kind >> symbol)) {
            continue;  // an undefined symbol has no address
        }
        built.symbols[symbol] = static_cast<uint32_t>(std::stoul(address, nullptr, 16) & 0xffffff);
        if (symbol.rfind("mark_", 0) == 0) {
            built.marks.push_back(built.symbols[symbol]);
        }
    }
    return built;
}

Build build(const std::string& source, const std::string& name, const std::string& compile,
            const std::string& link = "") {
    return build(std::vector<std::string>{source}, name, compile, link);
}

// cyclotrim-gen's compact plans for `counts` in GNU as, each after its
// mark, with `options` added and assembled for `mcu`.
Build reference(const std::vector<int64_t>& counts, const std::string& options = "",
                const std::string& mcu = "atmega328p") {
    std::string source = ".text\n";
    for (size_t i = 0; i <= counts.size(); ++i) {
        source +=
            "mark_" + std::to_string(i) + ":\n" +
            (i < counts.size() ? generate("--compact --syntax gnu " + options + std::to_string(counts[i]))
                               : "");
    }
    return build({source}, "reference", "avr-gcc -x assembler", "-nostdlib", mcu);
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
            EXPECT_EQ(measure_cycles_between(built.hex, "atmega328p", built.marks.at(i),
                                             built.marks.at(i + 1), before),
                      counts[i])
                << how << ", " << counts[i] << " cycles";
        }
    }
}

}  // namespace

// One table across compilers, languages and levels, each building the same
// delays: edges of every shape and counts drawn over the whole range.
TEST(Header, EveryCompilerWritesTheCompactPlanOfEachCount) {
    std::vector<int64_t> counts{0, 1, 2, 3, 7, 100, 765, 769, 1000, 1028, 65536, 196608, 262145, 655380};
    std::mt19937_64 draw(25);
    for (int i = 0; i < 14; ++i) {
        counts.push_back(static_cast<int64_t>(draw() % (i < 6 ? 1000000 : 4294967296)));
    }
    counts.insert(counts.end(), {1980870, 16777216, 94948140, 100000000, 139927717, 4294967295});
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
    const char* const c_compilers[] = {"avr-gcc -x c -O0",
                                       "avr-gcc -x c -O1",
                                       "avr-gcc -x c -O2",
                                       "avr-gcc -x c -Os",
                                       "avr-gcc -x c -O3 -funroll-loops",
                                       "avr-g++ -x c++ -O0",
                                       "avr-g++ -x c++ -Os -std=c++11",
                                       "clang --target=avr -x c -O0",
                                       "clang --target=avr -x c -Os",
                                       "clang++ --target=avr -x c++ -O0",
                                       "clang++ --target=avr -x c++ -O2"};
    for (const std::string compiler : c_compilers) {
        expect_plans(build(c, compiler.substr(0, compiler.find(' ')), compiler), plans, counts, compiler);
    }
    for (const std::string assembler :
         {"avr-gcc -x assembler-with-cpp", "clang --target=avr -x assembler-with-cpp"}) {
        expect_plans(build(s, assembler.substr(0, assembler.find(' ')), assembler, "-nostdlib"), plans,
                     counts, assembler);
    }
}

// The time wrappers: the count is the time times F_CPU, rounded up, read
// exactly from a decimal literal's digits however many they are, or from
// an integer constant expression's value; F_CPU may change between two
// delays.
TEST(Header, TimesAtEachClockTakeTheirCyclesRoundedUp) {
    struct Row {
        const char* call;
        const char* clock;
        int64_t count;
    };
    const Row rows[] = {
        {"cyclotrim_delay_us(2.5)", "16000000UL", 40},
        {"cyclotrim_delay_us(0.1)", "10000000UL", 1},
        {"cyclotrim_delay_us(0.7)", "20000000UL", 14},
        {"cyclotrim_delay_us(0.1)", "16000000UL", 2},
        {"cyclotrim_delay_us(1e3)", "16000000UL", 16000},
        {"cyclotrim_delay_ms(2.5e-3f)", "16000000UL", 40},
        {"cyclotrim_delay_ms((0.0625))", "7372800UL", 461},
        {"cyclotrim_delay_ms(1)", "1000000UL", 1000},
        {"cyclotrim_delay_ms(268435.4559)", "16000000UL", 4294967295},
        {"cyclotrim_delay_us(3.3)", "7372800", 25},  // 24.330... cycles
        // Integer constant expressions, evaluated as C evaluates them.
        {"cyclotrim_delay_us(PULSE_US)", "16000000UL", 864},
        {"cyclotrim_delay_us(1+1)", "16000000UL", 32},
        {"cyclotrim_delay_us(PULSE_US * 2 - 100)", "1000000UL", 8},
        {"cyclotrim_delay_us(010)", "16000000UL", 128},
        {"cyclotrim_delay_ms(0x10u)", "1000000UL", 16000},
        {"cyclotrim_delay_us(3)", "7372800UL", 23},
        // Long fractions and far exponents, exact to the last digit.
        {"cyclotrim_delay_us(0.00150000000000)", "16000000UL", 1},
        {"cyclotrim_delay_us(0.0100000000001)", "16000000UL", 1},
        {"cyclotrim_delay_us(1e-45)", "16000000UL", 1},
        {"cyclotrim_delay_us(0.062500000000000000000000)", "16000000UL", 1},
        {"cyclotrim_delay_us(0.062500000000000000000001)", "16000000UL", 2},
        {"cyclotrim_delay_us(0.062499999999999999999999)", "16000000UL", 1},
        {"cyclotrim_delay_us(( 2.06250000000000000000001L ))", "16000000UL", 34},
        {"cyclotrim_delay_us(123456789.123456789e-5)", "16000000UL", 19754},  // 19753.086...
        {"cyclotrim_delay_ms(0.00000000000000000000000000000000000000000001e+42)", "1000000UL", 10},
        {"cyclotrim_delay_us(.5E1)", "3000000UL", 15},
        {"cyclotrim_delay_us(0e99)", "16000000UL", 0},
    };
    std::vector<int64_t> counts;
    std::string c = "#define PULSE_US (50+4)\n#include <cyclotrim/delay.h>\nint main(void) {\n";
    for (size_t i = 0; i < std::size(rows); ++i) {
        c += std::string("#undef F_CPU\n#define F_CPU ") + rows[i].clock +
             "\n    __asm__ __volatile__(\"mark_" + std::to_string(i) + ":\");\n    " + rows[i].call + ";\n";
        counts.push_back(rows[i].count);
    }
    c += "    __asm__ __volatile__(\"mark_" + std::to_string(std::size(rows)) +
         ":\");\n    for (;;) {\n    }\n}\n";
    const Build plans = reference(counts);
    for (const std::string compiler : {"avr-gcc -x c -O0", "avr-g++ -x c++ -Os",
                                       "clang --target=avr -x c -Os", "clang++ --target=avr -x c++ -O0"}) {
        expect_plans(build(c, "times", compiler), plans, counts, "times " + compiler);
    }
}

// A count that is not an integer constant, or out of range, a time that
// is neither a decimal literal nor an integer constant expression, negative
// or too long, and a missing or zero F_CPU, stop the build with a message
// that names the macro and the time as written.
TEST(Header, RefusesWhatItCannotPlanWhileCompiling) {
    struct Row {
        const char* statement;
        const char* named;
        const char* clock = "16000000UL";
    };
    const Row rows[] = {
        {"cyclotrim_delay_cycles(PINB)", "cyclotrim_delay_cycles: the count must be an integer constant"},
        {"cyclotrim_delay_cycles(2.5)", "cyclotrim_delay_cycles: the count must be an integer constant"},
        {"cyclotrim_delay_cycles(4294967296ULL)", "cyclotrim_delay_cycles: the count must be from 0"},
        {"cyclotrim_delay_cycles(-1)", "cyclotrim_delay_cycles: the count must be from 0"},
        {"cyclotrim_delay_us(10)", "F_CPU", nullptr},
        {"cyclotrim_delay_us(10)", "cyclotrim_delay_us(10) on line 6: the time needs F_CPU", "0"},
        {"cyclotrim_delay_us(PINB)", "cyclotrim_delay_us"},
        {"cyclotrim_delay_ms(1e6 * 2)", "cyclotrim_delay_ms(1e6 * 2) on line 6: the time must be a"},
        {"cyclotrim_delay_us(TWICE)", "cyclotrim_delay_us(TWICE) on line 6: the time must be a"},
        {"cyclotrim_delay_us(-2.5)", "cyclotrim_delay_us(-2.5) on line 6: the time must not be negative"},
        {"cyclotrim_delay_us(1 - 2)", "cyclotrim_delay_us(1 - 2) on line 6: the time must not be negative"},
        {"cyclotrim_delay_ms(300000)", "cyclotrim_delay_ms(300000) on line 6: the time takes more than"},
        {"cyclotrim_delay_ms(268435.4560)",
         "cyclotrim_delay_ms(268435.4560) on line 6: the time takes more than"},
    };
    for (const Row& row : rows) {
        const std::string source =
            (row.clock ? std::string("#define F_CPU ") + row.clock : std::string()) +
            "\n#define TWICE (1.5 * 2)\n#include <avr/io.h>\n#include <cyclotrim/delay.h>\n"
            "int main(void) {\n    " +
            row.statement + ";\n}\n";
        for (const std::string compiler :
             {"avr-gcc -x c", "avr-g++ -x c++ -std=gnu++11", "clang --target=avr -x c"}) {
            const Build built = build(source, "refused", compiler);
            EXPECT_FALSE(built.ok) << row.statement << ", " << compiler;
            EXPECT_NE(built.output.find(row.named), std::string::npos)
                << row.statement << ", " << compiler << "\n"
                << built.output;
        }
    }
    for (const std::string assembler :
         {"avr-gcc -x assembler-with-cpp", "clang --target=avr -x assembler-with-cpp"}) {
        for (const std::string count : {"4294967296", "-1"}) {
            const Build built =
                build("#include <cyclotrim/delay.h>\n.text\ncyclotrim_delay_cycles " + count + "\n",
                      "refused", assembler, "-nostdlib");
            EXPECT_NE(built.output.find("cyclotrim_delay_cycles: the count must be from 0 to 4294967295"),
                      std::string::npos)
                << assembler << ", " << count << "\n"
                << built.output;
        }
    }
}

// The header as real projects build it. Strict warnings in every
// standard, in C and C++, under both compilers, and as a system header.
TEST(Header, BuildsWithStrictWarningsInEveryStandard) {
    const std::string source =
        "#define F_CPU 16000000UL\n#define PERIOD_MS 9\n#include <cyclotrim/delay.h>\nint main(void) {\n"
        "    cyclotrim_delay_cycles(1000);\n    cyclotrim_delay_us(2.5);\n"
        "    cyclotrim_delay_ms(PERIOD_MS + 1);\n    for (;;) {\n    }\n}\n";
    struct Row {
        const char* compiler;
        const char* standards;
    };
    const Row rows[] = {
        {"avr-gcc -x c", "c99 c11 gnu11"},
        {"avr-g++ -x c++ -Wold-style-cast", "c++11 c++14 c++1z"},
        {"clang --target=avr -x c", "c99 c11 gnu11"},
        {"clang++ --target=avr -x c++ -Wold-style-cast", "c++11 c++17 c++20"},
        {"clang --target=avr -x c -isystem '" CYCLOTRIM_INCLUDE "'", "c11"},
        {"clang++ --target=avr -x c++ -Wold-style-cast -isystem '" CYCLOTRIM_INCLUDE "'", "c++14"},
    };
    for (const Row& row : rows) {
        std::istringstream standards(row.standards);
        for (std::string standard; standards >> standard;) {
            const std::string command =
                std::string(row.compiler) + " -std=" + standard + " -Os -pedantic -Werror";
            const Build built = build(source, "strict", command);
            EXPECT_TRUE(built.ok) << command << "\n" << built.output;
        }
    }
}

// Two files, each with its own delays, merged by the link-time optimiser,
// as Arduino builds do; each delay still takes exactly its cycles.
TEST(Header, TwoFilesLinkWithLinkTimeOptimisation) {
    const std::string head = "#define F_CPU 16000000UL\n#include <cyclotrim/delay.h>\n";
    const Build built = build(
        {head + "void other(void);\nint main(void) {\n    __asm__ __volatile__(\"mark_0:\");\n"
                "    cyclotrim_delay_cycles(1000);\n    __asm__ __volatile__(\"mark_1:\");\n    other();\n"
                "    for (;;) {\n    }\n}\n",
         head + "__attribute__((noinline)) void other(void) {\n    __asm__ __volatile__(\"mark_2:\");\n"
                "    cyclotrim_delay_us(100);\n    __asm__ __volatile__(\"mark_3:\");\n}\n"},
        "lto", "avr-gcc -x c -Os -flto", "-Os -flto");
    ASSERT_TRUE(built.ok) << built.output;
    EXPECT_EQ(built.cycles_between("mark_0", "mark_1", 3000), 1000);
    EXPECT_EQ(built.cycles_between("mark_2", "mark_3", 5000), 1600);
}

// A .S file's own numeric labels around two delays: its rjmp 1b comes back
// to its own 1:, so the pin changes after each delay, again and again.
TEST(Header, AssemblerFileKeepsItsOwnLabels) {
    const std::string source =
        "#include <avr/io.h>\n#include <cyclotrim/delay.h>\n.global main\nmain:\n"
        "    sbi _SFR_IO_ADDR(DDRB), 5\n1:  sbi _SFR_IO_ADDR(PORTB), 5\n    cyclotrim_delay_cycles 1000\n"
        "    cbi _SFR_IO_ADDR(PORTB), 5\n2:  cyclotrim_delay_cycles 70000\n    rjmp 1b\n";
    for (const std::string assembler :
         {"avr-gcc -x assembler-with-cpp", "clang --target=avr -x assembler-with-cpp"}) {
        const Build built = build(source, "labels", assembler);
        ASSERT_TRUE(built.ok) << assembler << "\n" << built.output;
        const std::vector<int64_t> changes =
            pin_change_cycles(built.hex, "atmega328p", 0x25 /* PORTB */, 5, 5, 300000);
        ASSERT_EQ(changes.size(), 5u) << assembler;
        for (size_t i = 0; i + 1 < changes.size(); ++i) {
            // The delay, then cbi (2); or the delay, rjmp (2) and sbi (2).
            EXPECT_EQ(changes[i + 1] - changes[i], i % 2 == 0 ? 1002 : 70004)
                << assembler << ", change " << i + 1;
        }
    }
}

// The reduced core (ATtiny4/5/9/10 and 20/40) has no sbiw: each delay is
// word for word the companion's plan for that core.
TEST(Header, ReducedCoreWritesTheCompanionsPlanForIt) {
    const std::vector<int64_t> counts{772, 773, 1000, 16000, 19832, 70000, 196608, 1980870, 16777216, 4294967295};
    std::string c = "#include <cyclotrim/delay.h>\nint main(void) {\n";
    for (size_t i = 0; i <= counts.size(); ++i) {
        c += "    __asm__ __volatile__(\"mark_" + std::to_string(i) + ":\");\n" +
             (i < counts.size() ? "    cyclotrim_delay_cycles(" + std::to_string(counts[i]) + "UL);\n" : "");
    }
    c += "    for (;;) {\n    }\n}\n";
    const Build plans = reference(counts, "--core avrrc -r R24,R25,R26,R27 ", "attiny10");
    ASSERT_TRUE(plans.ok) << plans.output;
    for (const std::string compiler : {"avr-gcc -x c -Os", "clang --target=avr -x c -O0"}) {
        const Build built = build({c}, "tiny", compiler, "", "attiny10");
        ASSERT_TRUE(built.ok) << compiler << "\n" << built.output;
        for (size_t i = 0; i < counts.size(); ++i) {
            EXPECT_EQ(built.delay(i), plans.delay(i)) << compiler << ", " << counts[i] << " cycles";
        }
    }
}

// Under clang the header gives avr-libc's _delay_us and _delay_ms the
// builtin they call, so that they link and take exactly their cycles at
// every optimising level, as a direct call does, in files linked together.
TEST(Header, GivesAvrLibcsDelaysTheirBuiltinUnderClang) {
    const std::string head =
        "#define F_CPU 16000000UL\n#include <cyclotrim/delay.h>\n#include <util/delay.h>\n";
    const std::string main_file =
        head +
        "void wait_more(void);\nint main(void) {\n    __asm__ __volatile__(\"mark_0:\");\n"
        "    _delay_us(10);\n    __asm__ __volatile__(\"mark_1:\");\n    _delay_ms(1);\n    __asm__ __volatile__(\"mark_2:\");\n"
        "    __builtin_avr_delay_cycles((F_CPU / 1e6) * 10);\n    __asm__ __volatile__(\"mark_3:\");\n"
        "    __builtin_avr_delay_cycles(1000);\n    __asm__ __volatile__(\"mark_4:\");\n    wait_more();\n"
        "    for (;;) {\n    }\n}\n";
    const std::vector<int64_t> counts{160, 16000, 160, 1000};
    const Build plans = reference(counts);
    for (const std::string compiler :
         {"clang --target=avr -x c -O1", "clang --target=avr -x c -O2", "clang --target=avr -x c -O3",
          "clang --target=avr -x c -Os", "clang --target=avr -x c -Oz", "clang++ --target=avr -x c++ -Os"}) {
        const Build built =
            build({main_file, head + "void wait_more(void) {\n    _delay_ms(2);\n}\n"}, "libc", compiler);
        expect_plans(built, plans, counts, compiler);
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
        command_output("rm -rf '" + copy + "' && mkdir -p '" + folder +
                       "' && cp -r '" CYCLOTRIM_EXAMPLES "/blink-header' '" + copy + "'");
        int status = -1;
        const std::string output = command_output(
            "make -C '" + copy + "' CC='" + compiler + "' CYCLOTRIM_INCLUDE='" CYCLOTRIM_INCLUDE "' 2>&1",
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
