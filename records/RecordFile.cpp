#include "records/RecordFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "course/Complement.h"
#include "platform/Folders.h"
#include "records/FileLock.h"
#include "records/ResponseFile.h"

namespace quillet
{
namespace
{
// The score a result was graded with: a regraded copy of it is the same result.
int GradedRight(const CResultEntry& result)
{
    return result.m_regrades.empty() ? result.m_nRight : result.m_regrades.front().m_nRight;
}

bool SameResult(const CResultEntry& a, const CResultEntry& b)
{
    return a.m_kind == b.m_kind && a.m_bQuizMarkedPreTest == b.m_bQuizMarkedPreTest &&
           a.m_strTitle == b.m_strTitle && a.m_strChapter == b.m_strChapter &&
           a.m_timeGraded == b.m_timeGraded && a.m_spanTaken == b.m_spanTaken &&
           GradedRight(a) == GradedRight(b) && a.m_nTotal == b.m_nTotal && a.m_strDateText == b.m_strDateText;
}

// Of two copies of one result, the one regraded more often is the later.
void TakeLaterRegrade(CResultEntry& have, const CResultEntry& other)
{
    if (other.m_regrades.size() <= have.m_regrades.size())
        return;
    have.m_nRight = other.m_nRight;
    have.m_regrades = other.m_regrades;
}

struct ResultHash
{
    std::size_t operator()(const CResultEntry* result) const noexcept
    {
        std::size_t hash = std::hash<std::string>()(result->m_strTitle);
        for (const long long part :
             {static_cast<long long>(result->m_timeGraded), static_cast<long long>(GradedRight(*result)),
              static_cast<long long>(result->m_nTotal)})
            hash = hash * 31 + std::hash<long long>()(part);
        return hash;
    }
};

struct ResultsEqual
{
    bool operator()(const CResultEntry* a, const CResultEntry* b) const { return SameResult(*a, *b); }
};

// Adds to students the results they lack, an exact duplicate once. A student
// of a few results is compared result by result; one of more gets a set of
// his results, kept for the whole merge, so that a student holding thousands
// of results, or a name joined thousands of times, costs no more than its
// results. The students are put in date order once, at the end.
class ResultJoin
{
  public:
    // Answers how many results were added and how many left out.
    std::pair<int, int> Join(CStudentRecord& student, const CStudentRecord& from)
    {
        ResultSet* held = nullptr;
        if (const auto found = m_held.find(&student); found != m_held.end())
            held = &found->second;
        else if (student.m_results.size() + from.m_results.size() > kComparedOneByOne)
        {
            held = &m_held[&student];
            for (const auto& have : student.m_results)
                held->insert(have.get());
        }
        int added = 0, duplicates = 0;
        for (const auto& result : from.m_results)
        {
            CResultEntry* there = nullptr;
            if (held)
            {
                if (const auto found = held->find(result.get()); found != held->end())
                    there = const_cast<CResultEntry*>(*found); // one of the student's own
            }
            else if (const auto found =
                         std::find_if(student.m_results.begin(), student.m_results.end(),
                                      [&](const auto& have) { return SameResult(*have, *result); });
                     found != student.m_results.end())
                there = found->get();
            if (there)
            {
                TakeLaterRegrade(*there, *result);
                ++duplicates;
                continue;
            }
            student.m_results.push_back(std::make_unique<CResultEntry>(*result));
            if (held)
                held->insert(student.m_results.back().get());
            ++added;
        }
        if (added > 0)
            m_joined.push_back(&student);
        return {added, duplicates};
    }

    // Puts every student that gained results in date order, the order of
    // equal dates kept.
    void SortJoined()
    {
        std::sort(m_joined.begin(), m_joined.end(), std::less<>());
        m_joined.erase(std::unique(m_joined.begin(), m_joined.end()), m_joined.end());
        for (CStudentRecord* student : m_joined)
            std::stable_sort(student->m_results.begin(), student->m_results.end(),
                             [](const auto& a, const auto& b) { return a->m_timeGraded < b->m_timeGraded; });
        m_joined.clear();
    }

  private:
    static constexpr std::size_t kComparedOneByOne = 16;
    using ResultSet = std::unordered_set<const CResultEntry*, ResultHash, ResultsEqual>;

    std::unordered_map<const CStudentRecord*, ResultSet> m_held;
    std::vector<CStudentRecord*> m_joined;
};

// Where the students of a name held with other passwords go when renamed:
// "name (2)", "name (3)" and on, a student joining the first of them that has
// his password, else taking the first free one. Each name keeps the numbers
// it has looked at and the passwords found there, so that no number is
// looked at twice however often the name clashes.
class Renames
{
  public:
    // The renamed name and its student in `into`, or -1 when it is free.
    std::pair<std::string, int> Find(const CStudentRoster& into, const std::string& name,
                                     const std::string& password)
    {
        Taken& taken = m_taken[name];
        if (const auto found = taken.byPassword.find(password); found != taken.byPassword.end())
            return {into.GetStudent(found->second)->m_strName, found->second};
        for (;; ++taken.next)
        {
            std::string renamed = name + " (" + std::to_string(taken.next) + ")";
            const int at = into.FindStudent(renamed);
            if (at < 0)
                return {std::move(renamed), -1}; // looked at again once it is added
            const std::string& holder = into.GetStudent(at)->m_strPassword;
            taken.byPassword.try_emplace(holder, at);
            if (CStudentRoster::PasswordMatches(holder, password))
            {
                ++taken.next;
                return {std::move(renamed), at};
            }
        }
    }

