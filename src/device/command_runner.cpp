#include "device/command_runner.h"

#include <sys/wait.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "device/write_guard.h"

namespace {

int run_in_shell(const std::string& command_line) {
    // The command writes to the same standard output: flush first so that the order on a pipe
    // is the order on a terminal.
    std::fflush(stdout);
    const int status = std::system(command_line.c_str());
    if (status == -1) {
        return -1;
    }
    // A command ended by a signal counts as the shell counts it: 128 plus the signal number.
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// SIGINT or SIGQUIT when the status says the command was ended by one (the shell itself, or the
// program it ran); 0 otherwise.
int interrupting_signal(int status) {
    return status == 128 + SIGINT || status == 128 + SIGQUIT ? status - 128 : 0;
}

command_runner current_runner = run_in_shell;

} // namespace

int run_command(const std::string& command_line) {
    if (const int signal = pending_interrupt()) {
        stop_interrupted(signal);
    }
    const int status = current_runner(command_line);
    // system() ignores SIGINT and SIGQUIT in the tool while the command runs: Ctrl-C reaches
    // only the command, and the tool learns of it from its status.
    if (const int signal = interrupting_signal(status)) {
        stop_interrupted(signal);
    }
    return status;
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
