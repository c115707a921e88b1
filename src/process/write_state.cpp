#include "process/write_state.h"

namespace {

bool under_way = false;
uint32_t current_offset = 0;
image_write_stage image_stage = image_write_stage::none;

} // namespace

bool device_write_under_way() {
    return under_way;
}

void set_device_write_under_way(bool value) {
    under_way = value;
}

void note_device_offset(uint32_t offset) {
    current_offset = offset;
}

uint32_t current_device_offset() {
    return current_offset;
}

image_write_stage current_image_write_stage() {
    return image_stage;
}

void set_image_write_stage(image_write_stage stage) {
    image_stage = stage;
}
