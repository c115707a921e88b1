// The fifteen item command words against the in-memory device: every word's exact command lines,
// the bytes it leaves and what it prints, without a process per byte. The tests through the built
// tool keep one case of each shape.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench.h"
#include "ops/single_item.h"
#include "support.h"

namespace {

class ItemCommands : public tool_test {
  protected:
    void load(const std::vector<uint8_t>& image) {
        std::copy(image.begin(), image.end(), device.bytes.begin());
    }
};

// The item command of a word the table knows.
void run_word(const char* word, const std::string& value) {
    const item_command* command = find_item_command(word);
    ASSERT_NE(command, nullptr) << word;
    single_read_write(*command, value.c_str());
}

std::string raw_write(unsigned offset, unsigned value) {
    char line[96];
    std::snprintf(line, sizeof line, "ipmitool raw 0x0a 0x12 0x0 0x%x 0x%02x 0x%x >/dev/null",
                  offset & 0xFF, offset >> 8, value);
    return line;
}

// A read is its command line and the removal of its result file.
void add_reads(std::vector<std::string>& lines, unsigned first, unsigned last) {
    char line[96];
    for (unsigned offset = first; offset <= last; ++offset) {
        std::snprintf(line, sizeof line,
                      "ipmitool raw 0x0a 0x11 0x0 0x%x 0x%02x 0x01|awk '{printf $2}' >tmp",
                      offset & 0xFF, offset >> 8);
        lines.push_back(line);
        lines.push_back("rm -rf tmp");
    }
}

uint8_t sum(const std::vector<uint8_t>& bytes, unsigned first, unsigned last) {
    unsigned total = 0;
    for (unsigned i = first; i <= last; ++i) {
        total += bytes[i];
    }
    return static_cast<uint8_t>(total);
}

struct word_case {
    const char* word;
    unsigned offset, length, area_start, checksum;
    const char* display; // "" for none
};

constexpr word_case words[] = {
    {"/CPN", 84, 24, 80, 183, "ipmitool fru print 0 | grep 'Chassis Part Number'"},
    {"/CSN", 109, 24, 80, 183, "ipmitool fru print 0 | grep 'Chassis Serial'"},
    {"/BM", 191, 16, 184, 311, "ipmitool fru print 0 | grep 'Board Mfg'| sed -n 2p"},
    {"/BPNA", 208, 16, 184, 311, "ipmitool fru print 0 | grep 'Board Product'"},
    {"/BSN", 225, 32, 184, 311, "ipmitool fru print 0 | grep 'Board Serial'"},
    {"/BPNU", 258, 16, 184, 311, "ipmitool fru print 0 | grep 'Board Part Number'"},
    {"/BFFI", 275, 16, 184, 311, ""},
    {"/PM", 316, 24, 312, 511, "ipmitool fru print 0 | grep 'Product Manufacturer'"},
    {"/PN", 341, 24, 312, 511, "ipmitool fru print 0 | grep ' Product Name'"},
    {"/PPN", 366, 24, 312, 511, "ipmitool fru print 0 | grep 'Product Part Number'"},
    {"/PV", 391, 16, 312, 511, "ipmitool fru print 0 | grep 'Product Version'"},
    {"/PSN", 408, 32, 312, 511, "ipmitool fru print 0 | grep 'Product Serial'"},
    {"/PAT", 441, 24, 312, 511, "ipmitool fru print 0 | grep 'Product Asset Tag'"},
    {"/PFFI", 466, 16, 312, 511, ""},
};

} // namespace

// Each word writes its field (text, then zero bytes up to the field length), the area checksum
// from the bytes read back, verifies it, runs its display command; a read prints the text back.
TEST_F(ItemCommands, EachWordWritesItsFieldAndTheAreaChecksumThenReadsBack) {
    for (const word_case& c : words) {
        SCOPED_TRACE(c.word);
        std::vector<uint8_t> start = bench::reference_image();
        start.resize(device.bytes.size(), 0);
        // Full-length old text, so that the write must clear its tail.
        std::fill(start.begin() + c.offset, start.begin() + c.offset + c.length, 'o');
        load(start);
        device.commands.clear();
        const std::string value = std::string("V") + (c.word + 1) + " 1";

        run_word(c.word, value);

        std::vector<std::string> expected;
        for (unsigned i = 0; i < c.length; ++i) {
            expected.push_back(raw_write(c.offset + i, i < value.size() ? value[i] : 0));
        }
        add_reads(expected, c.area_start, c.checksum - 1);
        std::vector<uint8_t> after = start;
        std::fill(after.begin() + c.offset, after.begin() + c.offset + c.length, 0);
        std::copy(value.begin(), value.end(), after.begin() + c.offset);
        after[c.checksum] = static_cast<uint8_t>(256 - sum(after, c.area_start, c.checksum - 1));
        expected.push_back(raw_write(c.checksum, after[c.checksum]));
        add_reads(expected, c.area_start, c.checksum);
        if (c.display[0] != '\0') {
            expected.push_back(c.display);
        }
        EXPECT_EQ(device.commands, expected);
        EXPECT_EQ(device.bytes, after);
        EXPECT_EQ(sum(device.bytes, c.area_start, c.checksum), 0);

        const captured read = run_captured([&] { run_word(c.word, "NULL"); });
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, value + "\n");
    }
}

TEST_F(ItemCommands, ValuesLongerThanTheFieldAreCut) {
    load(bench::reference_image());
    run_word("/BSN", std::string(100, 'S'));
    bench::ImageFields fields;
    fields.board_serial = std::string(32, 'S');
    const std::vector<uint8_t> image = bench::reference_image(fields);
    EXPECT_EQ(std::vector<uint8_t>(device.bytes.begin(), device.bytes.begin() + 512), image);
}

TEST_F(ItemCommands, AChecksumThatDoesNotVerifyEndsWithTheAreaMessage) {
    const struct {
        const char* word;
        unsigned checksum;
        const char* area;
    } cases[] = {{"/CSN", 183, "chassis"}, {"/BSN", 311, "board"}, {"/PAT", 511, "product"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        load(bench::reference_image());
        device.corrupt_at = c.checksum;
        bench::ImageFields fields;
        fields.chassis_serial = c.word == std::string("/CSN") ? "XYZ" : "";
        fields.board_serial = c.word == std::string("/BSN") ? "XYZ" : "";
        fields.product_asset_tag = c.word == std::string("/PAT") ? "XYZ" : "";
        const unsigned expected = bench::reference_image(fields)[c.checksum];
        char message[96];
        std::snprintf(message, sizeof message, "Verify %s area checksum fail,expect:%x,actual:%x\n",
                      c.area, expected, (expected + 1) & 0xFF);
        const captured result = run_captured([&] { run_word(c.word, "XYZ"); });
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, message);
    }
}
