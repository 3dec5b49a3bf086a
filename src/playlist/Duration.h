#pragma once

#include <cstdint>
#include <string>

// "%2d:%02d:%02d" of hours (modulo 24), minutes and seconds: one minute is
// " 0:01:00", and 25 hours wrap to " 1:00:00".
std::string FormatDuration(uint64_t ms);

// Milliseconds of "h:m:s", "m:s" (with optional ".fff" or ",fff"), -1 when the
// text has no ':'. Numbers that do not fit saturate instead of overflowing.
int64_t ParseDuration(const std::string& text);

// atoi as the file formats use it (leading blanks, a sign, leading digits), but
// saturating at the int32 range instead of overflowing.
int32_t ParseLeadingInt(const char* begin, const char* end);
