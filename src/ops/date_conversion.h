// The manufacturing date: a date text turned into the three bytes the board area stores.
#pragma once

#include <cstdint>
#include <string>

// Minutes from 1970-01-01 00:00 to 1996-01-01 00:00 UTC, the FRU date's epoch.
constexpr uint32_t min_1970_1996 = 13674240;

// Converts the date text held by the "Manufacturing Date/Time" item through the system's date
// command into minutes since 1996, stored least significant byte first in value bytes 0 to 2.
// A text the date command cannot read, or a date before 1996, ends the process before anything is
// written. A date past 2027-11-24 20:15 UTC, the last the three bytes hold, keeps the low 24 bits
// of its minutes, after a warning on standard error.
void time_analysis();

// The text placed between double quotes in the date command line: characters the shell would
// still interpret there (" $ ` \) are escaped, everything else stays as it is.
std::string quote_for_shell(const char* text);

// Seconds since 1970 as the date command printed them, to minutes since 1996 (modulo 2^32).
uint32_t minutes_since_1996(uint64_t seconds);

// A stored date's three bytes (minutes since 1996, least significant first) as UTC time in
// strftime's `format`; empty for 0 (no date).
std::string stored_date_text(const uint8_t* bytes, const char* format);
