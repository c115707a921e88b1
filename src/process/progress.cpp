#include "process/progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "common/fail.h"
#include "common/fruid.h"
#include "common/terminal_line.h"
#include "process/command_runner.h"
#include "process/interrupts.h"

namespace {

using progress_clock = std::chrono::steady_clock;
constexpr auto redraw_interval = std::chrono::milliseconds(100);

struct progress_count {
    std::string what;
    uint32_t total;
    uint32_t done;
    progress_clock::time_point start;
    progress_clock::time_point drawn;
};

std::optional<progress_count> counting;
// Held while the line may show: a signal between two commands then ends the run through
// stop_interrupted, which takes the line away, instead of leaving it on the terminal.
std::optional<interrupts_held> holding;
// Set by a failed command: the utility writes its complaints where the line is.
bool given_up = false;
// TARNWICK_PROGRESS=0.
bool turned_off = false;

bool wanted() {
    static const bool on = isatty(STDERR_FILENO) == 1 && !turned_off;
    return on;
}

} // namespace

void choose_progress() {
    const char* setting = std::getenv("TARNWICK_PROGRESS");
    if (setting == nullptr || std::strcmp(setting, "") == 0 || std::strcmp(setting, "1") == 0) {
        turned_off = false;
    } else if (std::strcmp(setting, "0") == 0) {
        turned_off = true;
    } else {
        fail("TARNWICK_PROGRESS must be 0 or 1, not \"%s\".\n", setting);
    }
}

void progress_start(const char* doing, uint32_t total) {
    progress_end();
    if (total > 0 && wanted() && !given_up) {
        const auto now = progress_clock::now();
        counting =
            progress_count{format_text("%s FRU device %d", doing, FRUID), total, 0, now, now};
    }
}

void progress_step(bool failed) {
    if (!counting) {
        return;
    }
    if (failed) {
        given_up = true;
        progress_end();
        return;
    }
    progress_count& count = *counting;
    if (++count.done >= count.total) {
        progress_end();
        return;
    }
    const auto now = progress_clock::now();
    // At most ten times a second, or at once when output has taken it away; not while the run is
    // a background job (the line would write over the shell's prompt).
    const bool taken_away = count.drawn != count.start && !terminal_line_shown();
    if ((now - count.drawn < redraw_interval && !taken_away) ||
        tcgetpgrp(STDERR_FILENO) != getpgrp()) {
        return;
    }
    count.drawn = now;
    // The commands so far, at their average pace; rounded up to whole seconds.
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - count.start).count();
    const auto left_ms = static_cast<uint64_t>(elapsed) * (count.total - count.done) / count.done;
    if (!holding) {
        holding.emplace();
    }
    show_terminal_line(format_text("%s: %u/%u commands, about %llu s left", count.what.c_str(),
                                   count.done, count.total,
                                   static_cast<unsigned long long>((left_ms + 999) / 1000)));
}

void progress_end() {
    counting.reset();
    clear_terminal_line();
    // Ends the run now on a signal noted meanwhile.
    holding.reset();
}
