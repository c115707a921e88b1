#include "layout/lookup.h"

#include <cstring>

#include "common/fail.h"
#include "layout/item_table.h"

int find_item_by_fieldname(const char* fieldname) {
    for (int i = 0; i < item_count; ++i) {
        if (std::strcmp(item[i].field_name, fieldname) == 0) {
            return i;
        }
    }
    return -1;
}

int get_item_number_by_fieldname(const char* fieldname) {
    const int index = find_item_by_fieldname(fieldname);
    if (index < 0) {
        fail("Can't get the item number by filed name \"%s\"\n", fieldname);
    }
    return index;
}

int find_item_by_offset(uint32_t offset1) {
    for (int i = 0; i < item_count; ++i) {
        if (item[i].offset == offset1) {
            // An empty item shares its offset with the next one; the next one holds the bytes.
            if (i + 1 < item_count && item[i + 1].offset == offset1) {
                return i + 1;
            }
            return i;
        }
    }
    return -1;
}

int get_item_number_by_offset(uint32_t offset1) {
    const int index = find_item_by_offset(offset1);
    if (index < 0) {
        fail("Can't get the item number by offset %x\n", offset1);
    }
    return index;
}

int area_header_item(const char* area_name) {
    if (std::strcmp(area_name, "chassis") == 0) {
        return chassis_info_item;
    }
    if (std::strcmp(area_name, "board") == 0) {
        return board_info_item;
    }
    if (std::strcmp(area_name, "product") == 0) {
        return product_info_item;
    }
    return -1;
}

area_location locate_area(int header_item) {
    area_location area{};
    area.start = uint32_t{item[header_item].value[0]} * 8;
    area.version_item = find_item_by_offset(area.start);
    const int length_item = area.version_item + 1;
    area.size = area.version_item >= 0 && length_item < item_count
                    ? uint32_t{item[length_item].value[0]} * 8
                    : 0;
    area.checksum_offset = area.start + area.size - 1;
    area.checksum_item = find_item_by_offset(area.checksum_offset);
    return area;
}

area_fault check_area(const area_location& area) {
    if (area.version_item < 0) {
        return area_fault::start_not_an_item;
    }
    if (std::strcmp(item[area.version_item].field_name, "Version") != 0) {
        return area_fault::start_not_version;
    }
    if (area.version_item + 1 >= item_count) {
        return area_fault::no_length_item;
    }
    if (area.checksum_item < 0) {
        return area_fault::end_not_an_item;
    }
    if (std::strcmp(item[area.checksum_item].field_name, "Checksum") != 0) {
        return area_fault::end_not_checksum;
    }
    return area.size == 0 ? area_fault::empty : area_fault::none;
}
