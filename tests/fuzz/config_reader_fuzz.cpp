// Fuzz target of the configuration reader: any bytes, read as "fruconfig.ini", must leave every
// item's value a zero-terminated text of at most 35 characters with zero bytes after it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "layout/item_table.h"
#include "ops/config_reader.h"

namespace {

// Values are appended across lines, so each input starts from the built-in table.
const struct defaults_holder {
    _item_info table[item_count];
    defaults_holder() {
        std::memcpy(table, item, sizeof item);
    }
} defaults;

void check_value(const _item_info& entry) {
    const std::size_t length = value_length(entry);
    if (length > field_size - 1) {
        __builtin_trap();
    }
    for (std::size_t i = length; i < field_size; ++i) {
        if (entry.value[i] != 0) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::memcpy(item, defaults.table, sizeof item);
    std::string refused_key;
    apply_config_text(std::string(reinterpret_cast<const char*>(data), size), refused_key);
    if (refused_key.size() > size) {
        __builtin_trap();
    }
    for (const _item_info& entry : item) {
        check_value(entry);
    }
    // Names, offsets and lengths are never touched by the reader.
    for (int i = 0; i < item_count; ++i) {
        if (std::strcmp(item[i].field_name, defaults.table[i].field_name) != 0 ||
            item[i].offset != defaults.table[i].offset ||
            item[i].length != defaults.table[i].length) {
            __builtin_trap();
        }
    }
    return 0;
}
