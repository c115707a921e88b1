// FRU image checks and the reference image of the tool's fixed layout, for tests.
#include "bench.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace bench {

namespace {

std::string hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02x", v);
    return buf;
}

unsigned sum(const std::vector<uint8_t>& image, size_t from, size_t to) {
    unsigned s = 0;
    for (size_t i = from; i < to; ++i) {
        s += image[i];
    }
    return s & 0xFF;
}

struct Area {
    const char* name;
    size_t header_index;
    size_t fixed_bytes; // bytes before the first type/length byte
};

} // namespace

std::vector<std::string> fru_image_problems(const std::vector<uint8_t>& image) {
    std::vector<std::string> problems;
    if (image.size() < 8) {
        problems.push_back("image shorter than the 8-byte common header");
        return problems;
    }
    if (image[0] != 0x01) {
        problems.push_back("common header: format version " + hex(image[0]) + ", should be 0x01");
    }
    if (unsigned s = sum(image, 0, 8); s != 0) {
        problems.push_back("common header: bytes 0-7 add up to " + hex(s) + ", should be 0x00");
    }
    // Internal use area: only its version byte has a fixed meaning.
    if (size_t start = image[1] * 8u; start != 0) {
        if (start >= image.size()) {
            problems.push_back("internal use area: offset " + std::to_string(start) +
                               " lies outside the image");
        } else if (image[start] != 0x01) {
            problems.push_back("internal use area: version " + hex(image[start]) +
                               ", should be 0x01");
        }
    }
    const Area areas[] = {{"chassis", 2, 3}, {"board", 3, 6}, {"product", 4, 3}};
    for (const Area& area : areas) {
        const std::string name = std::string(area.name) + " area";
        size_t start = image[area.header_index] * 8u;
        if (start == 0) {
            continue; // no such area
        }
        if (start + 2 > image.size()) {
            problems.push_back(name + ": offset " + std::to_string(start) +
                               " lies outside the image");
            continue;
        }
        size_t length = image[start + 1] * 8u;
        size_t end = start + length;
        if (image[start] != 0x01) {
            problems.push_back(name + ": version " + hex(image[start]) + " at offset " +
                               std::to_string(start) + ", should be 0x01");
        }
        if (length < area.fixed_bytes + 2 || end > image.size()) {
            problems.push_back(name + ": length " + std::to_string(length) + " at offset " +
                               std::to_string(start) + " does not fit");
            continue;
        }
        if (unsigned s = sum(image, start, end); s != 0) {
            unsigned expected = (256 - sum(image, start, end - 1)) & 0xFF;
            problems.push_back(name + ": bytes " + std::to_string(start) + "-" +
                               std::to_string(end - 1) + " add up to " + hex(s) + ", checksum at " +
                               std::to_string(end - 1) + " is " + hex(image[end - 1]) +
                               ", should be " + hex(expected));
        }
        // Fields: each type/length byte 11xxxxxx (8-bit text) with its length; the walk must
        // land on the end-of-fields marker before the checksum byte.
        size_t pos = start + area.fixed_bytes;
        bool marker = false;
        while (pos < end - 1) {
            uint8_t tl = image[pos];
            if (tl == 0xC1) {
                marker = true;
                break;
            }
            if ((tl & 0xC0) != 0xC0) {
                problems.push_back(name + ": type/length byte " + hex(tl) + " at offset " +
                                   std::to_string(pos) + " is not an 8-bit text field");
                break;
            }
            size_t next = pos + 1 + (tl & 0x3F);
            if (next > end - 1) {
                problems.push_back(name + ": field at offset " + std::to_string(pos) +
                                   " (type/length " + hex(tl) + ") runs past the area's end");
                break;
            }
            pos = next;
        }
        if (!marker && pos >= end - 1) {
            problems.push_back(name + ": no end-of-fields marker 0xc1 before the checksum");
        }
    }
    return problems;
}

namespace {

void put_field(std::vector<uint8_t>& image, size_t offset, size_t length, uint8_t type_length,
               const std::string& text) {
    image[offset - 1] = type_length;
    std::copy_n(text.begin(), std::min(text.size(), length), image.begin() + offset);
}

} // namespace

