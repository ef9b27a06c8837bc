#pragma once

#include <string>
#include <vector>

#include "course/Response.h"
#include "course/TestJournal.h"
#include "records/StoreStatus.h"
#include "records/StudentRoster.h"

namespace quillet
{
// A student as the program knows him: the name and password typed at login.
struct Student
{
    std::string name;
    std::string password;
};

// The answers behind a graded result, question by question, and the bank
// they were drawn from.
struct ResultAnswers
{
    BankIdentity bank;
    std::vector<Response> responses;
};

// One student's dealings with a record store once his name and password
// are checked: every call acts for him alone. A student whose registration
// could not be written yet is registered by his first saved result.
class RecordSession
{
  public:
    virtual ~RecordSession() = default;

    struct Saved
    {
        StoreStatus status;
        std::vector<CResultEntry> results; // his as the store now holds them, oldest first
        std::string setAside; // where results kept under his name with another password were put, if any
        // Results kept for him on this machine that the store would not take
        // (why; they went to the refused file, `refusedIn`), and pending
        // files that did not read (where each is now).
        std::string notTaken;
        std::string refusedIn;
        std::vector<std::string> unreadablePending;
        StoreStatus responsesKept; // whether the answers behind the result could be kept too
    };
    // Adds a graded result to his history, with his results kept pending
    // earlier. The answers behind it (none: nothing to keep) go with it, for
    // the question statistics; a result whose answers cannot be kept is
    // saved all the same.
    virtual Saved AddResult(const CResultEntry& result, const ResultAnswers& answers) = 0;

    struct JournalRead
    {
        StoreStatus status;
        bool found = false;
        std::string text;
    };
    // The journal of his unfinished test; not found is no failure. One that
    // cannot be read, or is not this account's own, fails and is left where
    // it is.
    virtual JournalRead ReadJournal(const JournalKey& key) = 0;
    virtual StoreStatus KeepJournal(const JournalKey& key, const std::string& text) = 0;
    virtual void RemoveJournal(const JournalKey& key) = 0;
    // A journal that does not fit its test is kept aside for whoever wants to
    // look, never over one kept aside before, and never offered again.
    virtual void SetAsideJournal(const JournalKey& key) = 0;
    // Where his journals are kept, as he is told when his cannot be.
    virtual std::string JournalPlace() const = 0;
};
}
