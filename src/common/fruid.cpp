#include "common/fruid.h"

#include <limits>

int32_t FRUID = 0;

int32_t parse_fruid(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
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