std::vector<uint8_t> reference_image(const ImageFields& f) {
    std::vector<uint8_t> image(512, 0);
    const uint8_t header[] = {0x01, 0x01, 0x0A, 0x17, 0x27, 0x00, 0x00, 0xB6, 0x01};
    std::copy(std::begin(header), std::end(header), image.begin());
    image[80] = 0x01; // chassis: version, length 13 * 8, rack mount chassis
    image[81] = 0x0D;
    image[82] = 0x17;
    image[184] = 0x01; // board: version, length 16 * 8, language 0, date
    image[185] = 0x10;
    std::copy(std::begin(f.mfg_date), std::end(f.mfg_date), image.begin() + 187);
    image[312] = 0x01; // product: version, length 25 * 8, language 0
    image[313] = 0x19;
    put_field(image, 84, 24, 0xD8, f.chassis_part_number);
    put_field(image, 109, 24, 0xD8, f.chassis_serial);
    put_field(image, 134, 24, 0xD8, f.chassis_custom);
    image[158] = 0xC1;
    put_field(image, 191, 16, 0xD0, f.board_manufacturer);
    put_field(image, 208, 16, 0xD0, f.board_product);
    put_field(image, 225, 32, 0xE0, f.board_serial);
    put_field(image, 258, 16, 0xD0, f.board_part_number);
    put_field(image, 275, 16, 0xD0, f.board_file_id);
    image[291] = 0xC1;
    put_field(image, 316, 24, 0xD8, f.product_manufacturer);
    put_field(image, 341, 24, 0xD8, f.product_name);
    put_field(image, 366, 24, 0xD8, f.product_part_number);
    put_field(image, 391, 16, 0xD0, f.product_version);
    put_field(image, 408, 32, 0xE0, f.product_serial);
    put_field(image, 441, 24, 0xD8, f.product_asset_tag);
    put_field(image, 466, 16, 0xD0, f.product_file_id);
    image[482] = 0xC1;
    const std::pair<int, int> areas[] = {{80, 183}, {184, 311}, {312, 511}};
    for (auto [start, checksum] : areas) {
        unsigned s = 0;
        for (int i = start; i < checksum; ++i) {
            s += image[i];
        }
        image[checksum] = static_cast<uint8_t>(-s & 0xFF);
    }
    return image;
}

std::vector<uint8_t> other_layout_image() {
    std::vector<uint8_t> image(512, 0xFF);
    std::fill(image.begin(), image.begin() + 112, 0);
    const std::vector<uint8_t> parts[] = {
        {0x01, 0x00, 0x01, 0x04, 0x0A, 0x00, 0x00, 0xF0},                // header, sum 0
        {0x01, 0x03, 0x17, 0xC5, 'O', 'T', 'H', 'E', 'R', 0xC1},         // chassis, 24 bytes
        {0x01, 0x06, 0x00, 0x00, 0x68, 0xB5, 0xC3, 'A', 'B', 'C', 0xC1}, // board, 48 bytes
        {0x01, 0x04, 0x00, 0xC2, 'X', 'Y', 0xC1},                        // product, 32 bytes
    };
    const size_t starts[] = {0, 8, 32, 80};
    for (size_t i = 0; i < 4; ++i) {
        std::copy(parts[i].begin(), parts[i].end(), image.begin() + starts[i]);
        if (i > 0) {
            const size_t checksum = starts[i] + parts[i][1] * 8u - 1;
            image[checksum] = static_cast<uint8_t>(-sum(image, starts[i], checksum) & 0xFF);
        }
    }
    return image;
}

std::string example_config() {
    std::ifstream in(std::string(TARNWICK_EXAMPLES_DIR) + "/fruconfig.ini", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<uint8_t> example_image() {
    ImageFields f;
    f.chassis_part_number = "CH-2U-EX27-01";
    f.chassis_serial = "CSN2026120700017";
    f.chassis_custom = "Rack 2U";
    // 2026-12-07 08:30 UTC: minutes since 1996-01-01 00:00 UTC, least significant byte first.
    const unsigned minutes = (1796632200u - 820454400u) / 60;
    f.mfg_date[0] = static_cast<uint8_t>(minutes & 0xFF);
    f.mfg_date[1] = static_cast<uint8_t>((minutes >> 8) & 0xFF);
    f.mfg_date[2] = static_cast<uint8_t>((minutes >> 16) & 0xFF);
    f.board_manufacturer = "Example Systems";
    f.board_product = "MB-E27DP";
    f.board_serial = "BSN-2026-12-0000417";
    f.board_part_number = "PN-MB-E27DP-01";
    f.board_file_id = "MB-FRU-V1.2";
    f.product_manufacturer = "Example Systems";
    f.product_name = "Example Server 2U";
    f.product_part_number = "ES2U-E27-BASE";
    f.product_version = "Rev A02";
    f.product_serial = "PSN-2026-12-0000417";
    f.product_asset_tag = "DC1-RACK07-U12";
    f.product_file_id = "PR-FRU-V1.2";
    return reference_image(f);
}

std::vector<uint8_t> first_512(const std::vector<uint8_t>& device) {
    return {device.begin(), device.begin() + 512};
}

} // namespace bench
