// SPDX-License-Identifier: MIT
// Listings at the edges of what each form accepts, where loops grow
// longest: each one assembles with avra (no warning) and, in its GNU form,
// links with avr-gcc; a run-time delay also takes n units for n = 0, 1, 2
// and the largest n, as the compact reader times it loop by loop (a unit of
// 2^31 cycles is too long for the simulator).
#include <gtest/gtest.h>

#include <string>

#include "avr_bench.hpp"
#include "companion_output.hpp"
#include "readers/compact_reader.hpp"

namespace {

// The number after `before` in the listing's header comment, or -1.
int64_t stated(const std::string& listing, const std::string& before) {
    const size_t at = listing.find(before);
    return at == std::string::npos ? -1 : std::stoll(listing.substr(at + before.size()));
}

}  // namespace

TEST(BranchReach, ListingsAtTheirEdgesAssembleLinkAndTakeTheirCycles) {
    const char* const requests[] = {
        "2147483647",
        "--name w --subroutine --save 2147483647",
        "--name w --variable 279359377",  // the first unit whose pass brne cannot close
        "--name w --variable --save --count-bits 8 -r R16,R17,R28 2147483647",
        "--name w --variable --call 2147483647",
        "--compact -r R16 31489",  // 64 words, one register, a full wrap
        "--compact --name w --subroutine --save 4294967295",
        "--compact --name w --variable -r R20 30000",
        "--compact --name w --variable --save -r R16 27200",
        "--compact --name w --variable --count-bits 8 4294967295",
    };
    const StackCosts avre{2, 2, 4};
    for (const std::string request : requests) {
        const std::string listing = generate(request);
        const AssembledProgram avra = assemble_with_avra(listing, "reach");
        EXPECT_TRUE(avra.ok) << request << "\n" << avra.tool_output;
        const AssembledProgram gnu = assemble_with_gnu_as(generate(request + " --syntax gnu"), "reach");
        EXPECT_TRUE(gnu.ok) << request << " --syntax gnu\n" << gnu.tool_output;
        if (request.find("--variable") == std::string::npos) {
            continue;
        }
        const int64_t unit = stated(listing, " n x ");
        const int largest = request.find("--count-bits 8") != std::string::npos ? 255 : 65535;
        const int64_t call = request.find("--call") != std::string::npos ? 4 : 3;
        for (const int n : {0, 1, 2, largest}) {
            const CompactReading reading =
                read_compact_listing(listing, {&avre, {{24, n & 0xff}, {25, n >> 8}}});
            const int64_t expected = n == 0 ? stated(listing, "with n = 0 it takes ") : n * unit;
            EXPECT_TRUE(reading.ok) << request << ", n = " << n << ": " << reading.problem;
            EXPECT_EQ(reading.cycles + call, expected) << request << ", n = " << n;
        }
    }
}
