// The sitting's phases and every decision between them, for each kind of
// test, without a window.
#include <gtest/gtest.h>

#include <map>

#include "CourseBuilders.h"
#include "course/Response.h"
#include "course/TestSession.h"

namespace
{
using quillet::TestSession;
using Phase = TestSession::Phase;
using Step = TestSession::Step;

constexpr int kLast = -2; // the last question, whatever the size

// Three chapters of 12 multiple-choice and 4 true/false questions each.
std::unique_ptr<quillet::TestRun> Draw(TestKind kind, std::uint32_t seed = 7)
{
    CRandom random(seed);
    auto bank = testbank::MakeCourse({12, 12, 12}, {4, 4, 4});
    bank->SetName("Networks");
    if (kind == TestKind::Quiz)
        return quillet::TestRun::DrawQuiz(std::move(bank), 2, random);
    return quillet::TestRun::DrawTest(std::move(bank), kind == TestKind::PreTest, random);
}

int Wrong(const CQuestion& q)
{
    return (q.GetCorrect() + 1) % q.GetAnswerCount();
}

// Where the session is: the current question's index in test order, or -1.
int At(const TestSession& session)
{
    return session.GetRun()->GetCurrentIndex();
}

class Sitting : public testing::TestWithParam<TestKind>
{
  protected:
    Sitting() : m_session(Draw(GetParam()))
    {
        m_session.SetStudent("Ann");
        m_session.Begin(1000);
        m_count = m_session.GetRun()->GetQuestionCount();
    }

    // Every question right but the first, with the clock at `now`.
    void AnswerAllButTheFirstRight()
    {
        const auto questions = m_session.GetRun()->GetQuestions();
        for (int i = 0; i < m_count; ++i)
        {
            m_session.GetRun()->GoTo(i);
            ASSERT_TRUE(m_session.ChooseAnswer(i == 0 ? Wrong(*questions[0]) : questions[i]->GetCorrect()));
        }
    }

    TestSession m_session;
    int m_count = 0;
};

INSTANTIATE_TEST_SUITE_P(AllKinds, Sitting,
                         testing::Values(TestKind::Test, TestKind::PreTest, TestKind::Quiz),
                         [](const auto& info) {
                             return info.param == TestKind::PreTest ? std::string("PreTest")
                                                                    : std::string(TestKindWord(info.param));
                         });
}

TEST_P(Sitting, WalksAskAtTheirEndsAndADeclinedAskPutsThePlaceBack)
{
    AnswerAllButTheFirstRight();
    m_session.GetRun()->GoTo(0);
    const struct
    {
        const char* action;
        Step step;
        Phase phase;
        int at;
    } script[] = {
        {"previous", Step::Stayed, Phase::Answering, 0},
        {"next", Step::Moved, Phase::Answering, 1},
        {"last", Step::Moved, Phase::Answering, kLast},
        {"next", Step::AskGrade, Phase::Answering, kLast},
        {"decline", Step::Stayed, Phase::Answering, kLast},
        {"grade", Step::Stayed, Phase::Results, kLast},
        {"next", Step::Stayed, Phase::Results, kLast},
        {"review", Step::Stayed, Phase::Review, 0},
        // The only wrong answer: both walks leave the review, and only Next
        // keeps the question while it asks.
        {"next", Step::AskReturn, Phase::Review, 0},
        {"decline", Step::Stayed, Phase::Review, 0},
        {"previous", Step::AskReturn, Phase::Review, -1},
        {"decline", Step::Stayed, Phase::Review, 0},
        {"flag", Step::Stayed, Phase::Review, 0},
        {"leave", Step::Stayed, Phase::Results, 0},
        {"leave", Step::Stayed, Phase::Results, 0},
        {"retake", Step::Stayed, Phase::Answering, 0},
    };
    for (const auto& row : script)
    {
        SCOPED_TRACE(row.action);
        const std::string action = row.action;
        Step step = Step::Stayed;
        if (action == "next")
            step = m_session.Next();
        else if (action == "previous")
            step = m_session.Previous();
        else if (action == "last")
            while (At(m_session) + 1 < m_count)
                step = m_session.Next();
        else if (action == "decline")
            m_session.Decline();
        else if (action == "grade")
            m_session.Grade(1090);
        else if (action == "review")
            EXPECT_TRUE(m_session.Review());
        else if (action == "leave")
            m_session.LeaveReview();
        else if (action == "flag")
            EXPECT_FALSE(m_session.ToggleFlag()); // nothing changes in review
        else if (action == "retake")
            m_session.Retake(2000);
        EXPECT_EQ(step, row.step);
        EXPECT_EQ(m_session.GetPhase(), row.phase);
        EXPECT_EQ(At(m_session), row.at == kLast ? m_count - 1 : row.at);
    }
    // The retake is a new test with the clock started afresh.
    EXPECT_EQ(m_session.GetRun()->GetAnsweredCount(), 0);
    EXPECT_EQ(m_session.GetRun()->GetStartTime(), 2000);
    EXPECT_FALSE(m_session.IsResultPending());
}

