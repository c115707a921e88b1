// The fifteen command words that read or write one FRU item.
#pragma once

// Reads the item named by `single_name` when `single_value` is "NULL", writes it otherwise.
// An unknown word ends the process with its message and the usage text.
void single_read_write(const char* single_name, const char* single_value);

// Prints the item's bytes as the device holds them, up to the first zero byte.
void read_single_value(int index);

// Writes the item's bytes: its text padded with zero bytes or cut to the field, the date item's
// three converted bytes as they stand.
void write_single_value(int index);
