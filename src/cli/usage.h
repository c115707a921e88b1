// The usage text and its printer.
#pragma once

extern const char usage_text[];

void show_help();
