#include "device/write_guard.h"

#include <csignal>
#include <cstdio>

#include "common/fail.h"
#include "device/temp_file.h"

namespace {

bool under_way = false;
uint32_t current_offset = 0;
volatile sig_atomic_t caught = 0;

void remember_interrupt(int signal) {
    caught = signal;
}

// Writes to a closed pipe then fail with an error instead of ending the process.
void ignore_pipe_signal(int) {}

struct saved_action {
    int signal;
    struct sigaction action;
    bool replaced;
};
saved_action saved[] = {{SIGINT, {}, false}, {SIGQUIT, {}, false}, {SIGPIPE, {}, false}};

// A signal the tool was started to ignore (a background job's SIGINT) stays ignored.
void catch_signal(saved_action& entry, void (*handler)(int)) {
    sigaction(entry.signal, nullptr, &entry.action);
    entry.replaced = entry.action.sa_handler != SIG_IGN;
    if (entry.replaced) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        sigaction(entry.signal, &action, nullptr);
    }
}

} // namespace

device_write_guard::device_write_guard() {
    caught = 0;
    catch_signal(saved[0], remember_interrupt);
    catch_signal(saved[1], remember_interrupt);
    catch_signal(saved[2], ignore_pipe_signal);
    under_way = true;
}

device_write_guard::~device_write_guard() {
    under_way = false;
    for (saved_action& entry : saved) {
        if (entry.replaced) {
            sigaction(entry.signal, &entry.action, nullptr);
        }
    }
    // Interrupted after the last command: the write is complete, the run still ends here.
    if (caught != 0) {
        end_by_signal(caught);
    }
}

bool device_write_under_way() {
    return under_way;
}

void note_device_offset(uint32_t offset) {
    current_offset = offset;
}

int pending_interrupt() {
    return caught;
}

void stop_interrupted(int signal) {
    discard_temp_files();
    if (under_way) {
        std::printf("Interrupted at offset 0x%x; the FRU may be partly written.\n", current_offset);
    }
    end_by_signal(signal);
}
