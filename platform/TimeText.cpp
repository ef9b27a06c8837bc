#include "platform/TimeText.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <ctime>
#include <locale.h>
#include <string_view>

namespace quillet
{
namespace
{
locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

std::string TwoDigits(std::int64_t value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}
}

std::string FormatLocalTime(TimeStamp time, const char* format)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return {};
    char buffer[256];
    const std::size_t length = strftime_l(buffer, sizeof buffer, format, &local, CLocale());
    return std::string(buffer, length);
}

std::string FormatSpan(TimeSpan span, const char* format)
{
    if (span < 0)
        span = 0;
    std::string out;
    for (const char* p = format; *p; ++p)
    {
        if (*p != '%' || p[1] == '\0')
        {
            out += *p;
            continue;
        }
        switch (*++p)
        {
        case 'D':
            out += std::to_string(span / 86400);
            break;
        case 'H':
            out += TwoDigits(span / 3600 % 24);
            break;
        case 'M':
            out += TwoDigits(span / 60 % 60);
            break;
        case 'S':
            out += TwoDigits(span % 60);
            break;
        case '%':
            out += '%';
            break;
        default:
            out += '%';
            out += *p;
        }
    }
    return out;
}

std::optional<TimeStamp> MakeLocalTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    const std::time_t t = std::mktime(&parts);
    // mktime moves the 31st of a short month on into the next: not a date.
    if (t < 0 || parts.tm_mday != day || parts.tm_mon != month - 1)
        return std::nullopt;
    return static_cast<TimeStamp>(t);
}

int AtoiField(std::string_view text, std::size_t from, std::size_t length)
{
    if (from >= text.size())
        return 0;
    const std::string_view field = text.substr(from, length);
    std::size_t i = 0;
    while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i])))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (field[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}
}
