// The ways the tool ends early: a failure prints its message on standard output and ends with
// status 255; an interrupt ends the process by the signal itself.
#pragma once

[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Ends the process with status 255 after the caller has printed what went wrong.
[[noreturn]] void exit_failure();

// Ends the process by `signal` (SIGINT, SIGQUIT, SIGTERM, SIGHUP) with its default action, after
// writing out standard output, so that a calling shell sees an interrupted command and stops too.
[[noreturn]] void end_by_signal(int signal);

// While set, a failure asks `waiting` for an interrupt the run has put off (its signal number, or
// 0): the failure then prints its message and ends the process by that signal instead of with
// status 255, so that it still ends as an interrupted run. nullptr clears it.
void set_waiting_interrupt(int (*waiting)());

// A clean-up the early ends above run first (a failure, an interrupt): set while the run holds
// something outside the working directory that must not outlive it; nullptr clears it.
void set_early_end_cleanup(void (*cleanup)());
