// tarnwick: initialises, reads and writes the FRU inventory of a server through ipmitool.
#include <cstring>

#include "cli/fruid.h"
#include "cli/usage.h"
#include "layout/self_check.h"
#include "ops/displays.h"
#include "ops/initialize.h"
#include "ops/single_item.h"

namespace {

struct command {
    const char* word;
    void (*operation)();
};

// Words that take no value, compared in this order; any other word names an item.
constexpr command commands[] = {
    {"-w", initialize_fru},
    {"-sbin", show_binary_format},
    {"-stxt", show_text_format},
    {"-debug", chk_fru_info},
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3 || argc > 4) {
        show_help();
        return 255;
    }
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "-help") == 0) {
        show_help();
        return 0;
    }
    FRUID = parse_fruid(argv[1]);

    if (argc == 4) {
        single_read_write(argv[2], argv[3]);
        return 0;
    }
    for (const command& entry : commands) {
        if (std::strcmp(argv[2], entry.word) == 0) {
            entry.operation();
            return 0;
        }
    }
    single_read_write(argv[2], "NULL");
    return 0;
}
