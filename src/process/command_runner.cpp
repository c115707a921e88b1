#include "process/command_runner.h"

#include <fcntl.h>
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
#include "process/write_state.h"

extern char** environ;

namespace {

int shielded_depth = 0;

// Starts "/bin/sh -c LINE" with its standard input, output and error on `in`, `out` and
// `complaints` (each when not -1); -1 when it cannot be started. A shielded command starts in a
// child of its own making, which shields itself before it becomes the shell.
pid_t start_shell(const std::string& line, int in, int out, int complaints) {
    char shell[] = "sh";
    char option[] = "-c";
    char* argv[] = {shell, option, const_cast<char*>(line.c_str()), nullptr};
    const int targets[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    const int sources[] = {in, out, complaints};
    pid_t child = -1;
    if (shielded_depth == 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int i = 0; i < 3; ++i) {
            if (sources[i] >= 0) {
                posix_spawn_file_actions_adddup2(&actions, sources[i], targets[i]);
            }
        }
        const int started = posix_spawn(&child, "/bin/sh", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        return started == 0 ? child : -1;
    }
    child = fork();
    if (child == 0) {
        shield_from_interrupts();
        for (int i = 0; i < 3; ++i) {
            if (sources[i] >= 0) {
                dup2(sources[i], targets[i]);
            }
        }
        execve("/bin/sh", argv, environ);
        _exit(127);
    }
    return child;
}

// The exit status of `child` as the shell counts it: 128 plus the signal number for one ended by
// a signal; -1 for a child that was not started.
int wait_for(pid_t child) {
    int status = 0;
    pid_t waited = -1;
    while (child >= 0 && (waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited < 0) {
        return -1;
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// Where the line's first "|" outside quotes stands (a quoted user name or file may hold one);
// npos when there is none.
std::size_t first_pipe(const std::string& line) {
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote == '\'') {
            quote = c == '\'' ? 0 : quote;
        } else if (c == '\\') {
            ++i; // escapes the next character, outside and inside double quotes
        } else if (quote == '"') {
            quote = c == '"' ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '|') {
            return i;
        }
    }
    return std::string::npos;
}

// "FIRST | REST" with FIRST's own status, which a POSIX shell does not give for a pipeline: two
// shells joined by a pipe made here, the first replaced by FIRST itself (exec), so that no more
// processes run than the shell would start for the whole line.
int run_pipeline_status_of_first(const std::string& line, int complaints) {
    const std::size_t bar = first_pipe(line);
    int ends[2];
    if (bar == std::string::npos || pipe2(ends, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t first = start_shell("exec " + line.substr(0, bar), -1, ends[1], complaints);
    close(ends[1]);
    const pid_t rest = start_shell(line.substr(bar + 1), ends[0], -1, complaints);
    close(ends[0]);
    const int status = wait_for(first);
    wait_for(rest);
    return status;
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
int run_in_shell(const std::string& command_line, bool status_of_first) {
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
    const int complaints = open_complaints();
    const int status = status_of_first ? run_pipeline_status_of_first(command_line, complaints)
                                       : wait_for(start_shell(command_line, -1, -1, complaints));
    pass_on_complaints(complaints);
    return status;
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

namespace {

int run_through_runner(const std::string& given_line, bool status_of_first) {
    const std::string command_line = line_filter != nullptr ? line_filter(given_line) : given_line;
    // From its write command on, a whole-image write goes on to the verdict on its read-back
    // whatever signal comes (write_guard.h).
    if (current_image_write_stage() == image_write_stage::writing) {
        return current_runner(command_line, status_of_first);
    }
    stop_if_interrupted();
    const int status = current_runner(command_line, status_of_first);
    // Ctrl-C reaches the command too: its status tells, or the signal noted while it ran.
    if (const int signal = interrupting_signal(status)) {
        stop_interrupted(signal);
    }
    stop_if_interrupted();
    return status;
}

} // namespace

int run_command(const std::string& command_line) {
    return run_through_runner(command_line, false);
}

int run_command_status_of_first(const std::string& command_line) {
    return run_through_runner(command_line, true);
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
