// SPDX-License-Identifier: MIT
// The companion's listings, for the tests that assemble and time them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_io.hpp"

// What cyclotrim-gen writes for `arguments`; a run that writes no listing
// fails the test.
inline std::string generate(const std::string& arguments) {
    int status = -1;
    const std::string out = command_output(std::string(CYCLOTRIM_GEN) + " " + arguments, &status);
    EXPECT_EQ(status, 0) << arguments;
    return out;
}
