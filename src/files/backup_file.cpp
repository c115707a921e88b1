#include "files/backup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "common/bmc_host.h"
#include "common/fail.h"
#include "common/fruid.h"
#include "files/file_bytes.h"
#include "process/command_runner.h"
#include "process/interrupts.h"

namespace {

// How many taken names to step over before giving up.
constexpr int max_tries = 1000;

constexpr const char* cannot_save = "Can not save the previous image to \"%s\"; nothing written.\n";

std::string utc_stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// The hidden file holding all of `bytes` on disk, readable as an ordinary new file would be.
bool write_synced(int file, const std::vector<uint8_t>& bytes) {
    const mode_t mask = umask(0);
    umask(mask);
    bool saved = write_all(file, bytes.data(), bytes.size()) && fchmod(file, 0644 & ~mask) == 0 &&
                 fsync(file) == 0;
    return close(file) == 0 && saved;
}

bool directory_synced() {
    const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = directory >= 0 && fsync(directory) == 0;
    if (directory >= 0) {
        close(directory);
    }
    return synced;
}

} // namespace

std::string save_backup(const std::vector<uint8_t>& bytes) {
    const interrupts_held holding;
    const std::string stem =
        format_text("fru%d%s-%s", FRUID, bmc_name_part().c_str(), utc_stamp().c_str());
    std::string name = stem + ".bin";
    std::string hidden = "." + name + ".XXXXXX";
    // On disk before the device changes: a copy lost to a power cut would be no copy.
    const int file = mkostemp(hidden.data(), O_CLOEXEC);
    if (file < 0) {
        fail(cannot_save, name.c_str());
    }
    if (!write_synced(file, bytes)) {
        unlink(hidden.c_str());
        fail(cannot_save, name.c_str());
    }
    // link() neither replaces a file nor follows a link of that name, dangling or not.
    int linked = -1;
    for (int n = 1; n <= max_tries; ++n) {
        name = n == 1 ? stem + ".bin" : format_text("%s-%d.bin", stem.c_str(), n);
        linked = link(hidden.c_str(), name.c_str());
        if (linked == 0 || errno != EEXIST) {
            break;
        }
    }
    unlink(hidden.c_str());
    if (linked != 0) {
        fail(cannot_save, name.c_str());
    }
    // Its name on disk too.
    if (!directory_synced()) {
        unlink(name.c_str());
        fail(cannot_save, name.c_str());
    }
    // An interrupt meanwhile ends the run before the device is touched: the copy goes with it.
    if (const int signal = pending_interrupt()) {
        unlink(name.c_str());
        stop_interrupted(signal);
    }
    return name;
}
