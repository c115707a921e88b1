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
    uint32_t start;           // first byte, the area's "Version" item
    int version_item;         // the item found at `start`
    uint32_t size;            // in bytes, from the item after `version_item`
    uint32_t checksum_offset; // start + size - 1
};

// The header item ("Chassis Info", "Board Info", "Product Info") of the area named "chassis",
// "board" or "product"; -1 for any other name.
int area_header_item(const char* area_name);

// Locates the area whose start is held by `header_item`. A start that begins no item ends the
// process with the offset lookup's message. An area item without a following item has size 0.
area_location locate_area(int header_item);
