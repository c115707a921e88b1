#include "device/temp_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/fail.h"
#include "device/command_runner.h"

namespace {

// Held from the first use of a temporary file to the end of the process; the lock is on the
// working directory itself, so no lock file is created and none is left behind.
void lock_working_directory() {
    static bool locked = false;
    if (locked) {
        return;
    }
    const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        fail("Can not lock the working directory.\n");
    }
    if (flock(directory, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            fail("Can not lock the working directory.\n");
        }
        std::printf("Waiting for another tarnwick run in this directory...\n");
        std::fflush(stdout);
        int result = 0;
        while ((result = flock(directory, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            fail("Can not lock the working directory.\n");
        }
    }
    locked = true;
}

bool exists_as_other_than_regular_file(const char* name) {
    struct stat status {};
    return lstat(name, &status) == 0 && !S_ISREG(status.st_mode);
}

} // namespace

void prepare_temp_file(const char* name) {
    lock_working_directory();
    if (exists_as_other_than_regular_file(name)) {
        fail("Temporary file \"%s\" exists and is not a regular file; remove it and try again.\n",
             name);
    }
    if (unlink(name) != 0 && errno != ENOENT) {
        fail("Can not remove the old temporary file \"%s\" in this directory.\n", name);
    }
}

void check_temp_file_writable() {
    lock_working_directory();
    const char* name = read_result_file;
    if (exists_as_other_than_regular_file(name)) {
        fail("Temporary file \"%s\" exists and is not a regular file; remove it and try again.\n",
             name);
    }
    bool usable = unlink(name) == 0 || errno == ENOENT;
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

void discard_temp_file(const char* name) {
    unlink(name);
}