TEST_P(Sitting, GradingStopsTheClockAndLeavesOneResultToRecord)
{
    const std::string kind = TestKindWord(GetParam());
    EXPECT_EQ(m_session.GradingQuestion(),
              std::to_string(m_count) + " questions unanswered!\nGrade " + kind + " anyway?");
    // All but one answered: the question in the singular.
    const auto questions = m_session.GetRun()->GetQuestions();
    for (int i = 1; i < m_count; ++i)
        const_cast<CQuestion*>(questions[i])->SetAnswer(0);
    EXPECT_EQ(m_session.GradingQuestion(), "1 question unanswered!\nGrade " + kind + " anyway?");
    for (const CQuestion* question : questions)
        const_cast<CQuestion*>(question)->SetAnswer(-1);
    AnswerAllButTheFirstRight();
    EXPECT_EQ(m_session.GradingQuestion(),
              std::string("All questions answered.\nGrade ") + TestKindWord(GetParam()) + "?");
    m_session.Grade(1125);
    EXPECT_EQ(m_session.GetRun()->GetTimeTaken(), 125);
    EXPECT_TRUE(m_session.IsResultPending());
    EXPECT_EQ(m_session.GetScore().right, m_count - 1);
    EXPECT_EQ(m_session.GetPercent(), (m_count - 1) * 100 / m_count);
    m_session.MarkRecorded();
    EXPECT_FALSE(m_session.IsResultPending());
    // Nothing is answered or graded again outside the questions.
    EXPECT_FALSE(m_session.ChooseAnswer(0));
    m_session.Grade(5000);
    EXPECT_EQ(m_session.GetRun()->GetTimeTaken(), 125);
}

TEST_P(Sitting, EachPageOffersWhatItsKindAllows)
{
    const TestKind kind = GetParam();
    EXPECT_EQ(m_session.OffersHint(), kind == TestKind::Quiz);
    EXPECT_FALSE(m_session.OffersCompareNational());
    EXPECT_EQ(m_session.ReviewRefusal(), ""); // no review before the grade, and nothing said
    for (const CQuestion* q : m_session.GetRun()->GetQuestions())
        const_cast<CQuestion*>(q)->SetAnswer(q->GetCorrect());
    m_session.Grade(1100);
    EXPECT_FALSE(m_session.OffersHint());
    EXPECT_EQ(m_session.OffersCompareNational(), kind == TestKind::Test);
    EXPECT_EQ(m_session.OffersCertificate(), kind == TestKind::Test);
    EXPECT_FALSE(m_session.Review()); // every answer right: nothing to review
    EXPECT_EQ(m_session.ReviewRefusal(), quillet::kNothingToReview);
    m_session.Retake(1200);
    AnswerAllButTheFirstRight();
    m_session.Grade(1300);
    ASSERT_TRUE(m_session.Review());
    EXPECT_EQ(m_session.OffersPlayTopic(), kind != TestKind::PreTest);
    EXPECT_FALSE(m_session.OffersCompareNational());
}

TEST(TestSession, CaptionAndResultsLinesNameTheKind)
{
    const struct
    {
        TestKind kind;
        const char *caption, *course, *heading;
    } cases[] = {
        {TestKind::Test, "Test for Networks", "Networks", "Test Results"},
        {TestKind::PreTest, "Pre-Test for Networks", "Networks", "Pre-Test Results"},
        {TestKind::Quiz, "Skillstep Quiz for Networks: Chapter 2", "Networks:", "Ch. 2 Quiz Results"},
    };
    for (const auto& c : cases)
    {
        const TestSession session(Draw(c.kind));
        EXPECT_EQ(session.Caption(), c.caption);
        EXPECT_EQ(session.ResultsCourseLine(), c.course);
        EXPECT_EQ(session.ResultsHeading(), c.heading);
    }
    TestSession none;
    EXPECT_EQ(none.Caption(), "Quillet");
    none.Begin(0);
    EXPECT_EQ(none.GetPhase(), Phase::NoQuestions);
}