  private:
    struct Taken
    {
        int next = 2;                                    // the first number not looked at
        std::unordered_map<std::string, int> byPassword; // the first student of each password
    };
    std::unordered_map<std::string, Taken> m_taken;
};

}

MergeOutcome MergeRoster(CStudentRoster& into, const CStudentRoster& from, bool renameConflicts)
{
    MergeOutcome outcome;
    ResultJoin join;
    Renames renames;
    for (int i = 0; i < from.GetStudentCount(); ++i)
    {
        const CStudentRecord& student = *from.GetStudent(i);
        std::string name = student.m_strName;
        int at = into.FindStudent(name);
        if (at >= 0 &&
            !CStudentRoster::PasswordMatches(into.GetStudent(at)->m_strPassword, student.m_strPassword))
        {
            if (!renameConflicts)
            {
                outcome.conflicts.push_back(name);
                continue;
            }
            std::tie(name, at) = renames.Find(into, student.m_strName, student.m_strPassword);
            outcome.conflicts.push_back(student.m_strName + " -> " + name);
        }
        if (at < 0)
        {
            // A name or password holding a NUL reads from a file but cannot be added.
            if (!into.AddStudent(name, student.m_strPassword))
                continue;
            at = into.GetStudentCount() - 1;
            ++outcome.students;
        }
        const auto [added, duplicates] = join.Join(*into.GetStudent(at), student);
        outcome.results += added;
        outcome.duplicates += duplicates;
    }
    join.SortJoined();
    return outcome;
}

std::vector<std::string> DuplicateNames(const CStudentRoster& roster)
{
    std::vector<std::string> names;
    std::unordered_set<std::string_view> told;
    for (int i = 0; i < roster.GetStudentCount(); ++i)
    {
        const std::string& name = roster.GetName(i);
        if (roster.FindStudent(name) != i && told.insert(name).second)
            names.push_back(name);
    }
    return names;
}

CRecordFile::CRecordFile(std::string path, int lockTimeoutMs)
    : m_strPath(std::move(path)), m_nLockTimeoutMs(lockTimeoutMs)
{
}

CRecordFile CRecordFile::Default()
{
    return CRecordFile(RecordDirectory() + "/" + kRecordFileName);
}

std::string CRecordFile::GetOwnPendingPath() const
{
    return DataFolder() + "/quillet/" + kRecordFileName + ".pending";
}

std::unique_ptr<CStudentRoster> CRecordFile::FromStored(std::string stored)
{
    if (stored.empty())
        return std::make_unique<CStudentRoster>();
    ComplementInPlace(stored);
    const auto first = stored.find_first_not_of("\r\n");
    if (first == std::string::npos || stored[first] != 'u')
        return nullptr;
    return CStudentRoster::ParseOwnedText(std::move(stored));
}

CRecordFile::Reading CRecordFile::ReadLocked() const
{
    Reading reading;
    if (FileStatus follow = MayFollow(m_strPath); !follow)
    {
        reading.status = follow;
        return reading;
    }
    std::string stored;
    reading.status = ReadRegularFile(m_strPath, stored);
    if (reading.status.missing)
    {
        reading.status = {};
        reading.roster = std::make_unique<CStudentRoster>();
        return reading;
    }
    if (!reading.status)
        return reading;
    reading.roster = FromStored(std::move(stored));
    if (!reading.roster)
        reading.status = FileStatus::Failed("it does not read as a record file");
    return reading;
}

CRecordFile::Reading CRecordFile::Read() const
{
    FileLock lock;
    if (FileStatus locked = lock.Take(GetLockPath(), false, m_nLockTimeoutMs); !locked)
        return {nullptr, locked};
    return ReadLocked();
}

FileStatus CRecordFile::Update(const Change& change, std::unique_ptr<CStudentRoster>* written,
                               const UpdateOptions& options) const
{
    const std::string folder = GetFolder();
    if (!MakeDirectories(folder))
        return FileStatus::Failed("the folder " + folder + " cannot be made: " + std::strerror(errno));
    FileLock lock;
    if (FileStatus locked = lock.Take(GetLockPath(), true, m_nLockTimeoutMs); !locked)
        return locked;
    Reading now = ReadLocked();
    if (!now.status)
        return FileStatus::Failed(now.status.reason + "; nothing was written to it");
    if (std::string refused = change(*now.roster); !refused.empty())
        return FileStatus::Failed(refused);
    // The students this change did not touch keep their bytes.
    std::string stored = now.roster->ComposeForSave();
    ComplementInPlace(stored);
    FileStatus status = ReplaceFile(m_strPath, stored);
    if (!status)
        return status;
    if (options.written)
        options.written();
    // Under the same lock as the result, so that the two never part; a
    // statistic that cannot be kept costs the student nothing.
    if (!options.responses.empty())
    {
        const FileStatus kept = CResponseFile::Beside(m_strPath).Append(options.responses);
        if (options.responsesKept)
            *options.responsesKept = kept;
    }
    if (written)
        *written = std::move(now.roster);
    return status;
}
}
