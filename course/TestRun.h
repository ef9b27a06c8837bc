#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "course/Course.h"
#include "course/Random.h"
#include "course/TestKind.h"
#include "platform/TimeText.h"

namespace quillet
{
// Questions in each kind of draw.
inline constexpr int kTestSize = 20;
inline constexpr int kQuizSize = 10;

struct Score
{
    int right = 0;
    int total = 0;
};

// How one section (chapter) of a drawn test went.
struct SectionScore
{
    std::string name;
    int right = 0;
    int total = 0;
};

// Which bank file a test was drawn from, as it was then.
struct BankIdentity
{
    std::string path;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;

    bool operator==(const BankIdentity&) const = default;
};

// Right answers in each section of a drawn test, in test order. An
// unanswered question is not right.
std::vector<SectionScore> SectionScores(const CCourse& test);

// One test in progress: the bank it was drawn from, the drawn Test, Pre-Test
// or chapter quiz, the question the student is on, the clock, and whether the
// graded result still has to be recorded. TestSession walks it through the
// phases of a sitting.
class TestRun
{
  public:
    // The walks over the drawn questions. The review walks visit only the
    // questions that are not right.
    enum class Move
    {
        Next,
        Previous,
        NextFlagged,
        PreviousFlagged,
        NextUnanswered,
        PreviousUnanswered,
        NextNotCorrect,
        PreviousNotCorrect,
    };

    // A Test (multiple-choice questions only) or a Pre-Test (true/false
    // statements too) drawn from the whole bank. Null without a bank.
    static std::unique_ptr<TestRun> DrawTest(std::unique_ptr<CCourse> bank, bool preTest,
                                             CRandom& random = CRandom::Global());
    // A quiz of the bank's 1-based chapter; null when the bank has no such chapter.
    static std::unique_ptr<TestRun> DrawQuiz(std::unique_ptr<CCourse> bank, int chapter,
                                             CRandom& random = CRandom::Global());

    TestKind GetKind() const { return m_kind; }
    bool IsQuiz() const { return m_kind == TestKind::Quiz; }
    const std::string& GetCourseTitle() const { return m_pBank->GetName(); }
    // The quiz's 1-based chapter and its name; 0 and "" for a test.
    int GetChapter() const { return m_nChapter; }
    const std::string& GetChapterName() const;
    const CCourse& GetBank() const { return *m_pBank; }
    // The bank file's identity, when it was read from one.
    const BankIdentity& GetBankIdentity() const { return m_bankIdentity; }
    void SetBankIdentity(BankIdentity identity) { m_bankIdentity = std::move(identity); }
    // The drawn test, for the per-section breakdown; null for a quiz.
    const CCourse* GetDrawnTest() const { return m_pTest.get(); }
    // The drawn quiz; null for a test.
    const CChapter* GetQuiz() const { return m_pQuiz.get(); }

    // The question the student is on; null before the start, when the draw
    // holds no question, or after a walk that found none and did not go back.
    CQuestion* GetCurrent() const { return m_pCurrent; }
    // Goes to the first question.
    CQuestion* Begin();
    // Goes to the first question that is not right, for the review.
    CQuestion* BeginReview();
    // Walks; a walk that finds nothing goes back to where it started unless
    // told not to. Answers whether it found a question.
    bool Go(Move move, bool restoreWhenNone = true);
    // Back to where the last walk started.
    void RestorePosition();

    // Choosing the chosen answer again takes it back.
    void ChooseAnswer(int i);
    void ToggleFlag();

    int GetAnsweredCount() const;
    int GetQuestionCount() const;
    Score GetScore() const;
    // Every drawn question in test order.
    std::vector<const CQuestion*> GetQuestions() const;

    // The clock: started as a question page opens, stopped when the student
    // confirms grading. It stops once: leaving the review forwards keeps the
    // time that was graded and recorded.
    void Start(TimeStamp now)
    {
        m_timeStart = now;
        m_bStopped = false;
    }
    void Stop(TimeStamp now)
    {
        if (m_bStopped)
            return;
        m_timeEnd = now;
        m_bStopped = true;
    }
    TimeStamp GetStartTime() const { return m_timeStart; }
    TimeStamp GetEndTime() const { return m_timeEnd; }
    TimeSpan GetTimeTaken() const { return m_timeEnd - m_timeStart; }

    // Grading leaves the result to be recorded once.
    void Grade() { m_bResultPending = true; }
    bool IsResultPending() const { return m_bResultPending; }
    void MarkRecorded() { m_bResultPending = false; }

    // A new draw of the same kind and size from the same source; the answers
    // and the grading state start afresh and the first question is current.
    void Retake(CRandom& random = CRandom::Global());

    // Puts back a drawn test: its sections in order (for a test one per bank
    // chapter, for a quiz one), their questions in test order. No question
    // is current afterwards.
    void Restore(std::vector<std::unique_ptr<CChapter>> sections);
    // Makes the index-th question in test order current; false when there is none.
    bool GoTo(int index);
    // The current question's index in test order, or -1.
    int GetCurrentIndex() const;

  private:
    TestRun(std::unique_ptr<CCourse> bank, TestKind kind, int chapter);

    using ChapterWalk = CQuestion* (CChapter::*)();
    using CourseWalk = CQuestion* (CCourse::*)();
    CQuestion* Walk(ChapterWalk quizWalk, CourseWalk testWalk);
    void Draw(CRandom& random);

    std::unique_ptr<CCourse> m_pBank;
    BankIdentity m_bankIdentity;
    TestKind m_kind;
    int m_nChapter = 0;
    CChapter* m_pSourceChapter = nullptr; // a quiz's chapter of the bank
    std::unique_ptr<CChapter> m_pQuiz;
    std::unique_ptr<CCourse> m_pTest;
    CQuestion* m_pCurrent = nullptr;

    // Where the last walk started, for RestorePosition.
    int m_nSavedQuizPosition = 0;
    int m_nSavedTestChapter = -1;
    int m_nSavedChapterPosition = 0;

    TimeStamp m_timeStart = 0;
    TimeStamp m_timeEnd = 0;
    bool m_bStopped = false;
    bool m_bResultPending = false;
};
}
