#include "course/TestSession.h"

#include <algorithm>

namespace quillet
{
namespace
{
// Questions the page has answer buttons for.
constexpr int kAnswerButtons = 4;
// Seconds of the clock between two journals while nothing is clicked.
constexpr int kJournalTicks = 30;

// The author's note on answer i. A statement keeps its one note where its
// second answer would be; it goes with the right answer.
std::string NoteOf(const CQuestion& question, int i)
{
    if (i < 0 || (question.IsTrueFalse() && i != question.GetCorrect()))
        return {};
    const std::string* note = question.GetNote(question.IsTrueFalse() ? 1 : i);
    return note ? *note : std::string();
}

// "Question 7", "Questions 3 and 7", or past two, which the prompt has no
// room to list, "5 questions".
std::string Questions(const std::vector<int>& numbers)
{
    if (numbers.size() == 1)
        return "Question " + std::to_string(numbers[0]);
    if (numbers.size() == 2)
        return "Questions " + std::to_string(numbers[0]) + " and " + std::to_string(numbers[1]);
    return std::to_string(numbers.size()) + " questions";
}

std::string NotesOf(const CQuestion& question)
{
    const int right = question.GetCorrect();
    if (question.IsTrueFalse())
    {
        const std::string note = NoteOf(question, right);
        return note.empty() ? note : "Why: " + note;
    }
    std::string notes;
    const int chosen = question.GetAnswer();
    if (const std::string note = NoteOf(question, chosen); !note.empty() && chosen != right)
        notes = "Your answer: " + note;
    if (const std::string note = NoteOf(question, right); !note.empty())
        notes += (notes.empty() ? "" : "\n") + std::string("Right answer: ") + note;
    return notes;
}
}

TestSession::TestSession(std::unique_ptr<TestRun> run) : m_pRun(std::move(run)) {}

std::string TestSession::Caption() const
{
    if (!m_pRun)
        return "Quillet";
    const std::string& title = m_pRun->GetCourseTitle();
    switch (m_pRun->GetKind())
    {
    case TestKind::Quiz:
        return "Skillstep Quiz for " + title + ": Chapter " + std::to_string(m_pRun->GetChapter());
    case TestKind::PreTest:
        return "Pre-Test for " + title;
    case TestKind::Test:
        break;
    }
    return "Test for " + title;
}

JournalKey TestSession::GetJournalKey() const
{
    if (!m_pRun)
        return {m_strStudent, {}, TestKind::Test, 0};
    return {m_strStudent, m_pRun->GetCourseTitle(), m_pRun->GetKind(), m_pRun->GetChapter()};
}

std::string TestSession::Restore(std::string_view journal)
{
    m_restored.reset();
    m_changes = {};
    if (!m_pRun)
        return "there is no test to put it back into";
    std::optional<Journal> parsed = ParseJournal(journal);
    if (!parsed)
        return "it does not read as one";
    if (parsed->student != m_strStudent)
        return "it is another student's";
    if (std::string why = ResumeFromJournal(*m_pRun, *parsed, m_pRun->GetBankIdentity(), &m_changes);
        !why.empty())
        return why;
    // A bank edited since may have moved the question the student was on.
    parsed->current = m_pRun->GetCurrentIndex();
    m_restored = std::move(parsed);
    return {};
}

std::string TestSession::RestoreFailedText(const std::string& why) const
{
    return "Your unfinished " + std::string(TestKindWord(GetKind())) + " could not be restored: " + why + ".";
}

std::string TestSession::ContinueTitle() const
{
    return "Continue Unfinished " + std::string(TestKindWord(GetKind())) + "?";
}

std::string TestSession::ContinueQuestion() const
{
    if (!m_restored)
        return {};
    if (m_changes.Any())
    {
        // In place of the time and the count, which the prompt has no room
        // for besides.
        std::string told;
        if (const auto& changed = m_changes.changed; !changed.empty())
            told = Questions(changed) + (changed.size() == 1
                                             ? " has changed since: its answer was cleared. "
                                             : " have changed since: their answers were cleared. ");
        if (const auto& leftOut = m_changes.leftOut; !leftOut.empty())
            told +=
                Questions(leftOut) + (leftOut.size() == 1 ? " is no longer in the bank and is left out. "
                                                          : " are no longer in the bank and are left out. ");
        return told + "Continue the " + TestKindWord(GetKind()) + "? Cancel starts a new one.";
    }
    std::string when = FormatLocalTime(m_restored->saved, "%d %B, %H:%M");
    if (!when.empty() && when.front() == '0')
        when.erase(0, 1);
    return "You have an unfinished " + std::string(TestKindWord(GetKind())) + " from " + when + ", with " +
           std::to_string(m_restored->Answered()) + " of " + std::to_string(m_restored->entries.size()) +
           " questions answered. Continue it? Cancel starts a new " + TestKindWord(GetKind()) +
           " and drops the unfinished one.";
}

void TestSession::DropRestored()
{
    m_restored.reset();
    m_changes = {};
    m_bJournalStarted = false;
    if (m_pRun)
        m_pRun->Retake();
}

void TestSession::Begin(TimeStamp now)
{
    if (!m_pRun || !m_pRun->Begin())
    {
        m_phase = Phase::NoQuestions;
        return;
    }
    m_phase = Phase::Answering;
    if (!m_restored)
    {
        m_pRun->Start(now);
        return;
    }
    m_pRun->GoTo(m_restored->current);
    m_pRun->Start(now - m_restored->elapsed);
    m_bJournalStarted = true;
    m_restored.reset();
    m_changes = {};
}

TestSession::Step TestSession::Walk(TestRun::Move move, bool restoreWhenNone, Step whenNone)
{
    const CQuestion* before = GetCurrent();
    if (!m_pRun->Go(move, restoreWhenNone))
        return whenNone;
    return GetCurrent() != before ? Step::Moved : Step::Stayed;
}

TestSession::Step TestSession::Next()
{
    if (m_phase == Phase::Answering)
        return Walk(TestRun::Move::Next, true, Step::AskGrade);
    if (m_phase == Phase::Review)
        return Walk(TestRun::Move::NextNotCorrect, true, Step::AskReturn);
    return Step::Stayed;
}

TestSession::Step TestSession::Previous()
{
    if (m_phase == Phase::Answering)
        return Walk(TestRun::Move::Previous, true, Step::Stayed);
    // Before the first wrong answer nothing is current while the student is
    // asked; Decline puts the question back.
    if (m_phase == Phase::Review)
        return Walk(TestRun::Move::PreviousNotCorrect, false, Step::AskReturn);
    return Step::Stayed;
}

TestSession::Step TestSession::Search(TestRun::Move move)
{
    if (m_phase != Phase::Answering)
        return Step::Stayed;
    return Walk(move, true, Step::Stayed);
}

void TestSession::Decline()
{
    if (IsWalking())
        m_pRun->RestorePosition();
}

void TestSession::Grade(TimeStamp now)
{
    if (m_phase != Phase::Answering)
        return;
    m_pRun->Stop(now);
    m_pRun->Grade();
    m_phase = Phase::Results;
}

bool TestSession::Review()
{
    if (m_phase != Phase::Results || !m_pRun->BeginReview())
        return false;
    m_phase = Phase::Review;
    return true;
}

std::string TestSession::ReviewRefusal() const
{
    return m_phase == Phase::Results ? kNothingToReview : std::string();
}

bool TestSession::LeaveReview()
{
    if (m_phase != Phase::Review)
        return false;
    m_phase = Phase::Results;
    return true;
}

void TestSession::Retake(TimeStamp now)
{
    if (m_phase != Phase::Results)
        return;
    m_pRun->Retake();
    m_bJournalStarted = false;
    if (!m_pRun->GetCurrent())
        return;
    m_phase = Phase::Answering;
    m_pRun->Start(now);
}

bool TestSession::ChooseAnswer(int i)
{
    if (m_phase != Phase::Answering || !GetCurrent())
        return false;
    m_pRun->ChooseAnswer(i);
    return true;
}

bool TestSession::ToggleFlag()
{
    if (m_phase != Phase::Answering || !GetCurrent())
        return false;
    m_pRun->ToggleFlag();
    return true;
}

bool TestSession::OffersHint() const
{
    return m_pRun && m_pRun->IsQuiz() && m_phase == Phase::Answering;
}

bool TestSession::OffersPlayTopic() const
{
    return m_phase == Phase::Review && GetKind() != TestKind::PreTest;
}

bool TestSession::OffersCompareNational() const
{
    return m_phase == Phase::Results && m_pRun && GetKind() == TestKind::Test;
}

bool TestSession::OffersCertificate() const
{
    return m_phase == Phase::Results && m_pRun && EarnsCertificate(GetKind(), GetPercent());
}

int TestSession::AnswersShown() const
{
    const CQuestion* current = GetCurrent();
    return current ? std::min(current->GetAnswerCount(), kAnswerButtons) : 0;
}

Score TestSession::GetScore() const
{
    return m_pRun ? m_pRun->GetScore() : Score();
}

int TestSession::GetPercent() const
{
    const Score score = GetScore();
    return Percent(score.right, score.total);
}

quillet::Grade TestSession::GetGrade() const
{
    return GradeFor(GetPercent());
}

std::string TestSession::GradingQuestion() const
{
    const int answered = m_pRun ? m_pRun->GetAnsweredCount() : 0;
    const int total = m_pRun ? m_pRun->GetQuestionCount() : 0;
    const std::string kind = TestKindWord(GetKind());
    if (answered == total)
        return "All questions answered.\nGrade " + kind + "?";
    const int open = total - answered;
    return std::to_string(open) + (open == 1 ? " question" : " questions") + " unanswered!\nGrade " + kind +
           " anyway?";
}

std::string TestSession::AnswerNote(int i) const
{
    const CQuestion* current = GetCurrent();
    // As the notes box shows them: the chosen answer's and the right one's.
    if (m_phase != Phase::Review || !current || i >= AnswersShown() ||
        (i != current->GetAnswer() && i != current->GetCorrect()))
        return {};
    return NoteOf(*current, i);
}

std::string TestSession::ReviewNotes() const
{
    const CQuestion* current = GetCurrent();
    return m_phase == Phase::Review && current ? NotesOf(*current) : std::string();
}

std::vector<ReviewItem> TestSession::ReviewItems() const
{
    std::vector<ReviewItem> items;
    if (m_phase != Phase::Results && m_phase != Phase::Review)
        return items;
    int number = 0;
    for (const CQuestion* question : m_pRun->GetQuestions())
    {
        ++number;
        if (!question->IsNotCorrect())
            continue;
        const std::string* chosen = question->GetAnswerText(question->GetAnswer());
        const std::string* right = question->GetAnswerText(question->GetCorrect());
        items.push_back({number, question->GetText(), chosen ? *chosen : std::string(),
                         right ? *right : std::string(), NotesOf(*question)});
    }
    return items;
}

std::string TestSession::ResultsCourseLine() const
{
    if (!m_pRun)
        return {};
    return m_pRun->IsQuiz() ? m_pRun->GetCourseTitle() + ":" : m_pRun->GetCourseTitle();
}

std::string TestSession::ResultsHeading() const
{
    if (m_pRun && m_pRun->IsQuiz())
        return "Ch. " + std::to_string(m_pRun->GetChapter()) + " Quiz Results";
    return std::string(TestKindWord(GetKind())) + " Results";
}

void TestSession::MarkRecorded()
{
    if (m_pRun)
        m_pRun->MarkRecorded();
}

std::optional<std::string> TestSession::JournalText(TimeStamp now)
{
    m_nTicksSinceJournal = 0;
    if (m_phase != Phase::Answering || (!m_bJournalStarted && m_pRun->GetAnsweredCount() == 0))
        return std::nullopt;
    m_bJournalStarted = true;
    return ComposeJournal(*m_pRun, m_strStudent, m_pRun->GetBankIdentity(), now - m_pRun->GetStartTime(),
                          now);
}

bool TestSession::Tick()
{
    return m_phase == Phase::Answering && ++m_nTicksSinceJournal >= kJournalTicks;
}
}