TEST(TestSession, AQuestionShowsTwoAnswersForTrueFalseAndAtMostFour)
{
    auto bank = testbank::MakeBank({"!N", "@C", "$Statement", "^False", "#Three", "^a", "^b", "^c", "#Six",
                                    "^a", "^b", "^c", "^d", "^e", "^f", "#One", "^a"});
    CRandom random(3);
    TestSession session(quillet::TestRun::DrawQuiz(std::move(bank), 1, random));
    session.Begin(0);
    std::map<std::string, int> shown;
    do
        shown[session.GetCurrent()->GetText()] = session.AnswersShown();
    while (session.Next() == Step::Moved);
    EXPECT_EQ(shown, (std::map<std::string, int>{{"Statement", 2}, {"Three", 3}, {"Six", 4}, {"One", 1}}));
}

TEST(TestSession, TheJournalIsKeptFromTheFirstAnswerAndPutsTheTestBackWhereItWasLeft)
{
    TestSession left(Draw(TestKind::Test));
    left.SetStudent("Ann");
    left.Begin(1000);
    EXPECT_FALSE(left.JournalText(1001)); // nothing before the first answer
    ASSERT_TRUE(left.ChooseAnswer(1));
    ASSERT_EQ(left.Next(), Step::Moved);
    ASSERT_TRUE(left.ToggleFlag());
    const std::optional<std::string> text = left.JournalText(1100);
    ASSERT_TRUE(text);
    // Also while nothing is clicked: every thirty seconds of the clock.
    int ticks = 1;
    while (!left.Tick())
        ++ticks;
    EXPECT_EQ(ticks, 30);

    const struct
    {
        std::string student, journal, why;
    } cases[] = {
        {"Ann", *text, ""},
        {"Bob", *text, "it is another student's"},
        {"Ann", "garbage", "it does not read as one"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.student + " " + c.why);
        TestSession resumed(Draw(TestKind::Test, 99));
        resumed.SetStudent(c.student);
        EXPECT_EQ(resumed.Restore(c.journal), c.why);
        resumed.Begin(5000);
        EXPECT_EQ(At(resumed), c.why.empty() ? 1 : 0);
        EXPECT_EQ(resumed.GetRun()->GetStartTime(), c.why.empty() ? 5000 - 100 : 5000);
        EXPECT_EQ(resumed.GetRun()->GetAnsweredCount(), c.why.empty() ? 1 : 0);
    }
    TestSession declined(Draw(TestKind::Test, 99));
    declined.SetStudent("Ann");
    ASSERT_EQ(declined.Restore(*text), "");
    // It says what Cancel does.
    const std::string offer = declined.ContinueQuestion();
    EXPECT_NE(
        offer.find("with 1 of 20 questions answered. Continue it? Cancel starts a new Test and drops the "
                   "unfinished one."),
        std::string::npos)
        << offer;
    declined.DropRestored();
    declined.Begin(5000);
    EXPECT_EQ(declined.GetRun()->GetAnsweredCount(), 0);
    EXPECT_EQ(declined.GetRun()->GetStartTime(), 5000);
}

TEST(TestSession, TheOfferToContinueTellsWhichQuestionsABankEditedSinceChanged)
{
    TestSession left(Draw(TestKind::Test));
    left.SetStudent("Ann");
    left.Begin(1000);
    ASSERT_TRUE(left.ChooseAnswer(1));
    const std::optional<std::string> text = left.JournalText(1100);
    ASSERT_TRUE(text);
    const auto drawn = left.GetRun()->GetQuestions();
    // The journal against a bank that no longer has the texts of the
    // questions numbered, nor for those removed their chapter.
    const auto edited = [&](const std::vector<int>& changed, const std::vector<int>& removed)
    {
        std::string journal = *text;
        const std::string none(16, '0');
        for (const int n : changed)
            journal.replace(journal.find(quillet::QuestionKey(drawn[n - 1]->GetText())), 16, none);
        for (const int n : removed)
            journal.replace(journal.find(quillet::QuestionKey(drawn[n - 1]->GetText())) - 17, 33,
                            none + " " + none);
        return journal;
    };
    TestSession unedited(Draw(TestKind::Test, 99));
    unedited.SetStudent("Ann");
    ASSERT_EQ(unedited.Restore(*text), "");
    const struct
    {
        std::vector<int> changed, removed;
        std::string offer;
    } cases[] = {
        {{}, {}, unedited.ContinueQuestion()},
        {{7},
         {},
         "Question 7 has changed since: its answer was cleared. Continue the Test? Cancel starts a new one."},
        {{3, 7},
         {12},
         "Questions 3 and 7 have changed since: their answers were cleared. Question 12 is no longer in the "
         "bank "
         "and is left out. Continue the Test? Cancel starts a new one."},
        {{1, 2, 3},
         {19, 20},
         "3 questions have changed since: their answers were cleared. Questions 19 and 20 are no longer in "
         "the "
         "bank and are left out. Continue the Test? Cancel starts a new one."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.offer);
        auto run = Draw(TestKind::Test, 99);
        run->SetBankIdentity({"", 1, 1});
        TestSession resumed(std::move(run));
        resumed.SetStudent("Ann");
        ASSERT_EQ(resumed.Restore(edited(c.changed, c.removed)), "");
        EXPECT_EQ(resumed.ContinueQuestion(), c.offer);
    }
}

