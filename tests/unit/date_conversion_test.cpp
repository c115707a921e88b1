#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ops/date_conversion.h"
#include "process/command_runner.h"
#include "support.h"

namespace {

constexpr int date = 25; // "Manufacturing Date/Time"

std::vector<int> date_bytes() {
    return {item[date].value[0], item[date].value[1], item[date].value[2]};
}

} // namespace

TEST(MinutesSince1996, ArithmeticWrapsAt32Bits) {
    const struct {
        uint64_t seconds;
        uint32_t minutes;
    } cases[] = {
        {820454400, 0},                  // 1996-01-01 00:00 UTC
        {820454460, 1},                  // one minute later
        {820454459, 0},                  // seconds are dropped, not rounded
        {1533772800, 11888640},          // 2018-08-09 00:00 UTC
        {1577836800, 12623040},          // 2020-01-01 00:00 UTC
        {0, 0xFFFFFFFFu - 13674240 + 1}, // before 1996: wraps modulo 2^32
        {UINT64_MAX - 86399, static_cast<uint32_t>((UINT64_MAX - 86399) / 60) - 13674240},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(minutes_since_1996(c.seconds), c.minutes) << c.seconds;
    }
}

TEST(QuoteForShell, EscapesWhatDoubleQuotesWouldStillInterpret) {
    EXPECT_EQ(quote_for_shell("2018-08-09 00:00 UTC"), "2018-08-09 00:00 UTC");
    EXPECT_EQ(quote_for_shell("$(touch x)"), "\\$(touch x)");
    EXPECT_EQ(quote_for_shell("a\"b`c\\d'e"), "a\\\"b\\`c\\\\d'e");
    EXPECT_EQ(quote_for_shell(""), "");
}

class DateConversion : public tool_test {};

TEST_F(DateConversion, DateTextsBecomeThreeBytesLeastSignificantFirst) {
    const struct {
        const char* text;
        std::vector<int> bytes;
    } cases[] = {
        {"1996-01-01 00:00 UTC", {0x00, 0x00, 0x00}},
        {"1996-01-01 00:01 UTC", {0x01, 0x00, 0x00}},
        {"1996-01-01 00:01:59 UTC", {0x01, 0x00, 0x00}},
        {"2018-08-09 00:00 UTC", {0x00, 0x68, 0xB5}},
        {"2020-01-01 00:00 UTC", {0xC0, 0x9C, 0xC0}},
        {"@1533772800", {0x00, 0x68, 0xB5}},
        // The ends of the range: DateConversion.DatesOutsideTheRangeAreRefusedOrWarnedAbout.
    };
    for (const auto& c : cases) {
        set_value_text(date, c.text);
        time_analysis();
        EXPECT_EQ(date_bytes(), c.bytes) << c.text;
        for (std::size_t i = 3; i < field_size; ++i) {
            EXPECT_EQ(item[date].value[i], 0) << c.text;
        }
        EXPECT_FALSE(std::filesystem::exists("time_tmp"));
    }
}

TEST_F(DateConversion, DatesOutsideTheRangeAreRefusedOrWarnedAbout) {
    const auto past = [](const char* date, const char* stored) {
        return std::string("Warning: ") + date +
               " is past the FRU's date range (it ends 2027-11-24 20:15 UTC); it is stored as "
               "minutes past the rollover, which some readers show as " +
               stored + ".\n";
    };
    const auto before = [](const char* text) {
        return std::string("The date \"") + text +
               "\" is before 1996-01-01, where FRU dates begin; nothing written.\n";
    };
    const struct {
        const char* text;
        int status;
        std::string out; // the three bytes, or the refusal
        std::string err;
        const char* date_says = nullptr; // what a stand-in date command prints instead
    } cases[] = {
        {"2027-11-24 20:15 UTC", 0, "ff ff ff", ""},
        {"2027-11-24 20:16:59 UTC", 0, "00 00 00",
         past("2027-11-24 20:16 UTC", "1996-01-01 00:00 UTC")},
        {"2040-02-29 12:34 UTC", 0, "32 6e 62",
         past("2040-02-29 12:34 UTC", "2008-04-06 16:18 UTC")},
        // Ten digits of seconds up to 2286-11-20 17:46:39, eleven from there on.
        {"2286-11-20 17:46 UTC", 0, "aa 7a 1e",
         past("2286-11-20 17:46 UTC", "1999-10-19 03:22 UTC")},
        {"2286-11-20 17:47 UTC", 0, "ab 7a 1e",
         past("2286-11-20 17:47 UTC", "1999-10-19 03:23 UTC")},
        {"2500-06-01 UTC", 0, "40 1c d0", past("2500-06-01 00:00 UTC", "2021-12-06 08:00 UTC")},
        // 2^32 + 5 minutes past 1996: cut to 32 bits it would look like a date in range.
        {"@258518492460", 0, "05 00 00", past("10162-02-15 04:21 UTC", "1996-01-01 00:05 UTC")},
        {"1995-12-31 23:59:59 UTC", 255, before("1995-12-31 23:59:59 UTC"), ""},
        {"1969-12-31 23:59 UTC", 255, before("1969-12-31 23:59 UTC"), ""}, // -60 seconds
        {"1900-01-01", 255, before("1900-01-01"), ""},
        {"2018-08-09 UTC", 255, "Can not convert the manufacturing date \"2018-08-09 UTC\".\n", "",
         "99999999999999999999999"}, // beyond 64 bits
    };
    for (const auto& c : cases) {
        set_value_text(date, c.text);
        const captured result = run_captured([&c] {
            if (c.date_says != nullptr) {
                std::FILE* script = std::fopen("date", "w");
                std::fprintf(script, "#!/bin/sh\necho %s\n", c.date_says);
                std::fclose(script);
                chmod("date", 0755);
                setenv("PATH", (".:" + std::string(std::getenv("PATH"))).c_str(), 1);
            }
            time_analysis();
            const std::vector<int> bytes = date_bytes();
            std::printf("%02x %02x %02x", bytes[0], bytes[1], bytes[2]);
        });
        EXPECT_EQ(result.status, c.status) << c.text;
        EXPECT_EQ(result.out, c.out) << c.text;
        EXPECT_EQ(result.err, c.err) << c.text;
        EXPECT_FALSE(std::filesystem::exists("time_tmp")) << c.text;
    }
}

TEST_F(DateConversion, ShellCharactersInTheTextAreNeverRun) {
    for (const char* text : {"$(touch x)", "`touch x`", "\"; touch x; \"", "\\\"; touch x #"}) {
        set_value_text(date, text);
        const captured result = run_captured([] { time_analysis(); });
        EXPECT_EQ(result.status, 255) << text;
        EXPECT_FALSE(std::filesystem::exists("x")) << text;
    }
}

TEST_F(DateConversion, UnreadableDatesAndBadTempFilesStopWithAMessage) {
    set_value_text(date, "not a date");
    const captured unreadable = run_captured([] { time_analysis(); });
    EXPECT_EQ(unreadable.status, 255);
    EXPECT_EQ(unreadable.out, "Can not convert the manufacturing date \"not a date\".\n");

    set_value_text(date, "2018-08-09 00:00 UTC");
    std::filesystem::create_directory("time_tmp");
    const captured directory = run_captured([] { time_analysis(); });
    EXPECT_EQ(directory.status, 255);
    EXPECT_EQ(directory.out, "Temporary file \"time_tmp\" exists and is not a regular file; "
                             "remove it and try again.\n");
    EXPECT_TRUE(std::filesystem::is_directory("time_tmp"));
}
