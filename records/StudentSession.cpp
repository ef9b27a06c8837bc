#include "records/StudentSession.h"

#include <cctype>

namespace quillet
{
StudentSession::StudentSession(std::unique_ptr<RecordStore> store) : m_pStore(std::move(store)) {}

void StudentSession::Adopt(std::vector<CResultEntry> results)
{
    m_own = CStudentRoster();
    m_own.AddStudent(m_student.name, m_student.password);
    if (CStudentRecord* record = m_own.GetStudent(0))
        for (CResultEntry& result : results)
            record->m_results.push_back(std::make_unique<CResultEntry>(std::move(result)));
}

StudentSession::Login StudentSession::LogIn(const Student& student, const RecordPrompts& prompts)
{
    m_student = student;
    m_own = CStudentRoster();
    m_bGuest = false;
    m_pSession.reset();
    // The store as it is now: another copy may have added students since.
    RecordStore::Login login = m_pStore->LogIn(student);
    switch (login.status.error)
    {
    case StoreError::None:
        m_pSession = std::move(login.session);
        Adopt(std::move(login.results));
        return Login::Accepted;
    case StoreError::WrongPassword:
        return Login::WrongPassword;
    case StoreError::NotHeld:
        return Login::NewStudent;
    default:
        break;
    }
    // Nobody is taken for a new student, nor for anyone, unchecked.
    m_bGuest = true;
    Adopt({});
    std::string why = login.status.reason;
    if (!why.empty())
        why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    prompts.tell(why +
                 ". You take this test as a guest: your result is kept, and goes into your records once "
                 "they can be checked with your password.");
    return Login::Guest;
}

StudentSession::Registration StudentSession::Register(const std::string& confirmation,
                                                      const RecordPrompts& prompts)
{
    if (confirmation != m_student.password)
        return Registration::Mismatch;
    RecordStore::Login registered = m_pStore->Register(m_student);
    if (registered.status.error == StoreError::NameTaken)
        return Registration::Taken;
    if (registered.status.error == StoreError::WrongPassword)
        return Registration::WrongPassword;
    m_pSession = std::move(registered.session);
    if (!registered.status)
        prompts.tell("You could not be added to " + m_pStore->Place() + ": " + registered.status.reason +
                     ". You can take the test; your result is kept until it can be saved.");
    // Kept for this sitting when the store did not take him; the first
    // result saved brings him in.
    Adopt({});
    return Registration::Registered;
}

const CStudentRecord* StudentSession::GetRecord() const
{
    return m_own.GetStudent(0);
}

CResultHistory StudentSession::History(const TestRun* run) const
{
    CResultHistory history;
    history.m_pRoster = &m_own;
    history.m_strUserName = m_student.name;
    if (!run)
        return history;
    history.m_kind = run->GetKind();
    history.m_strCourseTitle = run->GetCourseTitle();
    history.m_strQuizChapter = run->GetChapterName();
    history.m_timeStart = run->GetStartTime();
    history.m_timeEnd = run->GetEndTime();
    return history;
}

bool StudentSession::SaveResult(const TestSession& session, const RecordPrompts& prompts)
{
    const Score score = session.GetScore();
    const CResultEntry result = History(session.GetRun()).MakeResult(score.right, score.total);
    const ResultAnswers answers{session.GetRun()->GetBankIdentity(), ResponsesOf(*session.GetRun())};
    // A guest's result waits for his password to be checked.
    while (m_pSession)
    {
        RecordSession::Saved saved = m_pSession->AddResult(result, answers);
        if (saved.status)
        {
            Adopt(std::move(saved.results));
            RemoveJournal(session);
            if (!saved.responsesKept)
                prompts.tell("Your answers could not be kept for the question statistics: " +
                             saved.responsesKept.reason + ". Your result is saved.");
            if (!saved.setAside.empty())
                prompts.tell("A result kept under your name with another password was not added to your "
                             "records; it is kept in " +
                             saved.setAside + " for your teacher to look at.");
            if (!saved.refusedIn.empty())
                prompts.tell("A result kept for you on this machine was refused by " + m_pStore->Place() +
                             ": " + saved.notTaken + ". It is kept in " + saved.refusedIn +
                             " for your teacher to look at.");
            for (const std::string& unreadable : saved.unreadablePending)
                prompts.tell("Results kept on this machine could not be read; the file is kept as " +
                             unreadable + " for your teacher to look at.");
            return true;
        }
        prompts.tell("Your result could not be saved in " + m_pStore->Place() + ": " + saved.status.reason +
                     ".");
        if (!prompts.ask("Result not saved!\nTry again?", {}, false))
            break;
    }
    // Kept here for the results page's commands, and by the store for its next save.
    if (CStudentRecord* record = m_own.GetStudent(0))
        record->m_results.push_back(std::make_unique<CResultEntry>(result));
    std::string keptIn;
    const StoreStatus kept = m_pStore->Pending().Keep(m_student, result, keptIn);
    prompts.tell(kept ? "Your result is kept in " + keptIn +
                            " and goes into your records with your next result that is saved."
                      : std::string(m_bGuest ? "Your result could not be kept: "
                                             : "Your result could not be "
                                               "kept either: ") +
                            kept.reason + ".");
    if (kept)
        RemoveJournal(session);
    return kept.ok();
}

bool StudentSession::OfferJournal(TestSession& session, const RecordPrompts& prompts)
{
    if (!session.GetRun() || !m_pSession)
        return false;
    const JournalKey key = session.GetJournalKey();
    const RecordSession::JournalRead read = m_pSession->ReadJournal(key);
    if (!read.found)
        return false;
    // One that cannot be read is left where it is: it may be sound.
    if (!read.status)
    {
        prompts.tell(session.RestoreFailedText(read.status.reason));
        return false;
    }
    if (const std::string why = session.Restore(read.text); !why.empty())
    {
        m_pSession->SetAsideJournal(key);
        prompts.tell(session.RestoreFailedText(why));
        return false;
    }
    if (prompts.ask(session.ContinueQuestion(), session.ContinueTitle(), true))
        return true;
    m_pSession->RemoveJournal(key);
    session.DropRestored();
    return false;
}

void StudentSession::KeepJournal(TestSession& session, TimeStamp now, const RecordPrompts& prompts)
{
    const std::optional<std::string> text = session.JournalText(now);
    if (!text || !m_pSession)
        return;
    const StoreStatus kept = m_pSession->KeepJournal(session.GetJournalKey(), *text);
    if (!kept && !m_bJournalProblemTold)
    {
        m_bJournalProblemTold = true;
        prompts.tell("Your answers cannot be kept for a restart in " + m_pSession->JournalPlace() + ": " +
                     kept.reason + ". The test goes on.");
    }
}

void StudentSession::RemoveJournal(const TestSession& session)
{
    if (session.GetRun() && m_pSession)
        m_pSession->RemoveJournal(session.GetJournalKey());
}
}
