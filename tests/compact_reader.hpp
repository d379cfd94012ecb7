// An independent reader of compact delay listings in avra syntax: parses
// the code and works out, instruction by instruction, the cycles and words
// it takes on an AVR core. It shares no code with the planner or the writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct CompactReading {
    bool ok = false;
    std::string problem;  // why the code cannot be timed, when !ok
    int64_t cycles = 0;
    int64_t words = 0;
    int64_t header_cycles = -1;  // "; N cycles in W words"
    int64_t header_words = -1;
};

// Reads `listing`. Takes ldi, nop, "rjmp PC+1", dec, subi r,1, sbci r,0,
// sbiw r,1 and brne back to a label; a brne must close a loop whose body
// ends in a count-down chain (dec; subi then sbci; or sbiw then sbci) over
// registers that hold known values, each of them once; before the chain the
// body may hold anything the reader takes, loops too, as long as every pass
// takes the same cycles and leaves the counter alone. A loop leaves its
// counter at 0. Fails for anything else.
CompactReading read_compact_listing(std::string_view listing);
