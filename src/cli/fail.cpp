#include "cli/fail.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    exit_failure();
}

void exit_failure() {
    // exit() flushes standard output, so everything printed before is kept, in order.
    std::exit(255);
}
