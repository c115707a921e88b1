// "-w": a complete FRU image written from the built-in layout and "fruconfig.ini".
#pragma once

void initialize_fru();

// The steps of "-w" before any device command: "fruconfig.ini" and the date into the table, and
// the configured layout checked; each refusal ends the process with its message.
void read_configuration();

// Ends the process, before anything is written, when the table as configured cannot give a valid
// image: a common header whose bytes no longer add up to 0, or an info area that no longer runs
// from a "Version" item to a "Checksum" item inside the image.
void check_configured_layout();
