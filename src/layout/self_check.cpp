#include "layout/self_check.h"

#include <cstdio>

#include "common/fail.h"
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

// The area must start at a "Version" item and end at a "Checksum" item; a start or end that
// begins no item fails with the offset lookup's message. Returns the area's "Version" item.
int check_area_layout(int header_item, const char* area_name) {
    const area_location area = locate_area(header_item);
    switch (check_area(area)) {
    case area_fault::start_not_an_item:
        get_item_number_by_offset(area.start);
        break;
    case area_fault::start_not_version:
        std::printf("%s\n", item[area.version_item].field_name);
        fail("Check %s area offset and length fail.\n", area_name);
    case area_fault::end_not_an_item:
        get_item_number_by_offset(area.checksum_offset);
        break;
    case area_fault::no_length_item:
    case area_fault::end_not_checksum:
        fail("Check %s area offset and length fail.\n", area_name);
    case area_fault::empty: // an area length of 0 is not among the checks
    case area_fault::none:
        break;
    }
    return area.version_item;
}

} // namespace

void chk_fru_info() {
    check_contiguity();

    const int chassis_version = check_area_layout(chassis_info_item, "chassis");
    if (chassis_version + 2 >= item_count ||
        item[chassis_version + 2].value[0] > max_chassis_type) {
        fail("Check chassis type fail,it's value bigger than 0x17.\n");
    }
    check_area_layout(board_info_item, "board");
    check_area_layout(product_info_item, "product");

    std::printf("Check fru info ok!\n");
}
