// Finding items in the layout table by name and by offset, and locating the info areas.
#pragma once

#include <cstdint>

// First item, from item 0 upward, whose name equals `fieldname` exactly; -1 when there is none.
int find_item_by_fieldname(const char* fieldname);
// As above, but a miss ends the process with its message.
int get_item_number_by_fieldname(const char* fieldname);

// First item starting at `offset1`; when the item after it starts at the same offset (the found
// one is empty), that one. -1 when no item starts there.
int find_item_by_offset(uint32_t offset1);
// As above, but a miss ends the process with its message.
int get_item_number_by_offset(uint32_t offset1);

// One info area as the table's current header and length bytes place it.
struct area_location {
    uint32_t start;           // the header item's byte times 8: the area's first byte
    int version_item;         // the item found at `start`; -1 when no item starts there
    uint32_t size;            // the byte of the item after `version_item` times 8; 0 without one
    uint32_t checksum_offset; // start + size - 1: the area's checksum byte
    int checksum_item;        // the item found at `checksum_offset`; -1 when none starts there
};

// What keeps an area from holding together, the first fault met in this order.
enum class area_fault {
    none,
    start_not_an_item, // no item starts at `start`
    start_not_version, // the item there is not a "Version" item
    no_length_item,    // the "Version" item is the table's last: no area length follows
    end_not_an_item,   // no item starts at `checksum_offset` (outside the image included)
    end_not_checksum,  // the item there is not a "Checksum" item
    empty,             // size 0: the checksum byte would lie before the area
};

// The info areas by name, in the order the image holds them and their checksums are made.
constexpr const char* info_area_names[] = {"chassis", "board", "product"};

// The header item ("Chassis Info", "Board Info", "Product Info") of the area named "chassis",
// "board" or "product"; -1 for any other name.
int area_header_item(const char* area_name);

// Locates the area whose start is held by `header_item`, from the table alone; never fails.
area_location locate_area(int header_item);

// The one set of rules for an area: every caller that checks an area asks here and words the
// fault its own way.
area_fault check_area(const area_location& area);
