#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "course/Response.h"
#include "course/TestJournal.h"
#include "records/StudentRoster.h"

namespace quillet
{
// What a call on a record store came to: done, or why not, in words fit to
// follow "could not ...: ". A store may be a file on this machine or a
// server elsewhere, so any call can fail.
struct StoreStatus
{
    bool ok = true;
    std::string reason;

    explicit operator bool() const { return ok; }
    static StoreStatus Failed(std::string reason) { return {false, std::move(reason)}; }
};

// The answers behind a graded result, question by question, and the bank
// they were drawn from.
struct ResultAnswers
{
    BankIdentity bank;
    std::vector<Response> responses;
};

// A student as the program knows him: the name and password typed at login.
struct Student
{
    std::string name;
    std::string password;
};

// Where the program keeps its students, their results and the journals of
// unfinished tests. The program reads and writes them only through this.
class RecordStore
{
  public:
    virtual ~RecordStore() = default;

    // The store this machine is set to use: the record server named by
    // $QUILLET_RECORDS_DATABASE, else by Database in section [Records] of
    // Quillet's settings file; without either, the record file of the
    // record folder.
    static std::unique_ptr<RecordStore> Open();

    // Where the records are, as the student is told: "the record folder
    // /lab", "the record server school.example".
    virtual std::string Location() const = 0;
    // The sentence that tells the student the records cannot be used now.
    virtual std::string Unavailable(const std::string& reason) const = 0;

    enum class Known
    {
        No,
        Yes,
        WrongPassword,
    };
    struct Login
    {
        StoreStatus status; // failed: the store could not be read, and the student counts as unknown
        Known known = Known::No;
        std::vector<CResultEntry> results; // the student's, oldest first, when known
    };
    // Whether the store holds the student, and under this password; a
    // student whose results are only kept pending so far counts as held.
    virtual Login CheckLogin(const Student& student) = 0;

    enum class Registration
    {
        Registered,
        Taken,  // another copy of the program registered the name first
        Failed, // the status says why
    };
    struct Registering
    {
        Registration outcome = Registration::Failed;
        StoreStatus status;
    };
    virtual Registering Register(const Student& student) = 0;

    struct Saved
    {
        StoreStatus status;
        std::vector<CResultEntry> results; // the student's as the store now holds them, oldest first
        std::string setAside;      // where results kept under his name with another password were put, if any
        StoreStatus responsesKept; // whether the answers behind the result could be kept too
    };
    // Adds a graded result to the student's history, with his results kept
    // pending earlier; a student the store does not hold yet (his
    // registration could not be written) comes with it. The answers behind
    // it (none: nothing to keep) go with it, for the question statistics; a
    // result whose answers cannot be kept is saved all the same.
    virtual Saved AddResult(const Student& student, const CResultEntry& result,
                            const ResultAnswers& answers) = 0;
    // Keeps a result that could not be added, for a later AddResult to bring
    // along; `keptIn` says where.
    virtual StoreStatus KeepPending(const Student& student, const CResultEntry& result,
                                    std::string& keptIn) = 0;

    struct JournalRead
    {
        StoreStatus status;
        bool found = false;
        std::string text;
    };
    // The journal of the student's unfinished test; not found is no failure.
    // One that cannot be read, or is not this account's own, fails and is
    // left where it is.
    virtual JournalRead ReadJournal(const JournalKey& key) = 0;
    virtual StoreStatus KeepJournal(const JournalKey& key, const std::string& text) = 0;
    virtual void RemoveJournal(const JournalKey& key) = 0;
    // A journal that does not fit its test is kept aside for whoever wants to
    // look, never over one kept aside before, and never offered again.
    virtual void SetAsideJournal(const JournalKey& key) = 0;
    // Where journals are kept, for the student told that his cannot be.
    virtual std::string JournalLocation() const = 0;

  protected:
    // The student as results kept on this machine know him: his, with them,
    // where one of them carries his name and password.
    static Login LoginOfPending(const CStudentRoster& pending, const Student& student);
};
}
