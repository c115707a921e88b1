#include "common/fail.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "common/terminal_line.h"

namespace {

void (*early_end_cleanup)() = nullptr;
int (*waiting_interrupt)() = nullptr;

void run_early_end_cleanup() {
    if (early_end_cleanup != nullptr) {
        early_end_cleanup();
        early_end_cleanup = nullptr;
    }
}

} // namespace

void set_early_end_cleanup(void (*cleanup)()) {
    early_end_cleanup = cleanup;
}

void set_waiting_interrupt(int (*waiting)()) {
    waiting_interrupt = waiting;
}

void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    clear_terminal_line();
    std::vprintf(format, args);
    va_end(args);
    exit_failure();
}

void exit_failure() {
    clear_terminal_line();
    if (waiting_interrupt != nullptr) {
        if (const int signal = waiting_interrupt()) {
            end_by_signal(signal);
        }
    }
    run_early_end_cleanup();
    // exit() flushes standard output, so everything printed before is kept, in order.
    std::exit(255);
}

void end_by_signal(int signal) {
    clear_terminal_line();
    run_early_end_cleanup();
    std::fflush(stdout);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    // Not reached with the default action of these signals; the shell's code for it otherwise.
    _exit(128 + signal);
}
