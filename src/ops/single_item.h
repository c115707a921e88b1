// The fifteen command words that read or write one FRU item.
#pragma once

// One command word: the item it names, its area, and the display command run after a write.
struct item_command {
    const char* word;
    const char* field_name;
    const char* area;
    const char* display; // nullptr for none; a format taking FRUID, so that only that device shows
};

// The command of `word` (exact, case-sensitive); nullptr for a word that names no item.
const item_command* find_item_command(const char* word);

// Reads the command's item when `single_value` is "NULL", writes it otherwise.
void single_read_write(const item_command& command, const char* single_value);

// Prints the item's bytes as the device holds them, up to the first zero byte; on a terminal a
// byte outside 0x20 to 0x7e shows as \xHH.
void read_single_value(int index);
