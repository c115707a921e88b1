#include "device/command_runner.h"

#include <sys/wait.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

int run_in_shell(const std::string& command_line) {
    // The command writes to the same standard output: flush first so that the order on a pipe
    // is the order on a terminal.
    std::fflush(stdout);
    const int status = std::system(command_line.c_str());
    if (status == -1 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

command_runner current_runner = run_in_shell;

} // namespace

int run_command(const std::string& command_line) {
    return current_runner(command_line);
}

command_runner set_command_runner(command_runner runner) {
    const command_runner previous = current_runner;
    current_runner = runner;
    return previous;
}

std::string format_text(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) {
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    return text;
}
