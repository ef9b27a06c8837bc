#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "records/StudentRoster.h"

namespace quillet
{
// How long a change waits for another copy of the program to finish its own.
inline constexpr int kRecordLockTimeoutMs = 10000;

// What merging one roster into another did.
struct MergeOutcome
{
    int students = 0;   // students added
    int results = 0;    // results added
    int duplicates = 0; // results already there, left out
    // Names held with another password; with renaming, "name -> new name".
    std::vector<std::string> conflicts;
};

// Adds the students and results of `from` to `into`: a student of the same
// name and password gets the results he lacks (in date order, an exact
// duplicate once); a new name is added whole. The same name with another
// password is a conflict: left out, or added under "name (2)" when renaming.
MergeOutcome MergeRoster(CStudentRoster& into, const CStudentRoster& from, bool renameConflicts = false);

// Names that the roster holds more than once; only the first of each logs in.
std::vector<std::string> DuplicateNames(const CStudentRoster& roster);

// What an update brings along besides its change.
struct UpdateOptions
{
    // Called once the record file is written, still under its lock: what
    // must never part from the change, as the pending results it took in.
    std::function<void()> written;
    // Appended to the responses file beside the record file once the
    // record file is written; `responsesKept` says whether it could be.
    std::string responses;
    FileStatus* responsesKept = nullptr;
};

// The record file that every copy of the program using its folder shares:
// the accounts of one machine, or a lab's machines on a network folder.
// Every change re-reads the file under an exclusive lock, adds only itself
// and writes the file back atomically, so that no copy undoes another's
// students or results. The lock is an open-file lock on "<file>.lock" beside
// it (FileLock).
class CRecordFile
{
  public:
    explicit CRecordFile(std::string path, int lockTimeoutMs = kRecordLockTimeoutMs);
    // The record file of the record folder (quillet::RecordDirectory).
    static CRecordFile Default();

    const std::string& GetPath() const { return m_strPath; }
    std::string GetFolder() const { return ParentFolder(m_strPath); }

    struct Reading
    {
        std::unique_ptr<CStudentRoster> roster; // never null when status is ok
        FileStatus status;
    };
    // The roster as the file holds it now, read under a shared lock. A
    // missing file reads as an empty roster. A file that cannot be read, is
    // not a regular file, is another user's link or does not read as a
    // record file gives no roster, and the status says why.
    Reading Read() const;

    // Applies `change` to the roster as the file holds it now and writes the
    // result. The change answers "" when it applied, else why it could not;
    // then nothing is written. `written`, when given, receives the roster as
    // written.
    using Change = std::function<std::string(CStudentRoster&)>;
    FileStatus Update(const Change& change, std::unique_ptr<CStudentRoster>* written = nullptr,
                      const UpdateOptions& options = {}) const;

    // The file of results kept pending beside the record file, guarded by
    // its lock; the account's own, for when that cannot be written; the file
    // of results put aside.
    std::string GetSharedPendingPath() const { return m_strPath + ".pending"; }
    std::string GetOwnPendingPath() const;
    std::string GetRefusedPath() const { return m_strPath + ".refused"; }
    std::string GetLockPath() const { return m_strPath + ".lock"; }

    // A roster from stored bytes, or null when they do not read as a record
    // file: the first line of the text must name a student. An empty file is
    // an empty roster.
    static std::unique_ptr<CStudentRoster> FromStored(std::string stored);

  private:
    Reading ReadLocked() const;

    std::string m_strPath;
    int m_nLockTimeoutMs;
};
}
