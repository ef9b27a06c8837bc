
#include "tools/records/RecordsFormat.h"

#include "course/Grading.h"
#include "output/ResultsText.h"
#include "platform/Text.h"

namespace quillet
{
namespace
{
constexpr const char* kIsoLocalTime = "%Y-%m-%dT%H:%M:%S";

// Control characters as \xNN: C0 but tab and line feed, DEL, and the UTF-8
// of U+0080 to U+009F.
std::string EscapeControls(std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto escape = [&](unsigned char c)
    {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    };
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 =
            c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if (c1)
        {
            escape(c);
            escape(static_cast<unsigned char>(text[++i]));
        }
        else if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
            escape(c);
        else
            out += static_cast<char>(c);
    }
    return out;
}
}

void WriteResultJson(json::Writer& out, const CResultEntry& result)
{
    out.BeginObject();
    out.Key("test").Bool(result.StoredAsTest());
    out.Key("pretest").Bool(result.StoredAsPreTest());
    out.Key("title").String(result.m_strTitle);
    out.Key("chapter").String(result.m_strChapter);
    out.Key("graded").String(FormatLocalTime(result.m_timeGraded, kIsoLocalTime));
    out.Key("graded_epoch").Number(result.m_timeGraded);
    out.Key("taken").Number(result.m_spanTaken);
    out.Key("right").Number(result.m_nRight);
    out.Key("total").Number(result.m_nTotal);
    if (!result.m_regrades.empty())
    {
        // The scores a regrade replaced, oldest first.
        out.Key("regraded").BeginArray();
        for (const CRegrade& regrade : result.m_regrades)
            out.BeginObject()
                .Key("when")
                .String(FormatLocalTime(regrade.m_timeRegraded, kIsoLocalTime))
                .Key("right_before")
                .Number(regrade.m_nRight)
                .EndObject();
        out.EndArray();
    }
    out.EndObject();
}

std::string RosterToJson(const CStudentRoster& roster)
{
    json::Writer out;
    out.BeginObject().Key("students").BeginArray();
    for (int s = 0; s < roster.GetStudentCount(); ++s)
    {
        const CStudentRecord& student = *roster.GetStudent(s);
        out.BeginObject();
        out.Key("name").String(student.m_strName);
        out.Key("password").String(student.m_strPassword);
        out.Key("results").BeginArray();
        for (const auto& result : student.m_results)
            WriteResultJson(out, *result);
        out.EndArray().EndObject();
    }
    out.EndArray().EndObject();
    return out.Text();
}

std::string HistoryToJson(const CResultHistory& history)
{
    json::Writer out;
    out.BeginObject().Key("latest");
    if (const CResultEntry* latest = history.FindLatestResult())
        WriteResultJson(out, *latest);
    else
        out.Null();
    out.Key("count").Number(history.CountResults());
    out.Key("average").Number(history.AverageScore());
    const std::vector<CResultEntry*> previous = history.GetPreviousResults();
    out.Key("previous").BeginArray();
    for (const CResultEntry* result : previous)
        WriteResultJson(out, *result);
    out.EndArray();
    out.Key("table").String(ComparePreviousText(previous));
    out.EndObject();
    return out.Text();
}

const char* ResultKindKey(const CResultEntry& result)
{
    return TestKindKey(result.m_kind);
}

std::string TerminalText(std::string_view text)
{
    return EscapeControls(TextToUtf8(text));
}

std::string CsvField(std::string_view text)
{
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    std::string escaped = EscapeControls(text);
    if (!formula && escaped.find_first_of(",\"\r\n") == std::string::npos)
        return escaped;
    std::string out = formula ? "\"'" : "\"";
    for (const char c : escaped)
    {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string RosterToCsv(const CStudentRoster& roster)
{
    std::string out = "user,kind,course,chapter,graded,seconds,right,total,percent\r\n";
    for (int s = 0; s < roster.GetStudentCount(); ++s)
    {
        const CStudentRecord& student = *roster.GetStudent(s);
        for (const auto& result : student.m_results)
        {
            out += CsvField(student.m_strName) + ',' + ResultKindKey(*result) + ',' +
                   CsvField(result->m_strTitle) + ',' + CsvField(result->m_strChapter) + ',' +
                   FormatLocalTime(result->m_timeGraded, kIsoLocalTime) + ',' +
                   std::to_string(result->m_spanTaken) + ',' + std::to_string(result->m_nRight) + ',' +
                   std::to_string(result->m_nTotal) + ',' +
                   std::to_string(Percent(result->m_nRight, result->m_nTotal)) + "\r\n";
        }
    }
    return out;
}
}
