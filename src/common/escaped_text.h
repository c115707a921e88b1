// Bytes as plain text for a terminal or a one-line report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// `count` bytes with each byte outside 0x20 to 0x7e, and each character of `also`, as \xHH (two
// lower-case hexadecimal digits); every other byte as itself.
std::string escaped_text(const uint8_t* bytes, std::size_t count, const char* also = "");
