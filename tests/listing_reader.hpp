// An independent reader of delay listings: parses the ldi/dec/brne/nop code
// with its labels and works out, loop by loop, how many cycles it takes on
// an AVR core. It shares no code with the writer.
#pragma once

#include <cstdint>
#include <string>

struct ListingReading {
    bool ok = false;
    std::string problem;  // why the code cannot be timed, when !ok
    int64_t cycles = 0;
    int64_t header_cycles = -1;  // the count the "; N cycles" header line states
};

// Reads `listing`. Fails for an instruction other than ldi, dec, brne and
// nop, an ldi constant outside 1 to 255, a label defined twice, a branch
// that does not close a counting loop, or a loop whose counter is unknown.
ListingReading read_listing(const std::string& listing);
