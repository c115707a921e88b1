#include "files/private_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/fail.h"
#include "common/fruid.h"
#include "files/file_bytes.h"
#include "process/command_runner.h"

namespace {

// The private files that exist now, for the clean-up of a run that ends early.
std::vector<std::string> live_files;

void remove_live_files() {
    for (const std::string& path : live_files) {
        unlink(path.c_str());
    }
    live_files.clear();
}

} // namespace

private_file::private_file() {
    const std::string dir = private_file_directory();
    std::string pattern = dir + "/tarnwick-XXXXXX";
    const int file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file < 0) {
        fail("Can not make a private file in \"%s\".\n", dir.c_str());
    }
    close(file);
    path_ = pattern;
    live_files.push_back(path_);
    set_early_end_cleanup(remove_live_files);
}

private_file::~private_file() {
    unlink(path_.c_str());
    std::erase(live_files, path_);
}

std::string private_file::shell_path() const {
    return shell_quote(path_);
}

std::vector<uint8_t> private_file::contents() const {
    const int file = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return {};
    }
    std::vector<uint8_t> bytes = read_all(file);
    close(file);
    return bytes;
}

void private_file::set_contents(const uint8_t* bytes, std::size_t count) const {
    const int file = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool written = file >= 0 && write_all(file, bytes, count);
    if (file >= 0) {
        written = close(file) == 0 && written;
    }
    if (!written) {
        fail("Can not write the private file \"%s\".\n", path_.c_str());
    }
}

// $TMPDIR or /tmp, as a path the utility cannot take for an option: a relative one gets "./".
std::string private_file_directory() {
    const char* dir = std::getenv("TMPDIR");
    const std::string name = dir != nullptr && *dir != '\0' ? dir : "/tmp";
    return name[0] == '/' ? name : "./" + name;
}
