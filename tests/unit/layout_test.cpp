#include <gtest/gtest.h>

#include "layout/item_table.h"
#include "layout/lookup.h"
#include "support.h"

TEST(LayoutTable, ItemsCoverTheImageContiguously) {
    EXPECT_EQ(item[0].offset, 0u);
    for (int i = 1; i < item_count; ++i) {
        EXPECT_EQ(item[i - 1].offset + item[i - 1].length, item[i].offset) << "item " << i;
    }
    EXPECT_EQ(item[item_count - 1].offset + item[item_count - 1].length, fru_image_size);
}

TEST(LayoutTable, TypeLengthBytesMatchTheStringAfterThem) {
    for (int i = 0; i + 1 < item_count; ++i) {
        const uint8_t byte = item[i].value[0];
        if (item[i].length == 1 && (byte & 0xC0) == 0xC0 && byte != 0xC1) {
            EXPECT_EQ(byte & 0x3Fu, item[i + 1].length) << item[i].field_name;
        }
    }
}

TEST(Lookup, ByNameFindsTheFirstOfEqualNames) {
    const struct {
        const char* name;
        int expected;
    } cases[] = {
        {"Version", 8},
        {"Checksum", 7},
        {"Area length", 11},
        {"Area Length", 23},
        {"Manufacturing Date/Time", 25},
        {"PAD", 6},
        {"End of Field Marker", 19},
        {"Product PAD String", 57},
        {"version", -1},
        {"Board Serial Number String ", -1},
        {"", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(find_item_by_fieldname(c.name), c.expected) << c.name;
    }
}

TEST(Lookup, ByOffsetFindsItemStartsOnly) {
    const struct {
        uint32_t offset;
        int expected;
    } cases[] = {
        {0, 0},    {80, 10}, {184, 22}, {312, 39},        {511, 58},
        {225, 31}, {85, -1}, {512, -1}, {0xFFFFFFFF, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(find_item_by_offset(c.offset), c.expected) << c.offset;
    }
}

class LookupWithEditedTable : public tool_test {};

TEST_F(LookupWithEditedTable, AnEmptyItemYieldsTheItemAfterIt) {
    // Item 5 made empty: item 6 then starts where item 5 does.
    item[5].length = 0;
    item[6].offset = 5;
    EXPECT_EQ(find_item_by_offset(5), 6);
}

TEST_F(LookupWithEditedTable, MissesEndTheProcessWithTheirMessages) {
    const struct {
        std::function<void()> lookup;
        const char* message;
    } cases[] = {
        {[] { get_item_number_by_fieldname("version"); },
         "Can't get the item number by filed name \"version\"\n"},
        {[] { get_item_number_by_offset(85); }, "Can't get the item number by offset 55\n"},
        {[] { get_item_number_by_offset(512); }, "Can't get the item number by offset 200\n"},
    };
    for (const auto& c : cases) {
        const captured result = run_captured(c.lookup);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.message);
    }
}

TEST(AreaLocation, DefaultTablePlacesTheThreeAreas) {
    const struct {
        const char* name;
        uint32_t start, size, checksum;
        int checksum_item;
    } cases[] = {
        {"chassis", 80, 104, 183, 21},
        {"board", 184, 128, 311, 38},
        {"product", 312, 200, 511, 58},
    };
    for (const auto& c : cases) {
        const area_location area = locate_area(area_header_item(c.name));
        EXPECT_EQ(area.start, c.start) << c.name;
        EXPECT_EQ(area.size, c.size) << c.name;
        EXPECT_EQ(area.checksum_offset, c.checksum) << c.name;
        EXPECT_EQ(find_item_by_offset(area.checksum_offset), c.checksum_item) << c.name;
        EXPECT_STREQ(item[area.version_item].field_name, "Version") << c.name;
    }
    EXPECT_EQ(area_header_item("internal"), -1);
    EXPECT_EQ(area_header_item("Board"), -1);
}
