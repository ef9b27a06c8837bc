#include "records/ResultHistory.h"

#include <algorithm>

#include "platform/Text.h"

namespace
{
// The same text, also when one side was kept as UTF-8 (a record server does)
// and the other as the Windows-1252 bytes of an older bank.
bool SameText(const std::string& a, const std::string& b)
{
    return a == b || quillet::TextToUtf8(a) == quillet::TextToUtf8(b);
}
}

bool CResultHistory::IsSameTest(const CResultEntry& entry) const
{
    if (!SameText(entry.m_strTitle, m_strCourseTitle))
        return false;
    // Tests and pre-tests of one course keep separate histories.
    return entry.m_kind == m_kind &&
           (m_kind != TestKind::Quiz || SameText(entry.m_strChapter, m_strQuizChapter));
}

template <typename Visit> void CResultHistory::WalkSameTest(Visit visit) const
{
    if (!m_pRoster)
        return;
    const int student = m_pRoster->FindStudent(m_strUserName);
    for (int i = m_pRoster->GetResultCount(student) - 1; i >= 0; --i)
    {
        CResultEntry* entry = m_pRoster->GetResult(student, i);
        if (IsSameTest(*entry) && !visit(entry))
            return;
    }
}

CResultEntry* CResultHistory::FindLatestResult() const
{
    CResultEntry* latest = nullptr;
    WalkSameTest(
        [&](CResultEntry* entry)
        {
            latest = entry;
            return false;
        });
    return latest;
}

int CResultHistory::CountResults() const
{
    int count = 0;
    WalkSameTest(
        [&](CResultEntry*)
        {
            ++count;
            return true;
        });
    return count;
}

int CResultHistory::AverageScore() const
{
    // Pooled over all answers, so longer tests weigh more.
    long long right = 0;
    long long total = 0;
    WalkSameTest(
        [&](CResultEntry* entry)
        {
            right += entry->m_nRight;
            total += entry->m_nTotal;
            return true;
        });
    return total > 0 ? static_cast<int>(right * 100 / total) : 0;
}

std::vector<CResultEntry*> CResultHistory::GetPreviousResults() const
{
    std::vector<CResultEntry*> results;
    WalkSameTest(
        [&](CResultEntry* entry)
        {
            results.push_back(entry);
            return results.size() < kPreviousResults;
        });
    std::reverse(results.begin(), results.end());
    return results;
}

CResultEntry CResultHistory::MakeResult(int right, int total) const
{
    CResultEntry entry;
    entry.m_kind = m_kind;
    entry.m_strTitle = m_strCourseTitle;
    if (m_kind == TestKind::Quiz)
        entry.m_strChapter = m_strQuizChapter;
    entry.m_nRight = right;
    entry.m_nTotal = total;
    entry.m_timeGraded = m_timeEnd;
    entry.m_spanTaken = m_timeEnd - m_timeStart;
    return entry;
}
