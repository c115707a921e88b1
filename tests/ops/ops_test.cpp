#include "ops_test.h"

#include <cstdio>
#include <ctime>
#include <ostream>

namespace ops_test {

bool parse_raw(const std::string& line, raw_command& command) {
    unsigned function = 0;
    unsigned low = 0;
    unsigned high = 0;
    unsigned last = 0;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "ipmitool raw 0x0a 0x%x 0x%x 0x%x 0x%x 0x%x%n", &function,
                    &command.device, &low, &high, &last, &consumed) != 5 ||
        static_cast<std::size_t>(consumed) != line.size() ||
        (function != 0x11 && function != 0x12)) {
        return false;
    }
    command.write = function == 0x12;
    command.offset = high * 256 + low;
    command.data = command.write ? last : 0;
    return true;
}

std::vector<raw_command> raw_commands(const std::vector<std::string>& log,
                                      std::vector<std::string>* other) {
    std::vector<raw_command> commands;
    for (const std::string& line : log) {
        raw_command command{};
        if (parse_raw(line, command)) {
            commands.push_back(command);
        } else if (other != nullptr) {
            other->push_back(line);
        }
    }
    return commands;
}

void add_range(std::vector<raw_command>& commands, bool write, unsigned first, unsigned last) {
    for (unsigned offset = first; offset <= last; ++offset) {
        commands.push_back({write, 0, offset, 0});
    }
}

std::vector<uint8_t> fru_date(int year, int month, int day, int hour, int minute) {
    std::tm calendar{};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    const long long minutes = static_cast<long long>(timegm(&calendar)) / 60 - 13674240;
    return {static_cast<uint8_t>(minutes & 0xFF), static_cast<uint8_t>((minutes >> 8) & 0xFF),
            static_cast<uint8_t>((minutes >> 16) & 0xFF)};
}

uint8_t byte_sum(const std::vector<uint8_t>& bytes, unsigned first, unsigned last) {
    unsigned sum = 0;
    for (unsigned i = first; i <= last; ++i) {
        sum += bytes.at(i);
    }
    return static_cast<uint8_t>(sum);
}

bool operator==(const raw_command& a, const raw_command& b) {
    return a.write == b.write && a.offset == b.offset;
}

std::ostream& operator<<(std::ostream& out, const raw_command& command) {
    return out << (command.write ? "write " : "read ") << command.offset;
}

} // namespace ops_test
