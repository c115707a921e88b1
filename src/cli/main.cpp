// tarnwick: initialises, reads and writes the FRU inventory of a server through ipmitool.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "cli/usage.h"
#include "common/fail.h"
#include "common/fruid.h"
#include "device/fru_device.h"
#include "layout/self_check.h"
#include "ops/displays.h"
#include "ops/initialize.h"
#include "ops/single_item.h"
#include "process/progress.h"

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

// Runs the item command of `word`; a word that names no item ends the run with its message and
// the usage text.
void run_item_command(const char* word, const char* value) {
    const item_command* command = find_item_command(word);
    if (command == nullptr) {
        std::printf("\"%s\" is not right or not supported.\n", word);
        show_help();
        exit_failure();
    }
    single_read_write(*command, value);
}

// Output that could not be written (a full disk, a closed descriptor) makes the run a failure.
int end_run() {
    progress_end();
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return std::fclose(stdout) == 0 && written ? 0 : 255;
}

} // namespace

int main(int argc, char* argv[]) {
    // Without a standard output no result and no failure could be told: do nothing at all.
    if (fcntl(STDOUT_FILENO, F_GETFD) < 0) {
        return 255;
    }
    if (argc < 3 || argc > 4) {
        show_help();
        end_run();
        return 255;
    }
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "-help") == 0) {
        show_help();
        return end_run();
    }
    choose_fru_device();
    FRUID = parse_fruid(argv[1]);

    if (argc == 4) {
        run_item_command(argv[2], argv[3]);
        return end_run();
    }
    for (const command& entry : commands) {
        if (std::strcmp(argv[2], entry.word) == 0) {
            entry.operation();
            return end_run();
        }
    }
    run_item_command(argv[2], "NULL");
    return end_run();
}
