#include "records/PendingResults.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "course/Complement.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "records/RecordFile.h"

namespace quillet
{
namespace
{
// The roster of a pending file; empty when there is none, null when it
// cannot be read or does not read as one.
std::unique_ptr<CStudentRoster> ReadPlace(const PendingResults::Place& place)
{
    std::string stored;
    const FileStatus read =
        place.own ? ReadOwnFile(place.path, stored)
                  : (MayFollow(place.path) ? ReadRegularFile(place.path, stored) : FileStatus::Failed(""));
    if (read.missing)
        return std::make_unique<CStudentRoster>();
    if (!read)
        return nullptr;
    return CRecordFile::FromStored(std::move(stored));
}

// Writes a pending file of record text, or removes it when nothing is left.
FileStatus WritePlace(const PendingResults::Place& place, const std::string& text)
{
    if (text.empty())
        return RemoveFile(place.path);
    return ReplaceFile(place.path, Complemented(text), place.own);
}

// The record text of one student, so that rosters may be joined as texts,
// names held twice and all.
std::string RecordTextOf(const std::string& name, const std::string& password,
                         const std::vector<const CResultEntry*>& results)
{
    CStudentRoster one;
    one.AddStudent(name, password);
    if (CStudentRecord* copy = one.GetStudent(0))
        for (const CResultEntry* result : results)
            copy->m_results.push_back(std::make_unique<CResultEntry>(*result));
    return one.ComposeRecordText();
}

std::vector<const CResultEntry*> ResultsOf(const CStudentRecord& student)
{
    std::vector<const CResultEntry*> results;
    results.reserve(student.m_results.size());
    for (const auto& result : student.m_results)
        results.push_back(result.get());
    return results;
}
}

// One pending file as read for a delivery, and what becomes of its
// entries under the student's name.
struct PendingResults::Delivery::Kept
{
    const Place* place = nullptr;
    std::unique_ptr<CStudentRoster> roster;
    enum class Fate
    {
        Others,
        Aside,
        Accepted,
    };
    // For each student of the file; empty until the results are sorted.
    std::vector<Fate> fate;
};

PendingResults::PendingResults(std::vector<Place> places, Place refused, int lockTimeoutMs)
    : m_places(std::move(places)), m_refused(std::move(refused)), m_nLockTimeoutMs(lockTimeoutMs)
{
}

PendingResults::Known PendingResults::LoginOf(const Student& student) const
{
    Known known;
    for (const Place& place : m_places)
    {
        const std::unique_ptr<CStudentRoster> pending = ReadPlace(place);
        for (int i = 0; pending && i < pending->GetStudentCount(); ++i)
        {
            const CStudentRecord& kept = *pending->GetStudent(i);
            if (kept.m_strName != student.name)
                continue;
            if (!CStudentRoster::PasswordMatches(kept.m_strPassword, student.password))
            {
                if (known.error == StoreError::NotHeld)
                    known.error = StoreError::WrongPassword;
                continue;
            }
            known.error = StoreError::None;
            for (const auto& result : kept.m_results)
                known.results.push_back(*result);
        }
    }
    if (known.error != StoreError::None)
        known.results.clear();
    return known;
}

StoreStatus PendingResults::Keep(const Student& student, const CResultEntry& result,
                                 std::string& keptIn) const
{
    StoreStatus status = StoreStatus::Failed("there is no place to keep it");
    for (const Place& place : m_places)
    {
        MakeDirectories(ParentFolder(place.path));
        FileLock lock;
        if (const FileStatus locked = lock.Take(place.lockPath, true, m_nLockTimeoutMs); !locked)
        {
            status = StoreStatus::Failed(locked.reason);
            continue;
        }
        std::unique_ptr<CStudentRoster> pending = ReadPlace(place);
        if (!pending)
        {
            status = StoreStatus::Failed(place.path + " does not read as a file of results");
            continue;
        }
        // The same name and password share one entry; the same name under
        // another password is an entry of its own.
        CStudentRecord* same = nullptr;
        for (int i = 0; i < pending->GetStudentCount() && !same; ++i)
        {
            CStudentRecord* kept = pending->GetStudent(i);
            const bool his = kept->m_strName == student.name;
            if (his && CStudentRoster::PasswordMatches(kept->m_strPassword, student.password))
                same = kept;
        }
        std::string text;
        if (same)
        {
            same->m_results.push_back(std::make_unique<CResultEntry>(result));
            text = pending->ComposeRecordText();
        }
        else
            text = pending->ComposeRecordText() + RecordTextOf(student.name, student.password, {&result});
        if (const FileStatus written = WritePlace(place, text); !written)
        {
            status = StoreStatus::Failed(written.reason);
            continue;
        }
        keptIn = place.path;
        return {};
    }
    return status;
}

PendingResults::Delivery PendingResults::Take(const std::string& name, const std::string& heldLock) const
{
    Delivery delivery(*this);
    delivery.m_strName = name;
    delivery.m_strHeldLock = heldLock;
    for (const Place& place : m_places)
    {
        // Most saves find nothing pending: no lock taken for it. One kept
        // meanwhile goes with the next save.
        struct stat seen
        {
        };
        if (::lstat(place.path.c_str(), &seen) != 0 && errno == ENOENT)
            continue;
        FileLock lock;
        // A file that cannot be locked or read now keeps its results for a later save.
        if (place.lockPath != heldLock && !lock.Take(place.lockPath, true, m_nLockTimeoutMs))
            continue;
        auto kept = std::make_unique<Delivery::Kept>();
        kept->place = &place;
        kept->roster = ReadPlace(place);
        if (!kept->roster)
        {
            // Out of the way of the results kept from now on, for someone to look at.
            std::string keptAs = place.path;
            (void)RenameAside(place.path, ".unreadable", &keptAs);
            delivery.m_unreadable.push_back(keptAs);
            continue;
        }
        delivery.m_locks.push_back(std::move(lock));
        delivery.m_kept.push_back(std::move(kept));
    }
    return delivery;
}

PendingResults::Delivery::Delivery(const PendingResults& owner) : m_pOwner(&owner) {}
PendingResults::Delivery::Delivery(Delivery&&) noexcept = default;
PendingResults::Delivery& PendingResults::Delivery::operator=(Delivery&&) noexcept = default;
PendingResults::Delivery::~Delivery() = default;

std::vector<CResultEntry> PendingResults::Delivery::Accept(const std::string& held)
{
    std::vector<CResultEntry> accepted;
    for (const auto& kept : m_kept)
    {
        const CStudentRoster& roster = *kept->roster;
        kept->fate.assign(static_cast<std::size_t>(roster.GetStudentCount()), Kept::Fate::Others);
        for (int i = 0; i < roster.GetStudentCount(); ++i)
        {
            const CStudentRecord& student = *roster.GetStudent(i);
            if (student.m_strName != m_strName)
                continue;
            const bool his = CStudentRoster::PasswordMatches(held, student.m_strPassword);
            kept->fate[static_cast<std::size_t>(i)] = his ? Kept::Fate::Accepted : Kept::Fate::Aside;
            if (his)
                for (const auto& result : student.m_results)
                    accepted.push_back(*result);
        }
    }
    return accepted;
}

bool PendingResults::Delivery::AnyUnderOtherPassword() const
{
    for (const auto& kept : m_kept)
        if (std::find(kept->fate.begin(), kept->fate.end(), Kept::Fate::Aside) != kept->fate.end())
            return true;
    return false;
}

std::string PendingResults::Delivery::Finish(std::size_t delivered, const std::vector<std::size_t>& notTaken)
{
    std::string aside;
    std::size_t accepted = 0; // the place of the next accepted result
    for (const auto& kept : m_kept)
    {
        if (kept->fate.empty())
            continue; // never sorted: nothing of his was taken
        bool touched = false;
        std::string left;
        const CStudentRoster& roster = *kept->roster;
        for (int i = 0; i < roster.GetStudentCount(); ++i)
        {
            const CStudentRecord& student = *roster.GetStudent(i);
            std::vector<const CResultEntry*> results = ResultsOf(student);
            switch (kept->fate[static_cast<std::size_t>(i)])
            {
            case Kept::Fate::Aside:
                aside += RecordTextOf(student.m_strName, student.m_strPassword, results);
                touched = true;
                continue;
            case Kept::Fate::Accepted:
            {
                std::vector<const CResultEntry*> stay;
                std::vector<const CResultEntry*> refused;
                for (const CResultEntry* result : results)
                {
                    const std::size_t at = accepted++;
                    if (at >= delivered)
                        stay.push_back(result);
                    else if (std::find(notTaken.begin(), notTaken.end(), at) != notTaken.end())
                        refused.push_back(result);
                }
                if (!refused.empty())
                    aside += RecordTextOf(student.m_strName, student.m_strPassword, refused);
                results = std::move(stay);
                touched = true;
                break;
            }
            case Kept::Fate::Others:
                break;
            }
            if (!results.empty())
                left += RecordTextOf(student.m_strName, student.m_strPassword, results);
        }
        if (touched)
            WritePlace(*kept->place, left);
    }
    if (aside.empty())
        return {};
    // Kept, never merged: the teacher decides whose they are.
    const Place& refused = m_pOwner->m_refused;
    FileLock lock;
    if (refused.lockPath != m_strHeldLock)
        (void)lock.Take(refused.lockPath, true, m_pOwner->m_nLockTimeoutMs);
    const std::unique_ptr<CStudentRoster> before = ReadPlace(refused);
    WritePlace(refused, (before ? before->ComposeRecordText() : std::string()) + aside);
    return refused.path;
}
}
