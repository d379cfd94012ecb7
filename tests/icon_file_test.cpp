// SPDX-License-Identifier: MIT
// The Windows icon file: one group of four images, 16x16 and 32x32, each in
// 16 and in 256 colours, read back with a parser of the file format.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "test_io.hpp"

namespace {

uint32_t little_endian(const std::vector<uint8_t>& bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | bytes.at(at + i);
    }
    return value;
}

}  // namespace

TEST(WindowsIcon, HoldsFourImagesInTwoSizesAndTwoColourDepths) {
    const std::string file = file_text(CYCLOTRIM_DATA "/windows/cyclotrim.ico");
    const std::vector<uint8_t> ico(file.begin(), file.end());
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(little_endian(ico, 0, 2), 0u);
    EXPECT_EQ(little_endian(ico, 2, 2), 1u) << "type 1: an icon";
    ASSERT_EQ(little_endian(ico, 4, 2), 4u);

    std::set<std::tuple<int, int, int>> images;  // width, height, bits per pixel
    for (size_t entry = 6; entry < 6 + 4 * 16; entry += 16) {
        const int width = ico.at(entry);
        const int height = ico.at(entry + 1);
        const int palette = ico.at(entry + 2);  // 0 stands for 256
        const uint32_t size = little_endian(ico, entry + 8, 4);
        const uint32_t offset = little_endian(ico, entry + 12, 4);
        ASSERT_LE(offset + size, ico.size());
        // Each image is a device-independent bitmap: its header repeats the
        // size (height doubled for the transparency mask) and gives the depth.
        EXPECT_EQ(little_endian(ico, offset, 4), 40u);
        EXPECT_EQ(static_cast<int>(little_endian(ico, offset + 4, 4)), width);
        EXPECT_EQ(static_cast<int>(little_endian(ico, offset + 8, 4)), 2 * height);
        const int bits = static_cast<int>(little_endian(ico, offset + 14, 2));
        EXPECT_EQ(palette, bits == 4 ? 16 : 0);
        images.emplace(width, height, bits);
    }
    EXPECT_EQ(images, (std::set<std::tuple<int, int, int>>{
                          {16, 16, 4}, {16, 16, 8}, {32, 32, 4}, {32, 32, 8}}));
}

TEST(WindowsIcon, ResourceScriptNamesTheGroupA) {
    EXPECT_NE(file_text(CYCLOTRIM_DATA "/windows/cyclotrim.rc").find("\nA ICON \"cyclotrim.ico\"\n"),
              std::string::npos);
}
