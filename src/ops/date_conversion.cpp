#include "ops/date_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/fail.h"
#include "files/temp_file.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "process/command_runner.h"

namespace {

// The date command's first line is read whole: its seconds have ten digits up to 2286-11-20 and
// more after. Far more than any number of seconds a date can have.
constexpr std::size_t max_date_line = 4096;

// The last minute the three bytes hold, 2027-11-24 20:15 UTC.
constexpr uint32_t last_fru_minute = 0xFFFFFF;

// Minutes since 1970 as "YYYY-MM-DD HH:MM UTC".
std::string utc_minute_text(uint64_t minutes_since_1970) {
    const auto seconds = static_cast<std::time_t>(minutes_since_1970 * 60);
    std::tm fields{};
    char text[32] = "?";
    if (gmtime_r(&seconds, &fields) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &fields);
    }
    return text;
}

} // namespace

std::string quote_for_shell(const char* text) {
    std::string quoted;
    for (const char* p = text; *p != '\0'; ++p) {
        if (std::strchr("\"$`\\", *p) != nullptr) {
            quoted += '\\';
        }
        quoted += *p;
    }
    return quoted;
}

uint32_t minutes_since_1996(uint64_t seconds) {
    const auto minutes_since_1970 = static_cast<uint32_t>(seconds / 60);
    return minutes_since_1970 - min_1970_1996;
}

void time_analysis() {
    _item_info& date = item[get_item_number_by_fieldname("Manufacturing Date/Time")];
    const char* text = reinterpret_cast<const char*>(date.value);

    check_temp_file_writable(date_result_file);
    run_command("date +%s -d " + format_text("\"%s\" >time_tmp", quote_for_shell(text).c_str()));
    std::string line = take_temp_file(date_result_file, max_date_line);
    line = line.substr(0, line.find('\n'));

    char* end = nullptr;
    errno = 0;
    // The date command prints the seconds of a date before 1970 with a minus sign; a number beyond
    // 64 bits is no date it prints.
    const long long seconds = std::strtoll(line.c_str(), &end, 10);
    if (end == line.c_str() || errno == ERANGE) {
        fail("Can not convert the manufacturing date \"%s\".\n", text);
    }
    if (seconds < int64_t{min_1970_1996} * 60) {
        fail("The date \"%s\" is before 1996-01-01, where FRU dates begin; nothing written.\n",
             text);
    }
    const uint32_t minutes = minutes_since_1996(static_cast<uint64_t>(seconds));
    // Past the range the low 24 bits are kept, as the tool has always stored them: readers that
    // know the rollover read them back right, others show a date in 1996. The range is checked on
    // the whole minute count, which the 32 bits above may have cut back into it.
    if (seconds / 60 - min_1970_1996 > last_fru_minute) {
        std::fprintf(stderr,
                     "Warning: %s is past the FRU's date range (it ends 2027-11-24 20:15 UTC); "
                     "it is stored as minutes past the rollover, which some readers show as %s.\n",
                     utc_minute_text(seconds / 60).c_str(),
                     utc_minute_text(min_1970_1996 + (minutes & last_fru_minute)).c_str());
    }
    std::memset(date.value, 0, field_size);
    date.value[0] = static_cast<uint8_t>(minutes & 0xFF);
    date.value[1] = static_cast<uint8_t>((minutes >> 8) & 0xFF);
    date.value[2] = static_cast<uint8_t>((minutes >> 16) & 0xFF);
}

std::string stored_date_text(const uint8_t* bytes, const char* format) {
    const uint32_t minutes = bytes[0] | (bytes[1] << 8) | (uint32_t{bytes[2]} << 16);
    if (minutes == 0) {
        return "";
    }
    const auto seconds = static_cast<std::time_t>((int64_t{min_1970_1996} + minutes) * 60);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &utc));
}
