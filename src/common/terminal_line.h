// One line on standard error that a long run draws over itself in place (its progress on a
// terminal). Output must never land on it: it is taken away before standard output is written out
// and before the run ends, so that the terminal afterwards shows only what the run printed.
#pragma once

#include <string>

// Draws `text` over the line shown before, cut to the terminal's width. The cursor is left at the
// line's start, so that a complaint a command prints on standard error writes over the line.
void show_terminal_line(const std::string& text);

// Blanks the line out, if one is shown.
void clear_terminal_line();

// True while a line is shown.
bool terminal_line_shown();
