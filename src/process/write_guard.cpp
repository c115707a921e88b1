#include "process/write_guard.h"

#include <csignal>

#include "common/fail.h"

namespace {

// Writes to a closed pipe then fail with an error instead of ending the process. A handler, not
// SIG_IGN, so that the commands the tool starts get the default action back.
void note_closed_pipe(int) {}

struct sigaction saved_pipe;
bool pipe_replaced = false;

} // namespace

device_write_guard::device_write_guard() {
    sigaction(SIGPIPE, nullptr, &saved_pipe);
    pipe_replaced = saved_pipe.sa_handler != SIG_IGN;
    if (pipe_replaced) {
        struct sigaction action {};
        action.sa_handler = note_closed_pipe;
        sigemptyset(&action.sa_mask);
        sigaction(SIGPIPE, &action, nullptr);
    }
    set_device_write_under_way(true);
}

device_write_guard::~device_write_guard() {
    // A signal that came after the last command ends the run as the hold ends: the write is
    // complete by then, so without the offset line.
    set_device_write_under_way(false);
    if (pipe_replaced) {
        sigaction(SIGPIPE, &saved_pipe, nullptr);
    }
}

image_write_guard::image_write_guard() {
    set_image_write_stage(image_write_stage::before_write);
    set_waiting_interrupt(pending_interrupt);
}

image_write_guard::~image_write_guard() {
    // A signal that came after the last command: what the stage says is still true.
    stop_if_interrupted();
    set_waiting_interrupt(nullptr);
    set_image_write_stage(image_write_stage::none);
}

void image_write_starts() {
    stop_if_interrupted();
    set_image_write_stage(image_write_stage::writing);
}

void image_write_verified() {
    set_image_write_stage(image_write_stage::verified);
    stop_if_interrupted();
}
