#include "files/device_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/bmc_host.h"
#include "common/fail.h"
#include "common/fruid.h"
#include "process/command_runner.h"
#include "process/interrupts.h"

namespace {

// The lock of this run and its device. Held until the run ends; a second lock of the same file
// by this run would wait for the first.
int lock_file = -1;
int locked_device = 0;

// Why the lock directory at `path` cannot be used, or "" when `directory` (its descriptor, -1 when
// it did not open, errno telling why) is a directory, not a link, of this user's with no access for
// group or others: anyone else who could write there could take the lock first or swap the file.
std::string lock_directory_fault(const std::string& path, int directory) {
    struct stat status {};
    if (directory < 0) {
        const int error = errno;
        if (lstat(path.c_str(), &status) == 0) {
            if (S_ISLNK(status.st_mode)) {
                return "a symbolic link";
            }
            if (!S_ISDIR(status.st_mode)) {
                return "not a directory";
            }
        }
        return std::strerror(error);
    }
    if (fstat(directory, &status) != 0) {
        return std::strerror(errno);
    }
    if (status.st_uid != geteuid()) {
        return format_text("owned by uid %u", static_cast<unsigned>(status.st_uid));
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return format_text("others can enter it (mode 0%o)",
                           static_cast<unsigned>(status.st_mode & 07777));
    }
    return "";
}

// Makes the directory when it is missing and opens it, as long as lock_directory_fault finds
// nothing wrong with it; anything else ends the run, naming the reason.
int open_lock_directory(const std::string& path) {
    mkdir(path.c_str(), 0700); // one that exists already is checked like a new one
    const int directory = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const std::string fault = lock_directory_fault(path, directory);
    if (!fault.empty()) {
        fail("Can not use the lock directory \"%s\" (%s); nothing written.\n", path.c_str(),
             fault.c_str());
    }
    return directory;
}

// A trailing slash would make the link check follow a link.
std::string without_trailing_slash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string lock_directory_for(unsigned user, const char* lock_dir, const char* runtime_dir) {
    if (lock_dir != nullptr && *lock_dir != '\0') {
        return without_trailing_slash(lock_dir);
    }
    if (user == 0) {
        return "/run/tarnwick";
    }
    if (runtime_dir != nullptr && runtime_dir[0] == '/') {
        return without_trailing_slash(runtime_dir) + "/tarnwick";
    }
    return format_text("/tmp/tarnwick-%u", user);
}

void lock_device_for_writing() {
    if (lock_file >= 0 && locked_device == FRUID) {
        return;
    }
    if (lock_file >= 0) {
        close(lock_file); // one run writes one device; only tests switch
    }
    const std::string dir = lock_directory_for(geteuid(), std::getenv("TARNWICK_LOCK_DIR"),
                                               std::getenv("XDG_RUNTIME_DIR"));
    const int directory = open_lock_directory(dir);
    const std::string name = format_text("fru%d%s.lock", FRUID, bmc_lock_name_part().c_str());
    const std::string path = dir + "/" + name;
    const int file =
        openat(directory, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    close(directory);
    if (file < 0) {
        fail("Can not lock FRU device %d for writing with \"%s\".\n", FRUID, path.c_str());
    }
    lock_file = file;
    locked_device = FRUID;
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        std::printf("Waiting for another tarnwick write to FRU device %d...\n", FRUID);
        std::fflush(stdout);
        const interrupts_held holding; // Ctrl-C while waiting ends the run as at any other time
        // A signal from here on closes the file, so that flock fails at once even when the signal
        // comes just before it begins; one noted before is seen by the check.
        close_on_interrupt(file);
        stop_if_interrupted();
        while (flock(file, LOCK_EX) != 0) {
            stop_if_interrupted();
            if (errno != EINTR) {
                fail("Can not lock FRU device %d for writing with \"%s\".\n", FRUID, path.c_str());
            }
        }
        close_on_interrupt(-1);
        stop_if_interrupted(); // a signal just after the lock was taken may have closed the file
    }
    // The commands of the write inherit it: the device stays locked while one of them runs.
    fcntl(file, F_SETFD, 0);
}