TEST(TestSession, ReviewShowsTheNotesOfTheChosenAndTheRightAnswer)
{
    // The bank's first answer is the right one; the draw shuffles them.
    auto bank = testbank::MakeBank({"!N",         "@C",           "#Both",
                                    "^right",     "}why right",   "^wrong",
                                    "}why wrong", "^bare",        "}not chosen, not heard",
                                    "#RightOnly", "^right",       "}why right",
                                    "^wrong",     "#None",        "^right",
                                    "^wrong",     "}why wrong",   "$Statement",
                                    "^False",     "}why false",   "#Fine",
                                    "^right",     "}never shown", "^wrong"});
    CRandom random(5);
    TestSession session(quillet::TestRun::DrawQuiz(std::move(bank), 1, random));
    session.Begin(0);
    // Every question answered "wrong" (a statement: "True"), but Fine, answered right.
    for (const CQuestion* question : session.GetRun()->GetQuestions())
    {
        auto* q = const_cast<CQuestion*>(question);
        int chosen = q->GetCorrect();
        for (int i = 0; q->GetText() != "Fine" && i < q->GetAnswerCount(); ++i)
            if (*q->GetAnswerText(i) == "wrong" || *q->GetAnswerText(i) == "True")
                chosen = i;
        q->SetAnswer(chosen);
    }
    EXPECT_EQ(session.ReviewNotes(), ""); // only in review
    session.Grade(10);
    ASSERT_TRUE(session.Review());
    std::map<std::string, std::string> notes;
    std::map<std::string, std::map<std::string, std::string>> heard; // with each answer
    do
    {
        const CQuestion& q = *session.GetCurrent();
        notes[q.GetText()] = session.ReviewNotes();
        for (int i = 0; i < session.AnswersShown(); ++i)
            if (const std::string note = session.AnswerNote(i); !note.empty())
                heard[q.GetText()][*q.GetAnswerText(i)] = note;
    } while (session.Next() == Step::Moved);
    EXPECT_EQ(notes, (std::map<std::string, std::string>{
                         {"Both", "Your answer: why wrong\nRight answer: why right"},
                         {"RightOnly", "Right answer: why right"},
                         {"None", "Your answer: why wrong"},
                         {"Statement", "Why: why false"},
                     }));
    using Heard = std::map<std::string, std::string>;
    EXPECT_EQ(heard["Both"], (Heard{{"right", "why right"}, {"wrong", "why wrong"}}));
    EXPECT_EQ(heard["None"], (Heard{{"wrong", "why wrong"}}));
    EXPECT_EQ(heard["Statement"], (Heard{{"False", "why false"}}));
    EXPECT_EQ(heard.count("Fine"), 0u);

    // The print-out lists the same questions with the same notes.
    std::map<std::string, std::string> listed;
    for (const quillet::ReviewItem& item : session.ReviewItems())
        listed[item.question] = item.chosen + "|" + item.right + "|" + item.notes;
    EXPECT_EQ(listed, (std::map<std::string, std::string>{
                          {"Both", "wrong|right|Your answer: why wrong\nRight answer: why right"},
                          {"RightOnly", "wrong|right|Right answer: why right"},
                          {"None", "wrong|right|Your answer: why wrong"},
                          {"Statement", "True|False|Why: why false"},
                      }));
}
