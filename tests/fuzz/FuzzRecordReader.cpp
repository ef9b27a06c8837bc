// Feeds arbitrary bytes to the record reader as plain text and as stored
// bytes, then writes what it read back out, both anew and as a save does,
// and reads that again: the second reading must give the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "course/Complement.h"
#include "records/ResultHistory.h"

namespace
{
void Exercise(CStudentRoster& roster)
{
    // A save keeps the lines of the students it did not touch: read again,
    // they are the same students.
    const std::string saved = roster.ComposeForSave();
    const std::string text = roster.ComposeRecordText();
    auto again = CStudentRoster::ParseRecordText(text);
    auto fromSave = CStudentRoster::ParseRecordText(saved);
    if (!again || again->ComposeRecordText() != text || !fromSave || fromSave->ComposeRecordText() != text)
        std::abort();

    CResultHistory history;
    history.m_pRoster = &roster;
    for (int s = 0; s < roster.GetStudentCount(); ++s)
    {
        history.m_strUserName = roster.GetStudent(s)->m_strName;
        // A second student of the same name is never found.
        if (roster.FindStudent(history.m_strUserName) != s)
            continue;
        for (int r = 0; r < roster.GetResultCount(s); ++r)
        {
            const CResultEntry& entry = *roster.GetResult(s, r);
            history.m_strCourseTitle = entry.m_strTitle;
            history.m_strQuizChapter = entry.m_strChapter;
            history.m_kind = entry.m_kind;
            if (!history.FindLatestResult())
                std::abort();
            (void)history.AverageScore();
            (void)history.GetPreviousResults();
        }
    }
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (auto roster = CStudentRoster::ParseRecordText(bytes))
        Exercise(*roster);
    if (auto roster = CStudentRoster::ParseRecordText(quillet::Complemented(bytes)))
        Exercise(*roster);
    return 0;
}
