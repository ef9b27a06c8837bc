#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet
{
// Seconds since 1970-01-01 00:00 UTC, shown in local time.
using TimeStamp = std::int64_t;
// Signed seconds.
using TimeSpan = std::int64_t;

// strftime of the local time, always in the C locale (English month names,
// AM and PM) whatever locale the program runs under.
std::string FormatLocalTime(TimeStamp time, const char* format);

// A span formatted as the record file and the results texts show it: %H is
// the hours within the span's last day, %M minutes, %S seconds (two digits
// each), %D the whole days, %% a percent sign. A negative span shows as 0.
std::string FormatSpan(TimeSpan span, const char* format);

// The local date and time, daylight saving time decided for that date, or
// nothing when the parts do not name a valid local time.
std::optional<TimeStamp> MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

// atoi over at most `length` characters from `from` of text: leading blanks,
// a sign and digits; anything else reads as 0. Never overflows.
int AtoiField(std::string_view text, std::size_t from, std::size_t length = std::string_view::npos);
}
