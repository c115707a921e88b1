// Where a write to the device stands: set by the guards of write_guard.h, read by the command
// runner and by the interrupt handling, which must not depend on the guards themselves.
#pragma once

#include <cstdint>

// True while a device_write_guard lives.
bool device_write_under_way();
void set_device_write_under_way(bool under_way);

// The offset the next device command works at, for the message of an interrupted write.
void note_device_offset(uint32_t offset);
uint32_t current_device_offset();

// Where the whole-image write stands: before its write command, from the write command to the
// verdict, verified; none outside an image_write_guard.
enum class image_write_stage { none, before_write, writing, verified };
image_write_stage current_image_write_stage();
void set_image_write_stage(image_write_stage stage);
