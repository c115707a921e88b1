// The signals that end a run: SIGINT and SIGQUIT (Ctrl-C, Ctrl-\), SIGTERM, and SIGHUP (a closed
// terminal or a dropped session). While a command runs, and for the whole of a write, they are
// held: noted when they arrive and acted on once the command is done, so that the tool never ends
// while a command it started goes on (writing the device, or a file the run has already removed),
// and a write that stops always says where.
#pragma once

// Holds the signals for its lifetime; scopes nest. When the outermost scope ends, a signal noted
// meanwhile ends the run (stop_interrupted). A signal the tool was started to ignore (a
// background job's SIGINT) stays ignored.
class interrupts_held {
  public:
    interrupts_held();
    ~interrupts_held();
    interrupts_held(const interrupts_held&) = delete;
    interrupts_held& operator=(const interrupts_held&) = delete;
};

// In a child process before it runs a command that must not be cut. The child becomes a process
// group of its own, which a terminal's Ctrl-C, Ctrl-\ or hang-up (sent to the foreground group,
// the tool's) and a signal to the tool's group do not reach: the utility catches SIGINT itself,
// whatever it inherits. The signals that end a run are also ignored and blocked there (a shell
// clears a blocked mask as it starts; an ignored signal stays ignored through it), and so are
// SIGTTOU and SIGTTIN, which would stop a background group that uses the terminal.
// Async-signal-safe.
void shield_from_interrupts();

// While the signals are held, the first that arrives also closes `file` (-1: none), so that a
// blocking call on it about to begin (a lock wait) fails at once instead of waiting for a second
// signal. Set it, then stop_if_interrupted, then block: no signal can slip in between.
void close_on_interrupt(int file);

// The signal noted while held; 0 for none.
int pending_interrupt();

// Ends the run by the signal noted while held (stop_interrupted), if there is one.
void stop_if_interrupted();

// What an interrupt removes before the run ends (the files layer's temporary files); one at most.
void set_interrupt_cleanup(void (*cleanup)());

// Ends the process by `signal`: runs the interrupt clean-up, says what a write under way left on
// the device (the offset where a byte write stopped; for a whole-image write, nothing written or
// the new image verified), and ends by the signal's default action, so that a calling shell
// stops too.
[[noreturn]] void stop_interrupted(int signal);
