// Consistency check of the built-in layout table, for when the table is edited for a new layout.
#pragma once

// Prints "Check fru info ok!" when the table holds together; otherwise prints what is wrong and
// ends the process with status 255.
void chk_fru_info();
