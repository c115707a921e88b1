#include "files/file_bytes.h"

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
