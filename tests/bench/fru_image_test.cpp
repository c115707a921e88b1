// The image checker must accept a valid image and name each kind of damage, or tests that rely on
// it to judge the tool's writes would pass broken images.
#include "bench.h"

#include <gtest/gtest.h>

namespace {

using bench::fru_image_problems;

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) {
        text += l + "\n";
    }
    return text;
}

TEST(FruImageCheck, ReferenceImagesAreValid) {
    bench::ImageFields f;
    f.board_serial = "ABC123";
    f.product_name = "A product name 24 chars!"; // full length, no zero byte
    f.mfg_date[1] = 0x68;
    f.mfg_date[2] = 0xB5;
    for (const auto& image : {bench::reference_image(), bench::reference_image(f)}) {
        EXPECT_EQ(image.size(), 512u);
        EXPECT_EQ(joined(fru_image_problems(image)), "");
        std::vector<uint8_t> device = image; // as read back from a 1280-byte device
        device.resize(bench::device_size, 0);
        EXPECT_EQ(joined(fru_image_problems(device)), "");
    }
}

TEST(FruImageCheck, ReferenceImageHoldsTheDefaultsAndTexts) {
    bench::ImageFields f;
    f.board_serial = "ABC";
    f.board_product = "0123456789abcdefXYZ"; // longer than its 16-byte field
    std::vector<uint8_t> image = bench::reference_image(f);
    const std::vector<uint8_t> header{0x01, 0x01, 0x0A, 0x17, 0x27, 0x00, 0x00, 0xB6};
    EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + 8), header);
    EXPECT_EQ(std::string(image.begin() + 225, image.begin() + 229), std::string("ABC\0", 4));
    EXPECT_EQ(std::string(image.begin() + 208, image.begin() + 224), "0123456789abcdef");
    EXPECT_EQ(image[224], 0xE0); // the serial's type/length byte, not the cut text's 'X'
}

// Each damage, with the checksum of the damaged area repaired where the damage is not the sum.
TEST(FruImageCheck, NamesEachKindOfDamage) {
    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
        int fix_checksum_at; // -1: leave the sums as they are
        const char* expected;
    };
    const Case cases[] = {
        {"header sum", 7, 0xB7, -1, "common header: bytes 0-7 add up to 0x01"},
        {"header version", 0, 0x02, 7, "common header: format version 0x02"},
        {"internal use version", 8, 0x00, -1, "internal use area: version 0x00"},
        {"chassis sum", 100, 0x01, -1, "chassis area: bytes 80-183 add up to 0x01"},
        {"board sum", 250, 0x01, -1, "board area: bytes 184-311 add up to 0x01"},
        {"board checksum byte", 311, 0x00, -1, "board area: bytes 184-311"},
        {"product sum", 500, 0x01, -1, "product area: bytes 312-511 add up to 0x01"},
        {"board version", 184, 0x02, 311, "board area: version 0x02 at offset 184"},
        {"chassis type/length", 83, 0xD0, 183,
         "chassis area: type/length byte 0x00 at offset 100 is not an 8-bit text field"},
        {"board end marker", 291, 0x00, 311, "board area: type/length byte 0x00 at offset 291"},
        {"product field too long", 465, 0xFF, 511, "product area: field at offset 465"},
        {"product area length", 313, 0x30, -1, "product area: length 384"},
    };
    const std::vector<uint8_t> good = bench::reference_image();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> image = good;
        image[c.offset] = c.value;
        if (c.fix_checksum_at >= 0) {
            size_t at = static_cast<size_t>(c.fix_checksum_at);
            size_t start = at == 7 ? 0 : at == 183 ? 80 : at == 311 ? 184 : 312;
            unsigned sum = 0;
            for (size_t i = start; i < at; ++i) {
                sum += image[i];
            }
            image[at] = static_cast<uint8_t>(-sum & 0xFF);
        }
        std::vector<std::string> problems = fru_image_problems(image);
        ASSERT_EQ(problems.size(), 1u) << joined(problems);
        EXPECT_NE(problems[0].find(c.expected), std::string::npos) << problems[0];
    }
}

TEST(FruImageCheck, BlankDeviceIsNotAnImage) {
    std::vector<std::string> problems =
        fru_image_problems(std::vector<uint8_t>(bench::device_size, 0));
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("format version 0x00"), std::string::npos);
}

} // namespace
