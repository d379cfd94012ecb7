// cyclotrim-gen as a script uses it: its output, error text and exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "test_io.hpp"
#include "delay/start_command.hpp"

namespace {

struct GeneratorRun {
    int status = -1;
    std::string out;
    std::string err;
};

GeneratorRun run_generator(const std::string& arguments) {
    const std::string err_file =
        testing::TempDir() + "cyclotrim-gen-" + std::to_string(getpid()) + ".err";
    const std::string command = std::string(CYCLOTRIM_GEN) + " " + arguments + " 2>" + err_file;
    GeneratorRun run;
    run.out = command_output(command, &run.status);
    run.err = file_text(err_file);
    return run;
}

std::string start_listing(const std::string& cycles, const cyclotrim::RegisterTexts& registers) {
    cyclotrim::LoopPlan plan;
    return cyclotrim::run_start_command(cycles, registers, plan).listing;
}

}  // namespace

TEST(Generator, WritesExactlyTheListingOfStart) {
    struct Case { const char* arguments; const char* cycles; cyclotrim::RegisterTexts registers; };
    const Case cases[] = {
        {"1000", "1000", {"R16", "R17", "R18"}},
        {"600000", "600000", {"R16", "R17", "R18"}},
        {"-r R20,R21,R22 27891567", "27891567", {"R20", "R21", "R22"}},
        {"-r R24 1530", "1530", {"R24", "R17", "R18"}},
        {"\"  77abc\"", "  77abc", {"R16", "R17", "R18"}},
        {"2147483647", "2147483647", {"R16", "R17", "R18"}},
    };
    for (const Case& c : cases) {
        const GeneratorRun run = run_generator(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments;
        EXPECT_EQ(run.out, start_listing(c.cycles, c.registers)) << c.arguments;
        EXPECT_EQ(run.err, "") << c.arguments;
    }
}

TEST(Generator, RefusalsGoToStandardErrorWithStatusTwo) {
    struct Case { const char* arguments; const char* message; };
    for (const Case& c : {Case{"-5", "A delay cannot have a negative number of cycles."},
                          Case{"lots", "No cycle count: enter a whole number of cycles."},
                          Case{"4294967296", "Too many cycles: at most 2147483647."},
                          Case{"-r R16,R16 1530",
                               "R16 is chosen for two loops: each loop needs its own register."},
                          Case{"-r R16,,R18 1530", "Choose a register for loop WL1."}}) {
        const GeneratorRun run = run_generator(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_EQ(run.err, std::string("cyclotrim-gen: ") + c.message + "\n") << c.arguments;
    }
}

TEST(Generator, ConvertsATimeAtAClockFrequency) {
    struct Case { const char* arguments; const char* cycles; };
    for (const Case& c : {Case{"-t 0.001", "4000"}, Case{"-t 0.0005 -f 7.3728", "3686"},
                          Case{"-f 1.000 -t 0.7", "699999"}, Case{"-t 0.5s", "2000000"}}) {
        const GeneratorRun run = run_generator(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments;
        EXPECT_EQ(run.out, start_listing(c.cycles, cyclotrim::default_register_texts()))
            << c.arguments;
    }
    const GeneratorRun too_long = run_generator("-t 200 -f 12.00");
    EXPECT_EQ(too_long.status, 2);
    EXPECT_EQ(too_long.err, "cyclotrim-gen: Too many cycles: at most 2147483647.\n");
    const GeneratorRun negative = run_generator("-t -0.001");
    EXPECT_EQ(negative.err, "cyclotrim-gen: A delay cannot have a negative number of cycles.\n");
    for (const char* arguments : {"-t 0", "-t now", "-t 1 -f fast"}) {
        const GeneratorRun run = run_generator(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err.find("No cycle count"), std::string::npos) << arguments;
    }
}

TEST(Generator, ReadsTimesInTheUsersLocale) {
    const GeneratorRun run = run_generator("-t 0,5 -f 4,000");
    const GeneratorRun german = [] {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        GeneratorRun result = run_generator("-t 0,5 -f 4,000");
        unsetenv("LC_ALL");
        return result;
    }();
    EXPECT_EQ(german.status, 0) << german.err;
    EXPECT_EQ(german.out, start_listing("2000000", cyclotrim::default_register_texts()));
    // In the C locale the comma ends the number: 0 seconds, nothing to write.
    EXPECT_EQ(run.status, 2);
}

TEST(Generator, HelpAndUsageErrors) {
    const GeneratorRun help = run_generator("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: cyclotrim-gen"), std::string::npos);
    for (const char* arguments : {"", "--frobnicate 100", "100 200", "-r", "-r a,b,c,d 100",
                                 "-t 1 100", "-t"}) {
        const GeneratorRun run = run_generator(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err.find("Usage: cyclotrim-gen"), std::string::npos) << arguments;
    }
}
