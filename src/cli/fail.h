// The one way the tool fails: print the message on standard output and end with status 255.
#pragma once

[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Ends the process with status 255 after the caller has printed what went wrong.
[[noreturn]] void exit_failure();
