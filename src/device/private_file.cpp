#include "device/private_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "common/fail.h"

namespace {

// The one private file that exists at a time, for the clean-ups, which may run in a signal
// handler and so use only this buffer and unlink().
char live_path[4096];

void remove_live_file() {
    if (live_path[0] != '\0') {
        unlink(live_path);
        live_path[0] = '\0';
    }
}

// Signals whose default action would end the run before its clean-up: while the file exists,
// they remove it, then end the run by the signal as before. A signal the run ignores, or already
// handles (a write notes SIGINT and SIGQUIT, and ends through the clean-up), is left as it is.
struct ending_signal {
    int signal;
    struct sigaction saved;
    bool replaced;
};
ending_signal ending_signals[] = {
    {SIGINT, {}, false}, {SIGQUIT, {}, false}, {SIGTERM, {}, false}, {SIGHUP, {}, false}};

void remove_and_end(int signal) {
    remove_live_file();
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void catch_ending_signals() {
    for (ending_signal& entry : ending_signals) {
        sigaction(entry.signal, nullptr, &entry.saved);
        entry.replaced = entry.saved.sa_handler == SIG_DFL;
        if (entry.replaced) {
            struct sigaction action {};
            action.sa_handler = remove_and_end;
            sigemptyset(&action.sa_mask);
            sigaction(entry.signal, &action, nullptr);
        }
    }
}

void restore_ending_signals() {
    for (ending_signal& entry : ending_signals) {
        if (entry.replaced) {
            sigaction(entry.signal, &entry.saved, nullptr);
        }
    }
}

std::string temp_directory() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

} // namespace

private_file::private_file() {
    const std::string dir = temp_directory();
    std::string pattern = dir + "/tarnwick-XXXXXX";
    if (pattern.size() >= sizeof live_path) {
        fail("Can not make a private file in \"%s\".\n", dir.c_str());
    }
    const int file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file < 0) {
        fail("Can not make a private file in \"%s\".\n", dir.c_str());
    }
    close(file);
    path_ = pattern;
    std::memcpy(live_path, path_.c_str(), path_.size() + 1);
    set_early_end_cleanup(remove_live_file);
    catch_ending_signals();
}

private_file::~private_file() {
    restore_ending_signals();
    set_early_end_cleanup(nullptr);
    remove_live_file();
}

std::string private_file::shell_path() const {
    return shell_quote(path_);
}

std::vector<uint8_t> private_file::contents() const {
    std::vector<uint8_t> bytes;
    const int file = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return bytes;
    }
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t count = ::read(file, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    close(file);
    return bytes;
}

void private_file::set_contents(const uint8_t* bytes, std::size_t count) const {
    const int file = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool written = file >= 0;
    for (std::size_t done = 0; written && done < count;) {
        const ssize_t n = write(file, bytes + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    if (file >= 0) {
        written = close(file) == 0 && written;
    }
    if (!written) {
        fail("Can not write the private file \"%s\".\n", path_.c_str());
    }
}

std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}
