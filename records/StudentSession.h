#pragma once

#include <functional>
#include <memory>
#include <string>

#include "course/TestSession.h"
#include "records/RecordStore.h"
#include "records/ResultHistory.h"

namespace quillet
{
// How the student is told and asked things while his records are read and
// written: a message, and an OK/Cancel question (its title is heard, not
// drawn; a long one is wrapped).
struct RecordPrompts
{
    std::function<void(const std::string& text)> tell;
    std::function<bool(const std::string& text, const std::string& title, bool wrapped)> ask;
};

// The logged-in student's dealings with the record store: the login, the
// registration of a new student, his history, the results he is graded for
// and the journal of his unfinished test. When the store fails, the student
// is told and the test goes on: a result that cannot be saved is kept until
// it can be.
class StudentSession
{
  public:
    explicit StudentSession(std::unique_ptr<RecordStore> store);

    RecordStore& GetStore() const { return *m_pStore; }

    enum class Login
    {
        Accepted,
        WrongPassword,
        NewStudent, // the name is not known: Register with the password confirmed
        // The store cannot be read now, so the name cannot be checked: the
        // student takes the test as a guest, is offered no unfinished test,
        // and his result is kept pending under the name and password typed,
        // to go into his records once they match.
        Guest,
    };
    Login LogIn(const Student& student, const RecordPrompts& prompts);

    enum class Registration
    {
        Registered,    // also when the store could not take him: he is kept for this sitting
        Mismatch,      // the confirmation differs from the password
        Taken,         // another copy registered the name meanwhile
        WrongPassword, // the store holds the name: the password was likely mistyped
    };
    Registration Register(const std::string& confirmation, const RecordPrompts& prompts);

    // The student logged in, with his results, oldest first; null before.
    const CStudentRecord* GetRecord() const;
    // His results of the run's test.
    CResultHistory History(const TestRun* run) const;

    // Saves the run's graded result, asking to try again while the store
    // fails; a result that stays unsaved is kept pending. Once the result is
    // safe the test's journal goes. False when it could not be kept at all.
    bool SaveResult(const TestSession& session, const RecordPrompts& prompts);

    // Offers the student's unfinished test and puts it back into the session
    // when accepted; a journal that does not fit is set aside and told.
    // Answers whether the test was put back.
    bool OfferJournal(TestSession& session, const RecordPrompts& prompts);
    // Keeps the journal when the session says it is due; a journal that
    // cannot be kept is told once, and the test goes on.
    void KeepJournal(TestSession& session, TimeStamp now, const RecordPrompts& prompts);
    void RemoveJournal(const TestSession& session);

  private:
    void Adopt(std::vector<CResultEntry> results);

    // Which ends before the store it came from.
    std::unique_ptr<RecordStore> m_pStore;
    std::unique_ptr<RecordSession> m_pSession;
    Student m_student;
    CStudentRoster m_own; // the student alone, with his results
    bool m_bGuest = false;
    bool m_bJournalProblemTold = false;
};
}
