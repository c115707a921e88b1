#include "layout/self_check.h"

#include <cstdio>
#include <cstring>

#include "cli/fail.h"
#include "layout/item_table.h"
#include "layout/lookup.h"

namespace {

constexpr uint8_t max_chassis_type = 0x17;

void check_contiguity() {
    for (int i = 1; i < item_count; ++i) {
        if (item[i - 1].offset + item[i - 1].length != item[i].offset) {
            std::printf("Abnormal item number is:%d,this item's field name is: ", i);
            std::printf("\"%s\".\n", item[i].field_name);
            fail("Check item %d offset and length fail.\n", i);
        }
    }
}

// The area must start at a "Version" item and end at a "Checksum" item. Returns the index of
// the area's "Version" item.
int check_area(int header_item, const char* area_name) {
    const uint32_t start = uint32_t{item[header_item].value[0]} * 8;
    const int version = get_item_number_by_offset(start);
    if (std::strcmp(item[version].field_name, "Version") != 0) {
        std::printf("%s\n", item[version].field_name);
        fail("Check %s area offset and length fail.\n", area_name);
    }
    // An edited table may end at the "Version" item: there is then no area length to follow.
    if (version + 1 >= item_count) {
        fail("Check %s area offset and length fail.\n", area_name);
    }
    const uint32_t size = uint32_t{item[version + 1].value[0]} * 8;
    const int checksum = get_item_number_by_offset(start + size - 1);
    if (std::strcmp(item[checksum].field_name, "Checksum") != 0) {
        fail("Check %s area offset and length fail.\n", area_name);
    }
    return version;
}

} // namespace

void chk_fru_info() {
    check_contiguity();

    const int chassis_version = check_area(chassis_info_item, "chassis");
    if (chassis_version + 2 >= item_count ||
        item[chassis_version + 2].value[0] > max_chassis_type) {
        fail("Check chassis type fail,it's value bigger than 0x17.\n");
    }
    check_area(board_info_item, "board");
    check_area(product_info_item, "product");

    std::printf("Check fru info ok!\n");
}
