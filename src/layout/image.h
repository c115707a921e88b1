// The FRU image the layout table describes: the bytes each item stores, the whole 512-byte image,
// the area checksums, and what tells whether an image holds this layout at all.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "layout/item_table.h"

using fru_image = std::array<uint8_t, fru_image_size>;

// The `length` bytes item `index` stores: its text up to the first zero byte, then zero bytes,
// cut to the field; the date item's three converted bytes as they stand (a zero byte among them
// does not end them); a single-byte item's first value byte.
std::vector<uint8_t> item_bytes(int index);

// Every item's bytes at its offset: the image a device holds after each item has been written,
// the area checksum bytes as the table holds them.
fru_image table_image();

// Puts `index`'s bytes into `image` at the item's offset.
void put_item(fru_image& image, int index);

// The sum of `bytes` modulo 256: 0 for an area (or the common header) whose checksum byte is right.
uint8_t byte_sum(std::span<const uint8_t> bytes);

// The checksum byte of an area whose bytes before it are `bytes`: the two's complement of their
// sum, so that the whole area adds up to 0.
uint8_t area_checksum(std::span<const uint8_t> bytes);

// Sets the checksum byte of the area named "chassis", "board" or "product" (located from the
// table) to the two's complement of the sum of the area's other bytes, so that the area adds up
// to 0. The area must lie inside the image.
void set_area_checksum(fru_image& image, const char* area_name);

// table_image() with each info area's checksum set: the image "-w" leaves on a device.
fru_image checksummed_table_image();

// All 0x00 or all 0xff: a device never written, or erased.
bool is_blank(const fru_image& image);

// Whether `image` is laid out as `layout`: the same 8 common header bytes, and the same length
// byte in each info area the header places. A blank image matches no layout (the header's version
// byte is 1).
bool holds_layout(const fru_image& image, const fru_image& layout);

// table_image() of the built-in table, as it stood before the configuration or an item write
// changed any value.
const fru_image& built_in_image();
