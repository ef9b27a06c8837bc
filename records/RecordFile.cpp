#include "records/RecordFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

#include "course/Complement.h"
#include "platform/Folders.h"
#include "records/ResponseFile.h"

namespace quillet
{
namespace
{
bool SameResult(const CResultEntry& a, const CResultEntry& b)
{
    return a.m_kind == b.m_kind && a.m_bQuizMarkedPreTest == b.m_bQuizMarkedPreTest && a.m_strTitle == b.m_strTitle &&
           a.m_strChapter == b.m_strChapter && a.m_timeGraded == b.m_timeGraded &&
           a.m_spanTaken == b.m_spanTaken && a.m_nRight == b.m_nRight && a.m_nTotal == b.m_nTotal &&
           a.m_strDateText == b.m_strDateText;
}

struct ResultHash
{
    std::size_t operator()(const CResultEntry* result) const noexcept
    {
        std::size_t hash = std::hash<std::string>()(result->m_strTitle);
        for (const long long part :
             {static_cast<long long>(result->m_timeGraded), static_cast<long long>(result->m_nRight),
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
            const bool there =
                held ? held->contains(result.get())
                     : std::any_of(student.m_results.begin(), student.m_results.end(),
                                   [&](const auto& have) { return SameResult(*have, *result); });
            if (there)
            {
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

// Adds the results `student` lacks; answers how many were added and left out.
std::pair<int, int> JoinResults(CStudentRecord& student, const CStudentRecord& from)
{
    ResultJoin join;
    const auto counts = join.Join(student, from);
    join.SortJoined();
    return counts;
}

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
            if (holder == password)
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

// A roster from stored bytes, or null when they do not read as a record
// file: the first line of the text must name a student. An empty file is an
// empty roster.
std::unique_ptr<CStudentRoster> FromStored(std::string stored)
{
    if (stored.empty())
        return std::make_unique<CStudentRoster>();
    ComplementInPlace(stored);
    const auto first = stored.find_first_not_of("\r\n");
    if (first == std::string::npos || stored[first] != 'u')
        return nullptr;
    return CStudentRoster::ParseOwnedText(std::move(stored));
}

// An exclusive or shared open-file lock on a lock file, held until destroyed.
class CLock
{
  public:
    CLock() = default;
    ~CLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // closing drops the lock
    }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    // A reader that cannot create the lock file (a folder it may only read)
    // reads without it: the file is only ever replaced whole.
    FileStatus Take(const std::string& path, bool exclusive, int timeoutMs)
    {
        if (FileStatus follow = MayFollow(path); !follow)
            return FileStatus::Failed("its lock file " + path + " is a symbolic link of another user");
        const mode_t mode = IsSharedGroupFolder(ParentFolder(path)) ? 0660 : 0600;
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
        if (m_fd < 0 && !exclusive)
        {
            m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (m_fd < 0)
                return {};
        }
        if (m_fd < 0)
            return FileStatus::Failed("its lock file " + path + " cannot be made: " + std::strerror(errno));
        struct stat info
        {
        };
        if (::fstat(m_fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 0777) != mode)
            (void)::fchmod(m_fd, mode); // the umask may have taken the group's bits

        struct flock request
        {
        };
        request.l_type = exclusive ? F_WRLCK : F_RDLCK;
        request.l_whence = SEEK_SET;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int command = F_OFD_SETLK;
        for (;;)
        {
            if (::fcntl(m_fd, command, &request) == 0)
                return {};
            if (errno == EINVAL && command == F_OFD_SETLK)
            {
                command = F_SETLK; // a file system without open-file locks
                continue;
            }
            if (errno != EAGAIN && errno != EACCES && errno != EINTR)
                return FileStatus::Failed("it cannot be locked: " + std::string(std::strerror(errno)));
            if (std::chrono::steady_clock::now() >= deadline)
                return FileStatus::Failed("another copy of Quillet kept it locked for " +
                                          std::to_string(timeoutMs / 1000) + " seconds");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

  private:
    int m_fd = -1;
};

// Reads a pending file; a missing one is empty. A pending file may hold a
// name more than once, under different passwords.
std::unique_ptr<CStudentRoster> ReadPendingFile(const std::string& path)
{
    std::string stored;
    if (!MayFollow(path) || !ReadRegularFile(path, stored))
        return nullptr;
    return FromStored(stored);
}

// The record text of one student, so that rosters may be joined as texts,
// names held twice and all.
std::string RecordTextOf(const CStudentRecord& student)
{
    CStudentRoster one;
    one.AddStudent(student.m_strName, student.m_strPassword);
    if (CStudentRecord* copy = one.GetStudent(0))
        for (const auto& result : student.m_results)
            copy->m_results.push_back(std::make_unique<CResultEntry>(*result));
    return one.ComposeRecordText();
}

// Writes a pending file of record text, or removes it when nothing is left.
void WritePending(const std::string& path, const std::string& text)
{
    if (text.empty())
        ::unlink(path.c_str());
    else
        ReplaceFile(path, Complemented(text));
}

// What merging one pending file for its owner left: the others' results,
// and the owner's name kept under a password that is not his.
struct PendingMerge
{
    std::string path;
    bool read = false;
    std::string left;
    std::string aside;
};

// Adds to the roster the pending results of the owner's: those kept under
// his name and the password the record file holds for it (or, for a name it
// does not hold yet, his own). His name under another password is put
// aside; everybody else's results wait for their own student.
PendingMerge MergePending(const std::string& path, CStudentRoster& roster, const PendingOwner& owner)
{
    PendingMerge merge;
    merge.path = path;
    const std::unique_ptr<CStudentRoster> pending = ReadPendingFile(path);
    if (!pending)
        return merge;
    merge.read = true;
    for (int i = 0; i < pending->GetStudentCount(); ++i)
    {
        const CStudentRecord& student = *pending->GetStudent(i);
        if (student.m_strName != owner.name)
        {
            merge.left += RecordTextOf(student);
            continue;
        }
        const int at = roster.FindStudent(student.m_strName);
        const std::string& password = at >= 0 ? roster.GetStudent(at)->m_strPassword : owner.password;
        if (!CStudentRoster::PasswordMatches(password, student.m_strPassword))
        {
            merge.aside += RecordTextOf(student);
            continue;
        }
        if (at < 0 && !roster.AddStudent(student.m_strName, student.m_strPassword))
            continue; // a name the file cannot hold; it never reaches a pending file
        JoinResults(*roster.GetStudent(roster.FindStudent(student.m_strName)), student);
    }
    return merge;
}
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
        if (at >= 0 && into.GetStudent(at)->m_strPassword != student.m_strPassword)
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
    CLock lock;
    if (FileStatus locked = lock.Take(m_strPath + ".lock", false, m_nLockTimeoutMs); !locked)
        return {nullptr, locked};
    return ReadLocked();
}

FileStatus CRecordFile::Update(const Change& change, std::unique_ptr<CStudentRoster>* written,
                               const UpdateOptions& options) const
{
    const PendingOwner* owner = options.owner;
    const std::string folder = GetFolder();
    if (!MakeDirectories(folder))
        return FileStatus::Failed("the folder " + folder + " cannot be made: " + std::strerror(errno));
    CLock lock;
    if (FileStatus locked = lock.Take(m_strPath + ".lock", true, m_nLockTimeoutMs); !locked)
        return locked;
    Reading now = ReadLocked();
    if (!now.status)
        return FileStatus::Failed(now.status.reason + "; nothing was written to it");

    // The shared pending file is guarded by the record file's lock, the
    // user's own by its own.
    CLock ownLock;
    std::vector<PendingMerge> pending;
    if (owner)
    {
        pending.push_back(MergePending(GetSharedPendingPath(), *now.roster, *owner));
        if (ownLock.Take(GetOwnPendingPath() + ".lock", true, m_nLockTimeoutMs))
            pending.push_back(MergePending(GetOwnPendingPath(), *now.roster, *owner));
    }
    if (std::string refused = change(*now.roster); !refused.empty())
        return FileStatus::Failed(refused);
    // The students this change did not touch keep their bytes.
    std::string stored = now.roster->ComposeForSave();
    ComplementInPlace(stored);
    FileStatus status = ReplaceFile(m_strPath, stored);
    if (!status)
        return status;
    std::string aside;
    for (const PendingMerge& merge : pending)
    {
        if (merge.read)
            WritePending(merge.path, merge.left);
        aside += merge.aside;
    }
    // Kept, never merged: the teacher decides whose they are.
    if (!aside.empty())
    {
        const std::unique_ptr<CStudentRoster> before = ReadPendingFile(GetRefusedPath());
        ReplaceFile(GetRefusedPath(), Complemented((before ? before->ComposeRecordText() : "") + aside));
        if (options.setAside)
            *options.setAside = GetRefusedPath();
    }
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

CRecordFile::Reading CRecordFile::ReadPending() const
{
    Reading reading{std::make_unique<CStudentRoster>(), {}};
    std::string text;
    for (const std::string& path : {GetSharedPendingPath(), GetOwnPendingPath()})
        if (const std::unique_ptr<CStudentRoster> pending = ReadPendingFile(path))
            text += pending->ComposeRecordText();
    if (auto roster = CStudentRoster::ParseRecordText(text))
        reading.roster = std::move(roster);
    return reading;
}

FileStatus CRecordFile::KeepPending(const std::string& name, const std::string& password,
                                    const CResultEntry& result, std::string* keptIn) const
{
    FileStatus status;
    for (const std::string& path : {GetSharedPendingPath(), GetOwnPendingPath()})
    {
        const std::string folder = ParentFolder(path);
        MakeDirectories(folder);
        CLock lock;
        const std::string lockPath = path == GetSharedPendingPath() ? m_strPath + ".lock" : path + ".lock";
        if (status = lock.Take(lockPath, true, m_nLockTimeoutMs); !status)
            continue;
        std::unique_ptr<CStudentRoster> pending = ReadPendingFile(path);
        if (!pending)
            pending = std::make_unique<CStudentRoster>();
        // The same name and password share one entry; the same name under
        // another password is an entry of its own.
        CStudentRecord* same = nullptr;
        for (int i = 0; i < pending->GetStudentCount() && !same; ++i)
        {
            CStudentRecord* student = pending->GetStudent(i);
            if (student->m_strName == name && student->m_strPassword == password)
                same = student;
        }
        std::string text;
        if (same)
        {
            same->m_results.push_back(std::make_unique<CResultEntry>(result));
            text = pending->ComposeRecordText();
        }
        else
        {
            CStudentRecord added;
            added.m_strName = name;
            added.m_strPassword = password;
            added.m_results.push_back(std::make_unique<CResultEntry>(result));
            text = pending->ComposeRecordText() + RecordTextOf(added);
        }
        if (status = ReplaceFile(path, Complemented(text)); status)
        {
            if (keptIn)
                *keptIn = path;
            return status;
        }
    }
    return status;
}
}
