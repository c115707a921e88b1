#include "files/backup_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "common/fail.h"
#include "common/fruid.h"
#include "files/file_bytes.h"
#include "process/command_runner.h"

namespace {

// How many taken names to step over before giving up.
constexpr int max_tries = 1000;

std::string utc_stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

} // namespace

std::string save_backup(const std::vector<uint8_t>& bytes) {
    const std::string stem = format_text("fru%d-%s", FRUID, utc_stamp().c_str());
    std::string name;
    int file = -1;
    for (int n = 1; n <= max_tries; ++n) {
        name = n == 1 ? stem + ".bin" : format_text("%s-%d.bin", stem.c_str(), n);
        // O_EXCL also refuses a symbolic link of that name, dangling or not.
        file = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (file >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (file < 0) {
        fail("Can not save the previous image to \"%s\"; nothing written.\n", name.c_str());
    }
    // On disk before the device changes: a copy lost to a power cut would be no copy.
    bool saved = write_all(file, bytes.data(), bytes.size()) && fsync(file) == 0;
    saved = close(file) == 0 && saved;
    if (saved) {
        // Its name on disk too.
        const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        saved = directory >= 0 && fsync(directory) == 0;
        if (directory >= 0) {
            close(directory);
        }
    }
    if (!saved) {
        unlink(name.c_str());
        fail("Can not save the previous image to \"%s\"; nothing written.\n", name.c_str());
    }
    return name;
}
