#include "support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/fruid.h"
#include "process/command_runner.h"

memory_device* active_device = nullptr;

namespace {
// The shell runner the tool starts with: date commands still go to the real shell.
command_runner shell_runner = nullptr;
} // namespace

captured run_captured(const std::function<void()>& body) {
    std::fflush(stdout);
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        return {"pipe failed", -1, ""};
    }
    std::FILE* err_sink = std::tmpfile();
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        dup2(pipe_ends[1], STDOUT_FILENO);
        dup2(fileno(err_sink), STDERR_FILENO);
        body();
        std::fflush(stdout);
        _exit(0);
    }
    close(pipe_ends[1]);
    std::string out;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(pipe_ends[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    std::string err;
    std::rewind(err_sink);
    while ((count = static_cast<ssize_t>(std::fread(buffer, 1, sizeof buffer, err_sink))) > 0) {
        err.append(buffer, static_cast<std::size_t>(count));
    }
    std::fclose(err_sink);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
}

std::string capture_stdout(const std::function<void()>& body) {
    std::fflush(stdout);
    std::FILE* sink = std::tmpfile();
    const int saved = dup(STDOUT_FILENO);
    dup2(fileno(sink), STDOUT_FILENO);
    body();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string out;
    std::rewind(sink);
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, sink)) > 0) {
        out.append(buffer, count);
    }
    std::fclose(sink);
    return out;
}

namespace {

// Answers "ipmitool raw 0x0a 0x11|0x12 DEV LO HI ..." lines, the removal of "tmp" and the
// whole-image transfers of bulk mode.
int memory_runner(const std::string& line, bool /*status_of_first*/) {
    memory_device& device = *active_device;
    device.commands.push_back(line);
    unsigned command = 0;
    unsigned id = 0;
    unsigned low = 0;
    unsigned high = 0;
    unsigned data = 0;
    if (std::sscanf(line.c_str(), "ipmitool raw 0x0a 0x%x 0x%x 0x%x 0x%x 0x%x", &command, &id, &low,
                    &high, &data) == 5) {
        const unsigned offset = high * 256 + low;
        if (command == 0x12) {
            if (device.write_status == 0) {
                const bool corrupt = static_cast<long>(offset) == device.corrupt_at;
                device.bytes.at(offset) = static_cast<uint8_t>(data + (corrupt ? 1 : 0));
            }
            return device.write_status;
        }
        std::FILE* tmp = std::fopen("tmp", "w");
        if (!device.reads_fail) {
            std::fprintf(tmp, "%02x", unsigned{device.bytes.at(offset)});
        }
        std::fclose(tmp);
        return device.read_status;
    }
    if (line == "rm -rf tmp") {
        std::remove("tmp");
        return 0;
    }
    // Whole-image transfers through a file, "ipmitool fru read ID 'FILE' >'OUT' 2>'ERR'" answered
    // as the real utility does (nothing at all for a device it cannot read), and
    // "ipmitool fru write ID 'FILE' >/dev/null".
    char verb[8] = {};
    char path[4096] = {};
    char out[4096] = {};
    if (std::sscanf(line.c_str(), "ipmitool fru %7s %u '%4095[^']' >'%4095[^']'", verb, &id, path,
                    out) >= 3) {
        if (std::strcmp(verb, "read") == 0 && !device.reads_fail) {
            std::FILE* file = std::fopen(path, "wb");
            std::fwrite(device.bytes.data(), 1, device.bytes.size(), file);
            std::fclose(file);
            file = std::fopen(out, "w");
            std::fprintf(file, "Fru Size         : %zu bytes\nDone\n", device.bytes.size());
            std::fclose(file);
        } else if (std::strcmp(verb, "write") == 0 && device.write_status == 0) {
            std::FILE* file = std::fopen(path, "rb");
            int c = 0;
            for (std::size_t offset = 0; (c = std::fgetc(file)) != EOF; ++offset) {
                const bool corrupt = static_cast<long>(offset) == device.corrupt_at;
                device.bytes.at(offset) = static_cast<uint8_t>(c + (corrupt ? 1 : 0));
            }
            std::fclose(file);
        }
        return 0;
    }
    if (line.rfind("ipmitool ", 0) == 0) {
        return 0;
    }
    return shell_runner(line, false);
}

} // namespace

void tool_test::SetUp() {
    std::memcpy(saved_table_, item, sizeof item);
    previous_dir_ = std::filesystem::current_path();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarnwick-unit-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_dir_ = pattern;
    std::filesystem::current_path(scratch_dir_);
    // Bulk mode's private files and the device locks, apart from other tests running meanwhile.
    const char* tmpdir = std::getenv("TMPDIR");
    had_tmpdir_ = tmpdir != nullptr;
    previous_tmpdir_ = had_tmpdir_ ? tmpdir : "";
    setenv("TMPDIR", scratch_dir_.c_str(), 1);
    std::string locks = (std::filesystem::temp_directory_path() / "tarnwick-locks-XXXXXX").string();
    ASSERT_NE(mkdtemp(locks.data()), nullptr);
    lock_dir_ = locks;
    setenv("TARNWICK_LOCK_DIR", lock_dir_.c_str(), 1);
    active_device = &device;
    shell_runner = set_command_runner(memory_runner);
    FRUID = 0;
}

void tool_test::TearDown() {
    set_command_runner(shell_runner);
    active_device = nullptr;
    if (had_tmpdir_) {
        setenv("TMPDIR", previous_tmpdir_.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
    unsetenv("TARNWICK_LOCK_DIR");
    std::filesystem::current_path(previous_dir_);
    std::filesystem::remove_all(scratch_dir_);
    std::filesystem::remove_all(lock_dir_);
    std::memcpy(item, saved_table_, sizeof item);
}

void set_value_text(int index, const std::string& text) {
    std::memset(item[index].value, 0, field_size);
    std::memcpy(item[index].value, text.data(), std::min(text.size(), field_size - 1));
}

std::string value_text(int index) {
    return std::string(reinterpret_cast<const char*>(item[index].value), value_length(item[index]));
}
