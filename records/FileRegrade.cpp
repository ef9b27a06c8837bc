#include "records/FileRegrade.h"

namespace quillet
{
namespace
{
RegradedTest TestOf(const ResponseRecord& record, int total)
{
    return {record.student, record.kind, record.course, record.quizChapter, record.graded, total};
}

bool SameTest(const CResultEntry& result, const ResponseRecord& record)
{
    return result.m_kind == record.kind && result.m_strTitle == record.course &&
           result.m_strChapter == record.quizChapter && result.m_timeGraded == record.graded;
}
}

bool FileRegrade::Apply(const BankKeys& bank, const std::vector<BankKeys>& earlier, TimeStamp now,
                        CStudentRoster& roster, std::vector<ResponseRecord>& records, RegradeReport& report)
{
    const std::string& course = bank.Bank().GetName();
    bool answersChanged = false;
    // A result is matched once: two kept tests of one second go to two results.
    std::vector<std::vector<bool>> matched(static_cast<std::size_t>(roster.GetStudentCount()));
    for (ResponseRecord& record : records)
    {
        if (record.course != course)
            continue;
        const int student = roster.FindStudent(record.student);
        CResultEntry* result = nullptr;
        if (student >= 0)
        {
            std::vector<bool>& taken = matched[static_cast<std::size_t>(student)];
            taken.resize(static_cast<std::size_t>(roster.GetResultCount(student)));
            for (int i = 0; i < roster.GetResultCount(student) && !result; ++i)
                if (!taken[static_cast<std::size_t>(i)] && SameTest(*roster.GetResult(student, i), record))
                {
                    taken[static_cast<std::size_t>(i)] = true;
                    result = roster.GetResult(student, i);
                }
        }
        if (!result)
        {
            report.left.push_back({TestOf(record, static_cast<int>(record.responses.size())),
                                   RegradeReport::Left::Reason::NoResult,
                                   "its result is not in the record file"});
            continue;
        }
        Rescored rescored;
        if (const auto right = Judge(bank, earlier, TestOf(record, result->m_nTotal), result->m_nRight,
                                     record, rescored, report))
        {
            result->m_regrades.push_back({now, result->m_nRight});
            result->m_nRight = *right;
        }
        if (rescored.outcome == Rescored::Outcome::Scored && rescored.responses != record.responses)
        {
            record.responses = rescored.responses;
            answersChanged = true;
        }
    }
    for (int s = 0; s < roster.GetStudentCount(); ++s)
    {
        const std::vector<bool>& taken = matched[static_cast<std::size_t>(s)];
        for (int i = 0; i < roster.GetResultCount(s); ++i)
            if (roster.GetResult(s, i)->m_strTitle == course &&
                (static_cast<std::size_t>(i) >= taken.size() || !taken[static_cast<std::size_t>(i)]))
                ++report.withoutAnswers;
    }
    return answersChanged;
}

StoreStatus FileRegrade::Run(const BankKeys& bank, const std::vector<BankKeys>& earlier, bool dryRun,
                             TimeStamp now, RegradeReport& report)
{
    const CResponseFile answers = CResponseFile::Beside(m_file.GetPath());
    std::vector<ResponseRecord> records;
    int unreadable = 0;
    if (dryRun)
    {
        CRecordFile::Reading read = m_file.Read();
        if (!read.status)
            return StoreStatus::Failed("cannot read " + m_file.GetPath() + ": " + read.status.reason);
        if (const FileStatus kept = answers.Read(records, &unreadable); !kept)
            return StoreStatus::Failed("cannot read " + answers.GetPath() + ": " + kept.reason);
        Apply(bank, earlier, now, *read.roster, records, report);
        return {};
    }
    // Read under the record file's lock, so that no result saved meanwhile is lost from either file.
    // Nothing to change leaves the files untouched.
    constexpr const char* kUnchanged = "nothing changes";
    bool unchanged = false;
    bool answersChanged = false;
    FileStatus rewritten;
    UpdateOptions options;
    options.written = [&]
    {
        if (!answersChanged)
            return;
        std::string text;
        for (const ResponseRecord& record : records)
            text += CResponseFile::Compose(record);
        rewritten = answers.Replace(text);
    };
    const FileStatus updated = m_file.Update(
        [&](CStudentRoster& roster) -> std::string
        {
            if (const FileStatus kept = answers.Read(records, &unreadable); !kept)
                return "cannot read " + answers.GetPath() + ": " + kept.reason;
            // Parts that do not read would be lost by a rewrite.
            if (unreadable > 0)
                return answers.GetPath() + " has " + std::to_string(unreadable) +
                       " parts that do not read; nothing was regraded";
            answersChanged = Apply(bank, earlier, now, roster, records, report);
            if (report.changed.empty() && !answersChanged)
                unchanged = true;
            return unchanged ? std::string(kUnchanged) : std::string();
        },
        nullptr, options);
    if (unchanged)
        return {};
    if (!updated)
    {
        report = {};
        return StoreStatus::Failed(updated.reason);
    }
    if (!rewritten)
        return StoreStatus::Failed(
            "the scores were regraded, but the marks of their answers could not be written to " +
            answers.GetPath() + " (" + rewritten.reason + "); run the regrade again to write them");
    return {};
}
}
