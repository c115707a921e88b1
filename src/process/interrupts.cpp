#include "process/interrupts.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "common/fail.h"
#include "common/fruid.h"
#include "common/terminal_line.h"
#include "process/write_state.h"

namespace {

volatile sig_atomic_t caught = 0;
volatile sig_atomic_t closed_on_signal = -1;
int depth = 0;
void (*interrupt_cleanup)() = nullptr;

void remember(int signal) {
    caught = signal;
    if (const int file = closed_on_signal; file >= 0) {
        closed_on_signal = -1;
        const int saved_errno = errno;
        close(file);
        errno = saved_errno;
    }
}

struct held_signal {
    int signal;
    struct sigaction saved;
    bool replaced;
};
held_signal held[] = {
    {SIGINT, {}, false}, {SIGQUIT, {}, false}, {SIGTERM, {}, false}, {SIGHUP, {}, false}};

} // namespace

interrupts_held::interrupts_held() {
    if (depth++ > 0) {
        return;
    }
    for (held_signal& entry : held) {
        sigaction(entry.signal, nullptr, &entry.saved);
        entry.replaced = entry.saved.sa_handler != SIG_IGN;
        if (entry.replaced) {
            struct sigaction action {};
            action.sa_handler = remember;
            sigemptyset(&action.sa_mask);
            sigaction(entry.signal, &action, nullptr);
        }
    }
}

interrupts_held::~interrupts_held() {
    if (--depth > 0) {
        return;
    }
    for (held_signal& entry : held) {
        if (entry.replaced) {
            sigaction(entry.signal, &entry.saved, nullptr);
        }
    }
    // Nothing holds them any more: a signal that came meanwhile ends the run now.
    stop_if_interrupted();
}

void shield_from_interrupts() {
    setpgid(0, 0);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGTTOU, &ignore, nullptr);
    sigaction(SIGTTIN, &ignore, nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const held_signal& entry : held) {
        sigaction(entry.signal, &ignore, nullptr);
        sigaddset(&blocked, entry.signal);
    }
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
}

void close_on_interrupt(int file) {
    closed_on_signal = file;
}

int pending_interrupt() {
    return caught;
}

void stop_if_interrupted() {
    if (const int signal = caught) {
        stop_interrupted(signal);
    }
}

void set_interrupt_cleanup(void (*cleanup)()) {
    interrupt_cleanup = cleanup;
}

void stop_interrupted(int signal) {
    if (interrupt_cleanup != nullptr) {
        interrupt_cleanup();
    }
    clear_terminal_line();
    switch (current_image_write_stage()) {
    case image_write_stage::before_write:
        std::printf("Interrupted; nothing written to FRU device %d.\n", FRUID);
        break;
    case image_write_stage::verified:
        std::printf("Interrupted after the write; FRU device %d holds the new image.\n", FRUID);
        break;
    case image_write_stage::none:
    case image_write_stage::writing:
        if (device_write_under_way()) {
            std::printf("Interrupted at offset 0x%x; the FRU may be partly written.\n",
                        current_device_offset());
        }
        break;
    }
    end_by_signal(signal);
}
