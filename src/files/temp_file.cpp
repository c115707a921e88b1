#include "files/temp_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/fail.h"
#include "process/command_runner.h"
#include "process/interrupts.h"

namespace {

constexpr const char* cannot_lock = "Can not lock the working directory; the tool must be able to "
                                    "read it.\n";

bool locked = false;

// Held from the first use of a temporary file to the end of the process; the lock is on the
// working directory itself, so no lock file is created and none is left behind.
void lock_working_directory() {
    if (locked) {
        return;
    }
    const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        fail("%s", cannot_lock);
    }
    if (flock(directory, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            fail("%s", cannot_lock);
        }
        std::printf("Waiting for another tarnwick run in this directory...\n");
        std::fflush(stdout);
        int result = 0;
        while ((result = flock(directory, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            fail("%s", cannot_lock);
        }
    }
    locked = true;
    // From now on "tmp" and "time_tmp" are this run's own: an interrupt removes them.
    set_interrupt_cleanup(discard_temp_files);
}

// Locks the directory and refuses a `name` that is not a regular file; true when a regular file
// of that name is there.
bool claim_temp_file(const char* name) {
    lock_working_directory();
    struct stat status {};
    if (lstat(name, &status) != 0) {
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        fail("Temporary file \"%s\" exists and is not a regular file; remove it and try again.\n",
             name);
    }
    return true;
}

} // namespace

void prepare_temp_file(const char* name) {
    if (claim_temp_file(name) && unlink(name) != 0) {
        fail("Can not remove the old temporary file \"%s\" in this directory.\n", name);
    }
}

void check_temp_file_writable(const char* name) {
    bool usable = !claim_temp_file(name) || unlink(name) == 0;
    if (usable) {
        const int file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        usable = file >= 0;
        if (usable) {
            // Two characters, as a read leaves; a full disk refuses them.
            usable = write(file, "00", 2) == 2;
            usable = close(file) == 0 && usable;
            usable = unlink(name) == 0 && usable;
        }
    }
    if (!usable) {
        fail("Can not write the temporary file \"%s\" in this directory; nothing written.\n", name);
    }
}

std::string take_temp_file(const char* name, std::size_t max_chars) {
    std::FILE* file = std::fopen(name, "re");
    if (file == nullptr) {
        fail("Can not open temporary file \"%s\".\n", name);
    }
    std::string content(max_chars, '\0');
    content.resize(std::fread(content.data(), 1, max_chars, file));
    std::fclose(file);
    run_command(format_text("rm -rf %s", name));
    return content;
}

void discard_failed_result(const char* name) {
    struct stat status {};
    if (lstat(name, &status) != 0) {
        fail("Can not open temporary file \"%s\".\n", name);
    }
    unlink(name);
}

void discard_temp_files() {
    if (locked) {
        unlink(read_result_file);
        unlink(date_result_file);
    }
}
