// SPDX-License-Identifier: MIT
// cyclotrim-gen as a script uses it: its output, error text and exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <set>
#include <sstream>
#include <string>

#include "test_io.hpp"
#include "delay/input/time_conversion.hpp"
#include "delay/start_command.hpp"

namespace {

struct GeneratorRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the companion through the shell with `arguments`, after `environment`
// (assignments such as LC_ALL=...).
GeneratorRun run_generator(const std::string& arguments, const std::string& environment = "") {
    const std::string err_file =
        testing::TempDir() + "cyclotrim-gen-" + std::to_string(getpid()) + ".err";
    const std::string command =
        environment + std::string(CYCLOTRIM_GEN) + " " + arguments + " 2>" + err_file;
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

// One row per command line: its exit status and either what standard
// output holds (a time comment, then the listing Start writes for the cycle
// text) or what standard error says.
TEST(Generator, AcceptsAndRefusesCommandLines) {
    const cyclotrim::RegisterTexts defaults = cyclotrim::default_register_texts();
    const std::string try_help = "\nTry 'cyclotrim-gen --help' for more information.";
    struct Case {
        std::string arguments;
        int status;
        std::string cycles;  // accepted: the cycle text Start gets
        cyclotrim::RegisterTexts registers;
        std::string comment_or_message;
    };
    const Case cases[] = {
        {"1000", 0, "1000", defaults, ""},
        {"' +600000 '", 0, " +600000 ", defaults, ""},
        {"2147483647", 0, "2147483647", defaults, ""},
        {"--registers=R20,R21,R22 27891567", 0, "27891567", {"R20", "R21", "R22"}, ""},
        {"-r R24 1530", 0, "1530", {"R24", "R17", "R18"}, ""},
        {"-r R16,R17 -r R20 1530", 0, "1530", {"R20", "R17", "R18"}, ""},
        {"600000 -r ZL,ZH,XL", 0, "600000", {"ZL", "ZH", "XL"}, ""},
        {"-- 1000", 0, "1000", defaults, ""},
        {"-r ' R20 ,R21' 1530", 0, "1530", {"R20", "R21", "R18"}, ""},
        {"--core avrrc --syntax=avra 1000", 0, "1000", defaults, ""},
        {"-t 1ms", 0, "4000", defaults, "; 1 ms at 4 MHz: 4000 cycles, exactly the time asked for\n"},
        {"-t 0.7 -f 1", 0, "700000", defaults,
         "; 0.7 s at 1 MHz: 700000 cycles, exactly the time asked for\n"},
        {"--time=1ms --clock=7.3728 --round=nearest", 0, "7373", defaults,
         "; 1 ms at 7.3728 MHz: 7373 cycles, 0.2 cycles (27.13 ns) longer than asked\n"},
        {"-t '0.5 us' -f 3MHz", 0, "1", defaults,
         "; 0.5 us at 3 MHz: 1 cycles, 0.5 cycles (166.7 ns) shorter than asked\n"},
        {"-t 0.5µs -f 3000kHz --round nearest", 0, "2", defaults,
         "; 0.5 us at 3000 kHz: 2 cycles, 0.5 cycles (166.7 ns) longer than asked\n"},
        {"-t 1e-9 -f 1 --round up", 0, "1", defaults,
         "; 1e-9 s at 1 MHz: 1 cycles, 0.999 cycles (999 ns) longer than asked\n"},
        {"-t 178.95697 -f 12e6Hz", 0, "2147483640", defaults,
         "; 178.95697 s at 12e6 Hz: 2147483640 cycles, exactly the time asked for\n"},
        {"-t 1.2us -f 1MHz --round nearest", 0, "1", defaults,
         "; 1.2 us at 1 MHz: 1 cycles, 0.2 cycles (200 ns) shorter than asked\n"},
        {"-t 50ns -f 1MHz --round nearest", 0, "0", defaults,
         "; 50 ns at 1 MHz: 0 cycles, 0.05 cycles (50 ns) shorter than asked\n"},
        // Figures far beyond a double's range are still shown right.
        {"-t 1ms -f 1e-400MHz", 0, "0", defaults,
         "; 1 ms at 1e-400 MHz: 0 cycles, 1e-397 cycles (1 ms) shorter than asked\n"},
        {"-t 1.5e-400 -f 1e400Hz --round up", 0, "2", defaults,
         "; 1.5e-400 s at 1e400 Hz: 2 cycles, 0.5 cycles (5e-401 s) longer than asked\n"},
        {"-t -0ms", 0, "0", defaults, "; 0 ms at 4 MHz: 0 cycles, exactly the time asked for\n"},
        {"-t 1e-30s -f 16MHz", 0, "0", defaults,
         "; 1e-30 s at 16 MHz: 0 cycles, 1.6e-23 cycles (1e-30 s) shorter than asked\n"},
        {"-t 2.5ms -f 16.5 # in a German locale", 0, "41250", defaults,
         "; 2.5 ms at 16.5 MHz: 41250 cycles, exactly the time asked for\n"},

        {"1e3", 2, "", {}, "\"1e3\" is not a cycle count: give a whole number of cycles, such as 1000."},
        {"1000abc", 2, "", {}, "\"1000abc\" is not a cycle count: give a whole number of cycles, such as 1000."},
        {"0x10", 2, "", {}, "\"0x10\" is not a cycle count: give a whole number of cycles, such as 1000."},
        {"1,000", 2, "", {}, "\"1,000\" is not a cycle count: give a whole number of cycles, such as 1000."},
        {"-- -5", 2, "", {}, "A delay cannot have a negative number of cycles."},
        {"-- -0", 2, "", {}, "\"-0\" is not a cycle count: give a whole number of cycles, such as 1000."},
        {"4294967296", 2, "", {}, "Too many cycles: at most 2147483647."},
        {"-t 200 -f 12.00", 2, "", {}, "Too many cycles: at most 2147483647."},
        {"-t -1ms", 2, "", {}, "A delay cannot have a negative number of cycles."},
        {"-t 1 -f 0", 2, "", {}, "A clock frequency must be above 0 Hz."},
        {"-t 1ms -f -16MHz", 2, "", {}, "A clock frequency must be above 0 Hz."},
        {"-t 0." + std::string(101, '1'), 2, "", {},
         "\"0." + std::string(101, '1') + "\" is not a time: it has more than 100 digits."},
        {"-t 2,5 -f 16.5", 2, "", {}, "\"2,5\" is not a time: the decimal point is \".\", as in 1.5ms."},
        {"-t 1ms -f 16,5", 2, "", {},
         "\"16,5\" is not a clock frequency: the decimal point is \".\", as in 16MHz."},
        {"-t 1m", 2, "", {}, "\"1m\" is not a time: give a number and a unit s, ms, us or ns, such as 1.5ms."},
        {"-t 1ms -f 8mhz", 2, "", {},
         "\"8mhz\" is not a clock frequency: give a number and a unit Hz, kHz or MHz, such as 16MHz."},
        {"-r R30,ZL 1530", 2, "", {}, "ZL is chosen for two loops: each loop needs its own register."},
        {"-r x,XL 600000", 2, "", {}, "x names a register pair: choose one register, from R16 to R31."},
        // Every register given is checked, whether the count uses its loop or not.
        {"-r R20,R20 100", 2, "", {}, "R20 is chosen for two loops: each loop needs its own register."},
        {"--subroutine --name w -r R16,R1 1000", 2, "", {},
         "ldi cannot load R1: choose a register from R16 to R31."},
        {"--variable --name w -r R18,R25 1000", 2, "", {},
         "R25 holds the count n (r25:r24): choose another register for the loops."},
        {"-r 'R20 R21' 600000", 2, "", {},
         "-r: 'R20 R21' is not one register name (separate names with commas)" + try_help},
        {"-r R16,,R18 1530", 2, "", {}, "-r: register 2 of the list is empty" + try_help},
        {"-r R16, 1530", 2, "", {}, "-r: register 2 of the list is empty" + try_help},
        {"-r a,b,c,d 100", 2, "", {}, "-r takes at most three registers" + try_help},
        {"--frobnicate 100", 2, "", {}, "unknown option '--frobnicate'" + try_help},
        {"-x 100", 2, "", {}, "unknown option '-x'" + try_help},
        {"-5", 2, "", {}, "unknown option '-5'" + try_help},
        {"--s 100", 2, "", {},
         "option '--s' is ambiguous: it could be '--syntax', '--subroutine', '--save'" + try_help},
        {"--help=x", 2, "", {}, "option '--help' takes no value" + try_help},
        {"--sub=1 --name w 100", 2, "", {}, "option '--subroutine' takes no value" + try_help},
        {"-t", 2, "", {}, "option '-t' needs a value" + try_help},
        {"100 --registers", 2, "", {}, "option '--registers' needs a value" + try_help},
        {"-f 8 1000", 2, "", {}, "-f needs -t TIME" + try_help},
        {"--round up 1000", 2, "", {}, "--round needs -t TIME" + try_help},
        {"--round=sideways -t 1", 2, "", {}, "--round takes down, nearest or up, not 'sideways'" + try_help},
        {"-t 1 100", 2, "", {}, "give either CYCLES or -t TIME, not both" + try_help},
        {"100 200", 2, "", {}, "one cycle count only, not also '200'" + try_help},
        {"", 2, "", {}, "no cycle count given" + try_help},
        {"--name 9lives 1000", 2, "", {},
         "--name takes an assembler symbol (a letter or _, then letters, digits and _), not '9lives'" +
             try_help},
        {"--name d__rest 1000", 2, "", {},
         "--name: 'd__rest' holds \"__\", which only the listing's own labels may use "
         "(NAME__0, NAME__rest, ...)" + try_help},
        {"--name " + std::string(1001, 'n') + " 1000", 2, "", {},
         "--name takes at most 1000 characters (avra reads lines of at most 4095)" + try_help},
        {"--syntax=pascal 1000", 2, "", {}, "--syntax takes avra, gnu or c, not 'pascal'" + try_help},
        {"--syntax c -r R20 1000", 2, "", {},
         "-r does not go with --syntax=c: the statement uses r18, r19 and r20, which C code may "
         "change freely" + try_help},
        {"--subroutine 1000", 2, "", {}, "--subroutine needs --name, the subroutine's label" + try_help},
        {"--name w --save 1000", 2, "", {}, "--save needs --subroutine or --variable" + try_help},
        {"--name w --subroutine --syntax c 1000", 2, "", {},
         "--subroutine is for --syntax=avra or gnu" + try_help},
        {"--name w --syntax c 1000", 2, "", {},
         "--name does not go with --syntax=c: a C statement has no label of its own" + try_help},
        {"--name w --syntax gnu 1000", 2, "", {},
         "--name with --syntax=gnu names a subroutine (its loop labels are numbered): add "
         "--subroutine or --variable" + try_help},
        {"--name w --subroutine --core avrx 100", 2, "", {},
         "--core takes avre, avre22, avrxt, avrxm or avrrc, not 'avrx'" + try_help},
        {"--name w --subroutine --core avrrc 100", 2, "", {},
         "No subroutine for avrrc cores: their call timing is not known well enough. The plain "
         "listing works there."},
        {"--name w --subroutine --core avrxt --call 6", 2, "", {},
         "Too few cycles for a subroutine: on an avrxt core call and ret take 7, so ask for at least 7."},
        {"--variable 16000", 2, "", {}, "--variable needs --name, the subroutine's label" + try_help},
        {"--name delay_ms --variable --syntax c 16000", 2, "", {},
         "--variable does not go with --syntax=c, as a compiler's own call cannot be counted: "
         "write the --syntax=gnu form into a .S file, link it and declare void delay_ms(uint16_t n); "
         "in C" + try_help},
        {"--name w --variable 13", 2, "", {},
         "A unit of 13 cycles is too short for a run-time delay: on an avre core with rcall, the "
         "call, the return and the loop that counts n need at least 14 cycles a unit."},
        {"--name w --variable --core avre22 --call --save -t 1us -f 16MHz", 2, "", {},
         "A unit of 16 cycles is too short for a run-time delay: on an avre22 core with call, the "
         "call, the return and the loop that counts n need at least 22 cycles a unit when saving "
         "registers."},
        {"--name w --variable -r R16 16000", 2, "", {},
         "R16 must keep its value for a caller in C (avr-gcc expects r2 to r17, r28 and r29 back "
         "unchanged): give --save to push and pop it, or choose from R18 to R23, R26, R27, R30 and "
         "R31."},
        {"--name w --variable -r R20,R25 16000", 2, "", {},
         "R25 holds the count n (r25:r24): choose another register for the loops."},
        {"--count-bits 8 100", 2, "", {}, "--count-bits needs --variable" + try_help},
        {"--name w --variable --subroutine 100", 2, "", {},
         "--variable and --subroutine are two forms: give one of them" + try_help},
        {"--name w --variable --count-bits 12 100", 2, "", {},
         "--count-bits takes 8 or 16, not '12'" + try_help},
        // Compact delays take up to 32 bits, and only as many registers as can reach the count.
        {"--compact 4294967296", 2, "", {}, "Too many cycles: at most 4294967295."},
        {"--compact -t 400 -f 12", 2, "", {}, "Too many cycles: at most 4294967295."},
        {"--compact -r R16 100000", 2, "", {},
         "A compact delay of 100000 cycles takes more than 64 words with R16: give more registers "
         "with -r (up to four)."},
        {"--compact -r R24,R25,ZL,r30 1000", 2, "", {},
         "r30 is given twice: each byte of the counter needs its own register."},
        {"--compact -r cnt,CNT 1000", 2, "", {},
         "CNT is given twice: each byte of the counter needs its own register."},  // one .def name
        {"--compact -r R16,R17,R18,R19,R20 100", 2, "", {},
         "-r takes at most four registers with --compact" + try_help},
        {"--compact --syntax c -r R24 100", 2, "", {},
         "-r does not go with --syntax=c: the statement uses r24 to r27, which C code may change "
         "freely" + try_help},
        // A compact run-time delay: its smallest unit, every register given checked
        // against the count, and the words its registers reach.
        {"--compact --name w --variable --count-bits 8 --call --save 12", 2, "", {},
         "A unit of 12 cycles is too short for a run-time delay: on an avre core with call and an "
         "8-bit count, the call, the return and the loop that counts n need at least 13 cycles a "
         "unit in the compact form, which saves no register at that unit."},
        {"--compact --name w --variable -r R26,R27,R25 1000", 2, "", {},
         "R25 holds the count n (r25:r24): choose another register for the loops."},
        {"--compact --name w --variable -r R18 4294967295", 2, "", {},
         "A compact run-time delay of 4294967295 cycles a unit takes more than 64 words in a delay "
         "of its pass with R18: give more registers with -r (up to four)."},
        {"--compact --name w --subroutine --core avre22 --call 9", 2, "", {},
         "Too few cycles for a subroutine: on an avre22 core call and ret take 10, so ask for at "
         "least 10."},
    };
    for (const Case& c : cases) {
        const bool german = c.arguments.find("German") != std::string::npos;
        const GeneratorRun run = run_generator(c.arguments, german ? "LC_ALL=de_DE.UTF-8 " : "");
        EXPECT_EQ(run.status, c.status) << c.arguments;
        if (c.status == 0) {
            EXPECT_EQ(run.out, c.comment_or_message + start_listing(c.cycles, c.registers))
                << c.arguments;
            EXPECT_EQ(run.err, "") << c.arguments;
        } else {
            EXPECT_EQ(run.out, "") << c.arguments;
            EXPECT_EQ(run.err, "cyclotrim-gen: " + c.comment_or_message + "\n") << c.arguments;
        }
    }
}

TEST(Generator, HelpAndVersion) {
    const GeneratorRun help = run_generator("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* part :
         {"Usage: cyclotrim-gen", "--round=MODE", "--compact", "Exit status:", ".def"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    }
    const GeneratorRun version = run_generator("-V");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "cyclotrim-gen (Cyclotrim) " CYCLOTRIM_VERSION "\n");
}

// A listing that did not reach its file must not look like a success to make.
TEST(Generator, ReportsAListingThatCouldNotBeWritten) {
    for (const char* redirection : {"> /dev/full", ">&-"}) {
        const GeneratorRun run = run_generator(std::string("2147483647 ") + redirection);
        EXPECT_EQ(run.status, 1) << redirection;
        EXPECT_NE(run.err.find("cyclotrim-gen: cannot write the listing: "), std::string::npos)
            << redirection << ": " << run.err;
    }
    // A pipe whose reader has gone: the write fails instead of killing the program.
    const std::string status_file = testing::TempDir() + "cyclotrim-gen-pipe-status";
    command_output("(sleep 0.3; " + std::string(CYCLOTRIM_GEN) + " 1000 2>/dev/null; echo $? >" +
                   status_file + ") | (exec 0<&-; sleep 1)");
    EXPECT_EQ(file_text(status_file), "1\n");
}

// The companion's other forms, byte for byte: subroutines that save
// registers (their pops in reverse order, their cycles added up per core),
// a GNU as subroutine, a run-time delay callable from C, and a C statement
// whose registers are clobbers.
TEST(Generator, WritesEachFormByteForByte) {
    struct Case { const char* arguments; const char* listing; };
    const Case cases[] = {
        {"--name w --subroutine --save --core avrxm 1000",
         "; w: 1000 cycles from the first cycle of \"rcall w\" to the instruction after it\n"
         "; rcall 2 + push 1 + delay 991 + pop 2 + ret 4 cycles on an avrxm core\n"
         "w:\n\tpush R16\n"
         ";<===   Delay loop   ===>\n; 991 cycles\n; 1 registers used\n;------------------------\n"
         ";delaying 765 cycles\n\n\tldi R16,0xff\nw__0:\tdec R16\n\tbrne w__0\n\n"
         ";delaying 226 cycles\n\tldi R16,0x4b\nw__rest:\tdec R16\n\tbrne w__rest\n\n"
         ";delaying 1 cycles\n\tnop\n\tpop R16\n\tret\n"},
        {"--name w --subroutine --save -r R20,R21 2000",
         "; w: 2000 cycles from the first cycle of \"rcall w\" to the instruction after it\n"
         "; rcall 3 + push 4 + delay 1985 + pop 4 + ret 4 cycles on an avre core\n"
         "w:\n\tpush R20\n\tpush R21\n"
         ";<===   Delay loop   ===>\n; 1985 cycles\n; 2 registers used\n;------------------------\n"
         ";delaying 1980 cycles\n\n\tldi R20,0xdc\nw__0:\tldi R21,0x2\nw__1:\tdec R21\n\tbrne w__1\n"
         "\tdec R20\n\tbrne w__0\n\n;delaying 5 cycles\n\tldi R20,0x1\nw__rest:\tdec R20\n"
         "\tbrne w__rest\n\n;delaying 2 cycles\n\tnop\n\tnop\n\tpop R21\n\tpop R20\n\tret\n"},
        {"--name w --subroutine --syntax gnu --call --core avre22 20",
         "; w: 20 cycles from the first cycle of \"call w\" to the instruction after it\n"
         "; call 5 + delay 10 + ret 5 cycles on an avre22 core\n"
         "w:\n;<===   Delay loop   ===>\n; 10 cycles\n; 1 registers used\n;------------------------\n"
         ";delaying 9 cycles\n\n\tldi R16,0x3\n90001:\tdec R16\n\tbrne 90001b\n\n;delaying 1 cycles\n"
         "\tnop\n\tret\n"},
        {"--name w --variable --count-bits 8 --syntax gnu 12",
         "; w: n x 12 cycles from the first cycle of \"rcall w\" to the instruction after\n"
         "; it, for every n from 1 to 255; with n = 0 it takes 9 cycles.\n"
         "; From assembler: ldi r24,n, then rcall w.\n"
         "; From C: void w(uint8_t n); link this file. avr-gcc calls it with call on\n"
         "; chips with more than 8 KiB of flash (write it with --call there) and with\n"
         "; rcall on smaller ones; linking with --relax (-mrelax) may turn a call into\n"
         "; an rcall.\n"
         "; Changes r24, R18 and the status flags; r1 stays 0 and every other register\n"
         "; keeps its value.\n"
         "; Interrupts that run during the delay lengthen it, as they lengthen any\n"
         "; busy-wait.\n"
         "; On an avre core each pass takes 9 + 0 + dec 1 + brne 2 = 12 cycles; the\n"
         "; first skips its 9, which pay for rcall 3 + tst 1 + brne 2 before it and\n"
         "; ret 4 after the last pass, whose brne takes 1 cycle less.\n"
         "\t.text\n"
         "\t.global w\n"
         "\t.type w, @function\n"
         "w:\n"
         "\ttst r24\n"
         "\tbrne 90009f\n"
         "\tret\n"
         "; the top of every pass but the first: 9 cycles\n"
         "90008:\n"
         ";<===   Delay loop   ===>\n"
         "; 9 cycles\n"
         "; 1 registers used\n"
         ";------------------------\n"
         ";delaying 9 cycles\n"
         "\n"
         "\tldi R18,0x3\n"
         "90001:\tdec R18\n"
         "\tbrne 90001b\n"
         "; the rest of every pass: 0 cycles, then the count\n"
         "90009:\n"
         "\tdec r24\n"
         "\tbrne 90008b\n"
         "\tret\n"
         "\t.size w, .-w\n"},
        {"--syntax c 5",
         "/* Delay loop: 5 cycles (GCC inline assembly for avr-gcc or clang) */\n"
         "__asm__ __volatile__(\n    /* <===   Delay loop   ===> */\n    /*  5 cycles */\n"
         "    /*  1 registers used */\n    /* ------------------------ */\n"
         "    /* delaying 3 cycles */\n    \"\\tldi r18,0x1\\n\"\n    \"90001:\\tdec r18\\n\"\n"
         "    \"\\tbrne 90001b\\n\"\n    /* delaying 2 cycles */\n    \"\\tnop\\n\"\n    \"\\tnop\\n\"\n"
         "    ::: \"r18\");\n"},
        // Compact delays: a loop with padding in its body, sbiw and sbci chains, an avrrc
        // core without sbiw, a subroutine that saves its register, a C statement.
        {"--compact 1000",
         ";<===   Compact delay   ===>\n; 1000 cycles in 4 words\n; 1 register used: R24\n"
         ";------------------------\n;loop: 1 ldi + 250 passes x 4 cycles (1 of padding) - 1 = "
         "1000 cycles\n\tldi R24,0xfa\nWL0:\tnop\n\tdec R24\n\tbrne WL0\n"},
        {"--compact --name d 4294967295",
         ";<===   Compact delay   ===>\n; 4294967295 cycles in 8 words\n"
         "; 4 registers used: R24, R25, R26, R27\n;------------------------\n"
         ";loop: 4 ldi + 715827882 passes x 6 cycles - 1 = 4294967295 cycles\n"
         "\tldi R24,0xaa\n\tldi R25,0xaa\n\tldi R26,0xaa\n\tldi R27,0x2a\n"
         "d__0:\tsbiw R24,1\n\tsbci R26,0\n\tsbci R27,0\n\tbrne d__0\n"},
        {"--compact --syntax gnu -r R20,R21,R22 --core avrrc 262150",
         ";<===   Compact delay   ===>\n; 262150 cycles in 8 words\n; 2 registers used: R20, R21\n"
         ";------------------------\n;loop: 2 ldi + 65536 passes x 4 cycles - 1 = 262145 cycles\n"
         "\tldi R20,0x0\n\tldi R21,0x0\n90001:\tsubi R20,1\n\tsbci R21,0\n\tbrne 90001b\n"
         ";padding: 5 cycles\n\trjmp 90008f\n90008:\n\trjmp 90008f\n90008:\n\tnop\n"},
        {"--compact --name w --subroutine --save --core avrxt 1000",
         "; w: 1000 cycles from the first cycle of \"rcall w\" to the instruction after it\n"
         "; rcall 2 + push 1 + delay 991 + pop 2 + ret 4 cycles on an avrxt core\n"
         "; 8 words: push 1 + delay 5 + pop 1 + ret 1\nw:\n\tpush R24\n"
         ";<===   Compact delay   ===>\n; 991 cycles in 5 words\n; 1 register used: R24\n"
         ";------------------------\n;loop: 1 ldi + 198 passes x 5 cycles (2 of padding) - 1 = "
         "990 cycles\n\tldi R24,0xc6\nw__0:\trjmp PC+1\n\tdec R24\n\tbrne w__0\n"
         ";padding: 1 cycle\n\tnop\n\tpop R24\n\tret\n"},
        // A second loop on the counter left at 0, and an outer loop.
        {"--compact --syntax gnu 1028",
         ";<===   Compact delay   ===>\n; 1028 cycles in 5 words\n; 1 register used: R24\n"
         ";------------------------\n;loop: 1 ldi + 87 passes x 3 cycles - 1 = 261 cycles\n"
         "\tldi R24,0x57\n90001:\tdec R24\n\tbrne 90001b\n;loop again, on the counter left at 0: 256 "
         "passes x 3 cycles - 1 = 767 cycles\n90001:\tdec R24\n\tbrne 90001b\n"},
        {"--compact --name n 655380",
         ";<===   Compact delay   ===>\n; 655380 cycles in 7 words\n"
         "; 3 registers used: R24, R25, R26\n;------------------------\n"
         ";outer loop: 1 ldi + 3 passes x 218460 cycles (the loop below, dec and brne) - 1 = "
         "655380 cycles\n\tldi R26,0x3\n;loop: 2 ldi + 54614 passes x 4 cycles - 1 = 218457 "
         "cycles\nn__0:\tldi R24,0x56\n\tldi R25,0xd5\nn__1:\tsbiw R24,1\n\tbrne n__1\n"
         "\tdec R26\n\tbrne n__0\n"},
        // A compact run-time delay that saves its register: in GNU as its pads jump to
        // 90008f inside a pass whose top is 90006.
        {"--compact --name w --variable --syntax gnu --save --count-bits 8 40",
         "; w: n x 40 cycles from the first cycle of \"rcall w\" to the instruction after\n"
         "; it, for every n from 1 to 255; with n = 0 it takes 10 cycles.\n"
         "; 16 words: entry 3 + push 1 + top of a pass 4 + rest of a pass 4 + count 2 +\n"
         "; pop 1 + ret 1.\n"
         "; From assembler: ldi r24,n, then rcall w.\n"
         "; From C: void w(uint8_t n); link this file. avr-gcc calls it with call on\n"
         "; chips with more than 8 KiB of flash (write it with --call there) and with\n"
         "; rcall on smaller ones; linking with --relax (-mrelax) may turn a call into\n"
         "; an rcall.\n"
         "; Changes r24 and the status flags; r1 stays 0 and every other register keeps\n"
         "; its value (R26 is pushed and popped).\n"
         "; Interrupts that run during the delay lengthen it, as they lengthen any\n"
         "; busy-wait.\n"
         "; On an avre core each pass takes 14 + 23 + dec 1 + brne 2 = 40 cycles; the\n"
         "; first skips its 14, which pay for rcall 3 + tst 1 + breq 1 + push 2 + rjmp 2\n"
         "; before it and pop 2 + ret 4 after the last pass, whose brne takes 1 cycle\n"
         "; less.\n"
         "\t.text\n"
         "\t.global w\n"
         "\t.type w, @function\n"
         "w:\n"
         "\ttst r24\n"
         "\tbreq 90007f\n"
         "\tpush R26\n"
         "\trjmp 90009f\n"
         "; the top of every pass but the first: 14 cycles\n"
         "90006:\n"
         ";<===   Compact delay   ===>\n"
         "; 14 cycles in 4 words\n"
         "; 1 register used: R26\n"
         ";------------------------\n"
         ";loop: 1 ldi + 4 passes x 3 cycles - 1 = 12 cycles\n"
         "\tldi R26,0x4\n"
         "90001:\tdec R26\n"
         "\tbrne 90001b\n"
         ";padding: 2 cycles\n"
         "\trjmp 90008f\n"
         "90008:\n"
         "; the rest of every pass: 23 cycles, then the count\n"
         "90009:\n"
         ";<===   Compact delay   ===>\n"
         "; 23 cycles in 4 words\n"
         "; 1 register used: R26\n"
         ";------------------------\n"
         ";loop: 1 ldi + 7 passes x 3 cycles - 1 = 21 cycles\n"
         "\tldi R26,0x7\n"
         "90001:\tdec R26\n"
         "\tbrne 90001b\n"
         ";padding: 2 cycles\n"
         "\trjmp 90008f\n"
         "90008:\n"
         "\tdec r24\n"
         "\tbrne 90006b\n"
         "\tpop R26\n"
         "90007:\n"
         "\tret\n"
         "\t.size w, .-w\n"},
        {"--compact --syntax c -t 1us -f 5MHz",
         "/* 1 us at 5 MHz: 5 cycles, exactly the time asked for */\n"
         "/* Compact delay: 5 cycles (GCC inline assembly for avr-gcc or clang) */\n"
         "__asm__ __volatile__(\n    /* <===   Compact delay   ===> */\n"
         "    /*  5 cycles in 3 words */\n    /*  0 registers used */\n"
         "    /* ------------------------ */\n    /* padding: 5 cycles */\n"
         "    \"\\trjmp 90008f\\n\"\n    \"90008:\\n\"\n    \"\\trjmp 90008f\\n\"\n    \"90008:\\n\"\n"
         "    \"\\tnop\\n\"\n    :::);\n"},
    };
    for (const Case& c : cases) {
        const GeneratorRun run = run_generator(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.out, c.listing) << c.arguments;
    }
}

// Listings of two names that differ, even if one starts with the other,
// never define the same label (avra compares labels ignoring case).
TEST(Generator, NamesNeverShareALabel) {
    const char* const names[] = {"X", "X_0", "X_0_2", "d", "d_rest", "d_0", "wait", "wait_"};
    auto defined_labels = [](const std::string& name) {
        std::set<std::string> labels;
        for (const char* form : {" 27891567", " --subroutine --save 600000", " --variable --save 16000"}) {
            const std::string listing = run_generator("--name " + name + form).out;
            // A label starts its line: everything before the colon, in lower case.
            std::istringstream lines(listing);
            std::string line;
            while (std::getline(lines, line)) {
                const size_t colon = line.find(':');
                if (line.empty() || line[0] == ';' || line[0] == '\t' || colon == std::string::npos) {
                    continue;
                }
                std::string lower = line.substr(0, colon);
                for (char& c : lower) {
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                }
                labels.insert(lower);
            }
        }
        return labels;
    };
    for (const char* first : names) {
        for (const char* second : names) {
            if (std::string(first) < second) {
                const std::set<std::string> a = defined_labels(first);
                const std::set<std::string> b = defined_labels(second);
                ASSERT_GT(a.size(), 4u) << first;
                for (const std::string& label : a) {
                    EXPECT_EQ(b.count(label), 0u) << first << " and " << second << ": " << label;
                }
            }
        }
    }
}

// The Time-mode requests of window_requests.tsv of `locale` through the window's Start, the
// cycles entry holding an earlier count, and the companion: the same count and listing, or a
// refusal from both; typing shows the count Start reads.
static void expect_rows_read_alike(const std::string& locale) {
    const std::string folder = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/') + 1);
    std::istringstream table(file_text(folder + "window_requests.tsv"));
    for (std::string line; std::getline(table, line);) {
        std::vector<std::string> row(1);  // locale, time, clock, WL0, WL1, WL2, count or refusal
        for (const char c : line) {
            c == '\t' ? row.emplace_back() : row.back() += c;
        }
        if (row[0] != locale) {
            continue;
        }
        cyclotrim::LoopPlan plan;
        const cyclotrim::StartOutcome window =
            cyclotrim::run_window_start({true, "16000", row[1], row[2], {row[3], row[4], row[5]}}, plan);
        std::string request = "-t '" + row[1] + "' -f '" + row[2] + "'";
        std::replace(request.begin(), request.end(), ',', locale == "C" ? ',' : '.');
        const GeneratorRun companion = run_generator(request + " -r '" + row[3] + "," + row[4] + "," + row[5] + "'");
        const bool counted = row[6].find_first_not_of("0123456789") == std::string::npos;
        EXPECT_EQ(companion.status, counted ? 0 : 2) << line;
        EXPECT_EQ(counted ? window.cycles_text : window.status_message, row[6]) << line;
        const std::string& out = companion.out;
        EXPECT_EQ(out.substr(std::min(out.find(";<==="), out.size())), window.listing) << line;
        if (row[1] != "0" && row[6].rfind("Too many", 0) != 0) {
            EXPECT_EQ(cyclotrim::cycles_text_from_time(row[1], row[2]).value_or(""), window.cycles_text) << line;
        }
    }
}

TEST(WindowRequests, ReadAsTheCompanionReadsThem) { expect_rows_read_alike("C"); }

TEST(WindowRequests, ReadsTheLocalesDecimalComma) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "no de_DE.UTF-8 locale here";
    expect_rows_read_alike("de");
    std::setlocale(LC_ALL, "C");
}
