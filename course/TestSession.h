#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "course/Grading.h"
#include "course/TestJournal.h"
#include "course/TestRun.h"

namespace quillet
{
// The question asked at either end of the review.
inline constexpr const char* kReturnQuestion = "\nReturn to Results Page?";
// What Review says when every answer was right.
inline constexpr const char* kNothingToReview = "All answers were right: nothing to review.";

// A question not answered right, as the print-out lists it: its number in
// test order, its text, the answer chosen ("" when none) and the right one,
// and the author's notes as ReviewNotes gives them.
struct ReviewItem
{
    int number = 0;
    std::string question;
    std::string chosen;
    std::string right;
    std::string notes;
};

// One sitting at the test window: the student logs in, answers, is graded,
// reviews and retakes. It holds the phase the sitting is in and makes every
// decision between phases: what Next and Previous do, when to ask, what each
// page offers. The window shows the phase, asks what it is told to ask and
// paints; it never decides the test.
class TestSession
{
  public:
    enum class Phase
    {
        Login,
        NoQuestions, // logged in, but nothing was drawn to ask
        Answering,
        Results,
        Review, // the questions not answered right, with the right answers
    };

    // What a step did, and what the window has to ask next.
    enum class Step
    {
        Stayed,
        Moved,     // another question is current
        AskGrade,  // past the last question: GradingQuestion(), then Grade or Decline
        AskReturn, // past either end of the review: kReturnQuestion, then LeaveReview or Decline
    };

    // The run is null when no bank was loaded.
    explicit TestSession(std::unique_ptr<TestRun> run = nullptr);

    Phase GetPhase() const { return m_phase; }
    TestRun* GetRun() const { return m_pRun.get(); }
    CQuestion* GetCurrent() const { return m_pRun ? m_pRun->GetCurrent() : nullptr; }
    TestKind GetKind() const { return m_pRun ? m_pRun->GetKind() : TestKind::Test; }
    // The window's caption: "Test for ...", "Pre-Test for ...", "Skillstep
    // Quiz for ...: Chapter 3", or "Quillet" without a test.
    std::string Caption() const;

    // The student whose test this is, once logged in.
    void SetStudent(std::string student) { m_strStudent = std::move(student); }
    const std::string& GetStudent() const { return m_strStudent; }
    // The student's unfinished test of this kind, as its journal keeps it.
    JournalKey GetJournalKey() const;

    // Puts the student's unfinished test back from its journal; answers why
    // it cannot be ("" when it was). Begin then continues it where it was left.
    std::string Restore(std::string_view journal);
    // What the student is told of a journal that cannot be put back.
    std::string RestoreFailedText(const std::string& why) const;
    // The title and the question of the offer to continue a restored test;
    // the question tells that Cancel drops it for a new draw, and which
    // questions a bank edited since changed or left out.
    std::string ContinueTitle() const;
    std::string ContinueQuestion() const;
    // The restored test declined: a new draw instead.
    void DropRestored();

    // After the login: the first question (or where a restored test was
    // left, with the time already spent), else nothing to ask. The clock starts.
    void Begin(TimeStamp now);

    Step Next();
    Step Previous();
    // The flagged and unanswered searches; a search that finds nothing stays.
    Step Search(TestRun::Move move);
    // The ask was declined: back to where the walk started.
    void Decline();
    // The grading ask accepted: the clock stops and the result waits to be recorded.
    void Grade(TimeStamp now);
    // From the results to the first question not answered right; false
    // (and nothing changes) when every answer was right.
    bool Review();
    // What the student is told when Review did not start: that there is
    // nothing to review, on the results page; nothing elsewhere.
    std::string ReviewRefusal() const;
    // From the review back to the results: EXIT, or the return ask
    // accepted. False on any other page, where EXIT ends the window.
    bool LeaveReview();
    // A new draw of the same kind; the clock starts afresh.
    void Retake(TimeStamp now);

    // On a question page only; choosing the chosen answer again takes it back.
    bool ChooseAnswer(int i);
    bool ToggleFlag();

    // What the page offers.
    bool OffersHint() const;            // a quiz, while answering
    bool OffersPlayTopic() const;       // in review, never for a Pre-Test
    bool OffersCompareNational() const; // the results of a Test
    bool OffersCertificate() const;     // the results of a Test graded high enough
    int AnswersShown() const;           // of the current question: two for true/false, at most four

    Score GetScore() const;
    int GetPercent() const;
    quillet::Grade GetGrade() const;
    // "2 questions unanswered!\nGrade Test anyway?"
    std::string GradingQuestion() const;
    // In review, the author's notes on the current question: the note of
    // the answer chosen and of the right one, each on its line ("Your
    // answer: ...", "Right answer: ..."), or a statement's one note ("Why:
    // ..."). Empty when the question has none, and on any other page.
    std::string ReviewNotes() const;
    // The note of answer i as the review reads it with that answer, when it
    // is the answer chosen or the right one; else empty.
    std::string AnswerNote(int i) const;
    // Once graded, every question not answered right, in test order.
    std::vector<ReviewItem> ReviewItems() const;
    // The results page's lines: "Networks:" over "Ch. 3 Quiz Results".
    std::string ResultsCourseLine() const;
    std::string ResultsHeading() const;

    // Grading leaves the result to be recorded once.
    bool IsResultPending() const { return m_pRun && m_pRun->IsResultPending(); }
    void MarkRecorded();

    // The journal's text when it is to be kept now: on a question page, from
    // the first answer on. Nothing when it is not due.
    std::optional<std::string> JournalText(TimeStamp now);
    // A second of the clock; true when the journal is due again, so that the
    // time spent reaches it also while nothing is clicked.
    bool Tick();

  private:
    bool IsWalking() const { return m_phase == Phase::Answering || m_phase == Phase::Review; }
    Step Walk(TestRun::Move move, bool restoreWhenNone, Step whenNone);

    std::unique_ptr<TestRun> m_pRun;
    Phase m_phase = Phase::Login;
    std::string m_strStudent;
    std::optional<Journal> m_restored;
    JournalChanges m_changes; // of the restored test
    bool m_bJournalStarted = false;
    int m_nTicksSinceJournal = 0;
};
}
