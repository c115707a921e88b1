#include "files/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool write_all(int file, const uint8_t* bytes, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const ssize_t n = write(file, bytes + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<uint8_t> read_all(int file) {
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t count = read(file, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
}

namespace {

// Up to `limit` bytes of `file`; false on an error.
bool read_at_most(int file, std::size_t limit, std::vector<uint8_t>& bytes) {
    bytes.resize(limit);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = read(file, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return false;
        }
        if (count == 0) {
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return true;
}

} // namespace

file_read read_regular_file(const char* path, std::size_t limit, std::vector<uint8_t>& bytes) {
    struct stat status {};
    if (stat(path, &status) != 0) {
        return file_read::failed;
    }
    if (!S_ISREG(status.st_mode)) {
        return file_read::not_regular;
    }
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return file_read::failed;
    }
    file_read result = file_read::failed;
    if (fstat(file, &status) == 0) {
        result = !S_ISREG(status.st_mode)               ? file_read::not_regular
                 : read_at_most(file, limit + 1, bytes) ? file_read::done
                                                        : file_read::failed;
    }
    close(file);
    return result;
}
