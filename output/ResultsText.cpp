#include "output/ResultsText.h"

#include "course/Grading.h"
#include "output/WebAddress.h"
#include "platform/TimeText.h"

#include <cstdio>
#include <filesystem>

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
}

namespace quillet
{
const char* ResultKindWord(const CResultEntry& result)
{
    return TestKindWord(result.m_kind);
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
    std::optional<WebAddress> address = WebAddress::Parse(pageAddress);
    if (!address)
        return {};
    address->AddQueryItem("TN", "\"" + result.m_strTitle + "\"");
    address->AddQueryItem("TQ", std::to_string(result.m_nTotal));
    address->AddQueryItem("CQ", std::to_string(result.m_nRight));
    address->AddQueryItem("HT", FormatSpan(result.m_spanTaken, "%H"));
    address->AddQueryItem("MT", FormatSpan(result.m_spanTaken, "%M"));
    address->AddQueryItem("ST", FormatSpan(result.m_spanTaken, "%S"));
    return address->Text();
}

std::string SavedFileText(const std::string& path)
{
    const std::filesystem::path file(path);
    return "the file " + file.filename().string() + " in the folder " + file.parent_path().string();
}

std::string PdfSavedText(const std::string& path)
{
    return "The print-out is saved as " + SavedFileText(path) + ".";
}
}
