#include "common/terminal_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Characters of the line on the terminal now; 0 when none is shown.
std::string::size_type shown = 0;

void put(const std::string& text) {
    std::string::size_type written = 0;
    while (written < text.size()) {
        const ssize_t count = write(STDERR_FILENO, text.data() + written, text.size() - written);
        if (count < 0 && errno != EINTR) {
            return;
        }
        written += count > 0 ? static_cast<std::string::size_type>(count) : 0;
    }
}

std::string::size_type terminal_width() {
    winsize size{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace

void show_terminal_line(const std::string& text) {
    // A line as wide as the terminal would wrap, and "\r" would then go back to its second row.
    const std::string line = text.substr(0, terminal_width() - 1);
    const std::string::size_type blanks = shown > line.size() ? shown - line.size() : 0;
    std::string drawn = "\r";
    drawn += line;
    drawn.append(blanks, ' ');
    drawn += '\r';
    put(drawn);
    shown = line.size();
}

void clear_terminal_line() {
    if (shown == 0) {
        return;
    }
    // Carriage returns around as many blanks as the line had.
    std::string blank(shown + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    put(blank);
    shown = 0;
}

bool terminal_line_shown() {
    return shown > 0;
}
