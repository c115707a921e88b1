#include "process/command_runner.h"

#include <spawn.h>
#include <stdio_ext.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "common/fail.h"
#include "common/terminal_line.h"
#include "process/interrupts.h"
#include "process/write_guard.h"

extern char** environ;

namespace {

int shielded_depth = 0;

// Starts "/bin/sh -c LINE" with its standard error on `complaints` (when not -1); -1 when it
// cannot be started. A shielded command starts in a child of its own making, which shields itself
// before it becomes the shell.
pid_t start_shell(char* argv[], int complaints) {
    pid_t child = -1;
    if (shielded_depth == 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (complaints >= 0) {
            posix_spawn_file_actions_adddup2(&actions, complaints, STDERR_FILENO);
        }
        const int started = posix_spawn(&child, "/bin/sh", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        return started == 0 ? child : -1;
    }
    child = fork();
    if (child == 0) {
        shield_from_interrupts();
        if (complaints >= 0) {
            dup2(complaints, STDERR_FILENO);
        }
        execve("/bin/sh", argv, environ);
        _exit(127);
    }
    return child;
}

// While a progress line is shown, what a command says on standard error (a BMC that stopped
// answering, say) is kept aside and passed on once the command has ended and the line is taken
// away: written over the line, it would mix with what is left of it. -1 when no line is shown.
int open_complaints() {
    return terminal_line_shown() ? memfd_create("tarnwick-complaints", MFD_CLOEXEC) : -1;
}

void pass_on_complaints(int complaints) {
    if (complaints < 0) {
        return;
    }
    char buffer[4096];
    bool cleared = false;
    ssize_t count = 0;
    lseek(complaints, 0, SEEK_SET);
    while ((count = read(complaints, buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR)) {
        if (count > 0) {
            if (!cleared) {
                clear_terminal_line();
                cleared = true;
            }
            std::fwrite(buffer, 1, static_cast<std::size_t>(count), stderr);
        }
    }
    close(complaints);
}

// "/bin/sh -c LINE", as system() runs it, except that the tool does not ignore SIGINT and SIGQUIT
// while the command runs: the signals that end a run are held, so one sent to the tool alone is
// not lost, and the tool stops as soon as the command is done.
int run_in_shell(const std::string& command_line) {
    const interrupts_held holding;
    // Output waiting to be written out must not land on a progress line.
    if (__fpending(stdout) > 0) {
        clear_terminal_line();
    }
    // The command writes to the same standard output: flush first so that the order on a pipe
    // is the order on a terminal. Output that can no longer be written (a full disk) ends a run
    // that only reads, with status 255 and nothing more to say; a write goes on to its end.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && !device_write_under_way()) {
        exit_failure();
    }
    char shell[] = "sh";
    char option[] = "-c";
    char* argv[] = {shell, option, const_cast<char*>(command_line.c_str()), nullptr};
    const int complaints = open_complaints();
    const pid_t child = start_shell(argv, complaints);
    int status = 0;
    pid_t waited = -1;
    while (child >= 0 && (waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    pass_on_complaints(complaints);
    if (waited < 0) {
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
command_line_filter line_filter = nullptr;

} // namespace

commands_shielded::commands_shielded() {
    ++shielded_depth;
}

commands_shielded::~commands_shielded() {
    --shielded_depth;
}

int run_command(const std::string& given_line) {
    const std::string command_line = line_filter != nullptr ? line_filter(given_line) : given_line;
    // From its write command on, a whole-image write goes on to the verdict on its read-back
    // whatever signal comes (write_guard.h).
    if (current_image_write_stage() == image_write_stage::writing) {
        return current_runner(command_line);
    }
    stop_if_interrupted();
    const int status = current_runner(command_line);
    // Ctrl-C reaches the command too: its status tells, or the signal noted while it ran.
    if (const int signal = interrupting_signal(status)) {
        stop_interrupted(signal);
    }
    stop_if_interrupted();
    return status;
}

void set_command_line_filter(command_line_filter filter) {
    line_filter = filter;
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
