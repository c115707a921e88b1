#include "common/escaped_text.h"

#include <cstring>

std::string escaped_text(const uint8_t* bytes, std::size_t count, const char* also) {
    constexpr const char* digits = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        if (byte < 0x20 || byte > 0x7E || (byte != 0 && std::strchr(also, byte) != nullptr)) {
            text += {'\\', 'x', digits[byte >> 4], digits[byte & 0xF]};
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}
