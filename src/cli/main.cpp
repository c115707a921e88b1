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
#include "ops/diff.h"
#include "ops/displays.h"
#include "ops/initialize.h"
#include "ops/json_report.h"
#include "ops/restore.h"
#include "ops/single_item.h"
#include "process/progress.h"

namespace {

struct command {
    const char* word;
    int (*operation)(); // the run's status when it ends
};

// An operation that ends with status 0 whenever it returns.
template <void (*operation)()> int then_success() {
    operation();
    return 0;
}

// Words that take no value, compared in this order; any other word names an item.
constexpr command commands[] = {
    {"-w", then_success<initialize_fru>},
    {"-sbin", then_success<show_binary_format>},
    {"-stxt", then_success<show_text_format>},
    {"-debug", then_success<chk_fru_info>},
    {"-diff", show_image_diff},
    {"-sjson", then_success<show_json_format>},
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

// True when the command changes the device: "-w", "-restore FILE", or an item word with a value
// other than "NULL".
bool command_writes(int argc, char* argv[]) {
    if (argc == 3) {
        return std::strcmp(argv[2], "-w") == 0;
    }
    return std::strcmp(argv[2], "-restore") == 0 ||
           (find_item_command(argv[2]) != nullptr && std::strcmp(argv[3], "NULL") != 0);
}

// True when the command's ipmitool command lines carry the device ID in decimal ("-stxt", the /BMT
// read, every device command of bulk mode), where a negative one would reach ipmitool as an
// option. Default-mode byte commands carry it in hex.
bool id_goes_out_in_decimal(int argc, char* argv[]) {
    const char* word = argv[2];
    if ((argc == 3 && std::strcmp(word, "-stxt") == 0) || std::strcmp(word, "/BMT") == 0) {
        return true;
    }
    return bulk_transfers_chosen() &&
           (std::strcmp(word, "-sbin") == 0 || find_item_command(word) != nullptr);
}

// Sets FRUID from the first argument. A command that writes, and "-diff" and "-sjson", whose
// verdicts a write is planned or audited by, take only a plain decimal ID, so that a mistyped one
// never lands on another device; other reads keep the lenient decimal conversion, negative IDs
// excepted where they would reach ipmitool as an option.
void set_fruid(int argc, char* argv[]) {
    if (command_writes(argc, argv)) {
        FRUID = parse_write_fruid(argv[1]);
        if (FRUID < 0) {
            fail("FRU device ID \"%s\" is not a number from 0 to 254; nothing written.\n", argv[1]);
        }
        return;
    }
    const bool report =
        argc == 3 && (std::strcmp(argv[2], "-diff") == 0 || std::strcmp(argv[2], "-sjson") == 0);
    FRUID = report ? parse_write_fruid(argv[1]) : parse_fruid(argv[1]);
    if (FRUID < 0 && (report || id_goes_out_in_decimal(argc, argv))) {
        fail("FRU device ID \"%s\" is not a number from 0 to 254; nothing done.\n", argv[1]);
    }
}

// Output that could not be written (a full disk, a closed descriptor) makes the run a failure;
// otherwise the run ends with `status`.
int end_run(int status = 0) {
    progress_end();
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return std::fclose(stdout) == 0 && written ? status : 255;
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
    choose_progress();
    set_fruid(argc, argv);
    if (argc == 4 && std::strcmp(argv[2], "-restore") == 0) {
        restore_fru_image(argv[3]);
        return end_run();
    }

    if (argc == 4) {
        run_item_command(argv[2], argv[3]);
        return end_run();
    }
    for (const command& entry : commands) {
        if (std::strcmp(argv[2], entry.word) == 0) {
            return end_run(entry.operation());
        }
    }
    run_item_command(argv[2], "NULL");
    return end_run();
}
