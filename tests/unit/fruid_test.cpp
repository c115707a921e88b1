#include <gtest/gtest.h>

#include <cstdint>

#include "common/fruid.h"

TEST(ParseFruid, ReadsDecimalLikeAtoiAndClampsInsteadOfWrapping) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"0", 0},
        {"7", 7},
        {"  6", 6},
        {"\t+3", 3},
        {"-1", -1},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        // Beyond the range: clamped, never wrapped onto a small device ID.
        {"2147483648", INT32_MAX},
        {"4294967296", INT32_MAX},
        {"4294967297", INT32_MAX},
        {"-2147483649", INT32_MIN},
        {"-4294967296", INT32_MIN},
        {"99999999999999999999999999999999", INT32_MAX},
        {"00000000000000000000000000000006", 6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_fruid(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}

TEST(ParseWriteFruid, TakesOnlyPlainDecimalIdsOfRealDevices) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"0", 0},    {"6", 6},   {"  7", 7},  {"\t254", 254},     {"007", 7}, {"255", -1},
        {"0x6", -1}, {"6x", -1}, {"abc", -1}, {"-1", -1},         {"+6", -1}, {"", -1},
        {" ", -1},   {"6 ", -1}, {"1e2", -1}, {"4294967296", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_write_fruid(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}
