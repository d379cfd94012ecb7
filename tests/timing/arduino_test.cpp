// SPDX-License-Identifier: MIT
// The header as an Arduino library, built by Debian's Arduino tools as the
// Arduino IDE builds a sketch (its core, -Os, -flto across the files): a
// sketch of two files that each use it takes exactly its delays in the
// simulator, and the library's example builds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "avr_bench.hpp"
#include "test_io.hpp"

namespace {

const std::string folder = testing::TempDir() + "cyclotrim-arduino-" + std::to_string(getpid());

// Builds the sketch in the folder `sketch` for an Uno with the library, by
// arduino-mk's Makefile; make's output, and its status in `status`.
std::string make_sketch(const std::string& sketch, int* status) {
    // Debian 12's core needs DECIMAL_DIG to build against Debian's avr-libc;
    // the rest is arduino-mk's own setting, -flto included.
    std::ofstream(sketch + "/Makefile")
        << "BOARD_TAG = uno\nUSER_LIB_PATH = " CYCLOTRIM_ARDUINO_LIBRARIES "\nARDUINO_LIBS = Cyclotrim\n"
           "CXXFLAGS_STD = -std=gnu++11 -fno-threadsafe-statics -flto -DDECIMAL_DIG=17\n"
           "include /usr/share/arduino/Arduino.mk\n";
    return command_output("make -C '" + sketch + "' 2>&1", status);
}

}  // namespace

TEST(ArduinoLibrary, SketchOfTwoFilesTakesExactlyItsDelays) {
    const std::string sketch = folder + "/Pulses";
    command_output("mkdir -p '" + sketch + "'");
    std::ofstream(sketch + "/Pulses.ino")
        << "#include <Cyclotrim.h>\n\nvoid wait_more();\n\nvoid setup() {\n    noInterrupts();\n"
           "    asm volatile(\"mark_0:\");\n    cyclotrim_delay_us(1);\n    asm volatile(\"mark_1:\");\n"
           "    cyclotrim_delay_us(10);\n    asm volatile(\"mark_2:\");\n    cyclotrim_delay_us(100);\n"
           "    asm volatile(\"mark_3:\");\n    wait_more();\n}\n\nvoid loop() {\n}\n";
    std::ofstream(sketch + "/more.cpp")
        << "#include <Cyclotrim.h>\n\n__attribute__((noinline)) void wait_more() {\n"
           "    asm volatile(\"mark_4:\");\n    cyclotrim_delay_ms(2.5);\n    asm volatile(\"mark_5:\");\n}\n";
    int status = -1;
    const std::string output = make_sketch(sketch, &status);
    ASSERT_EQ(status, 0) << output;
    AssembledProgram program;
    program.elf_path = sketch + "/build-uno/Pulses_.elf";
    program.hex_path = sketch + "/build-uno/Pulses_.hex";
    const auto cycles = [&](int from, int to) {
        return measure_cycles_between(program.hex_path, "atmega328p",
                                      symbol_address(program, "mark_" + std::to_string(from)),
                                      symbol_address(program, "mark_" + std::to_string(to)), 1000000);
    };
    EXPECT_EQ(cycles(0, 1), 16);
    EXPECT_EQ(cycles(1, 2), 160);
    EXPECT_EQ(cycles(2, 3), 1600);
    EXPECT_EQ(cycles(4, 5), 40000);
}

TEST(ArduinoLibrary, ExampleBuilds) {
    const std::string sketch = folder + "/ExactBlink";
    command_output("mkdir -p '" + folder + "' && cp -r '" CYCLOTRIM_ARDUINO_LIBRARIES
                   "/Cyclotrim/examples/ExactBlink' '" + folder + "'");
    int status = -1;
    const std::string output = make_sketch(sketch, &status);
    EXPECT_EQ(status, 0) << output;
}
