#include "output/ResultsText.h"

#include "course/Grading.h"
#include "platform/TimeText.h"

#include <cstdio>

namespace
{
// printf of one number with a fixed field, e.g. "%2d" or "%3d".
std::string FormatNumber(const char* format, int value)
{
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, format, value);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string PadLeft(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Every byte but the unreserved ones as %XX, so that no title can end the
// value early or smuggle in a key of its own.
std::string EncodeQueryValue(const std::string& value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : value)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c))
        {
            out += ch;
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
    return out;
}

// What the page address always had done to it: blanks and double quotes
// escaped, nothing else touched.
std::string EscapeBlanksAndQuotes(const std::string& address)
{
    std::string out;
    for (const char ch : address)
    {
        if (ch == ' ')
            out += "%20";
        else if (ch == '"')
            out += "%22";
        else
            out += ch;
    }
    return out;
}
}

namespace quillet
{
const char* ResultKindWord(const CResultEntry& result)
{
    if (!result.m_bTest)
        return "Quiz";
    return result.m_bPreTest ? "Pre-Test" : "Test";
}

std::string ComparePreviousText(const std::vector<CResultEntry*>& results)
{
    std::string text = "date      time     speed        score   \n";
    for (const CResultEntry* result : results)
    {
        if (!result)
            continue;
        const std::string score =
            FormatNumber("%2d", result->m_nRight) + "/" + FormatNumber("%d", result->m_nTotal);
        text += FormatLocalTime(result->m_timeGraded, "%m/%d/%Y  %I:%M%p");
        text += "  ";
        text += FormatSpan(result->m_spanTaken, "%H:%M:%S");
        text += "  ";
        text += PadLeft(score, 4);
        text += "  ";
        text += FormatNumber("%3d", Percent(result->m_nRight, result->m_nTotal));
        text += "%\n";
    }
    return text;
}

std::string NationalAverageAddress(const CResultEntry& result, const std::string& pageAddress)
{
    std::string query = "?TN=" + EncodeQueryValue("\"" + result.m_strTitle + "\"");
    query += "&TQ=" + EncodeQueryValue(std::to_string(result.m_nTotal));
    query += "&CQ=" + EncodeQueryValue(std::to_string(result.m_nRight));
    query += "&HT=" + FormatSpan(result.m_spanTaken, "%H");
    query += "&MT=" + FormatSpan(result.m_spanTaken, "%M");
    query += "&ST=" + FormatSpan(result.m_spanTaken, "%S");
    return EscapeBlanksAndQuotes(pageAddress) + query;
}
}
