#include "common/fruid.h"

#include <limits>

int32_t FRUID = 0;

namespace {

constexpr int32_t max_write_fruid = 254;

// Past the blanks that may lead a number.
const char* skip_blanks(const char* p) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    return p;
}

} // namespace

int32_t parse_fruid(const char* text) {
    const char* p = skip_blanks(text);
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate in 64 bits and stop growing once past the range, so no input can overflow.
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (*p - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? std::numeric_limits<int32_t>::min()
                                  : static_cast<int32_t>(-magnitude);
    }
    return magnitude >= limit ? std::numeric_limits<int32_t>::max()
                              : static_cast<int32_t>(magnitude);
}

int32_t parse_write_fruid(const char* text) {
    const char* p = skip_blanks(text);
    if (*p == '\0') {
        return -1;
    }
    int32_t id = 0;
    for (; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return -1;
        }
        id = id * 10 + (*p - '0');
        if (id > max_write_fruid) {
            return -1;
        }
    }
    return id;
}
