#include "course/TestRun.h"

#include <array>
#include <utility>

namespace quillet
{
namespace
{
int CountRight(const CChapter& chapter)
{
    int right = 0;
    for (int i = 0; i < chapter.GetCount(); ++i)
        if (const CQuestion* question = chapter.GetAt(i); question && !question->IsNotCorrect())
            ++right;
    return right;
}

struct Walks
{
    CQuestion* (CChapter::*quiz)();
    CQuestion* (CCourse::*test)();
};

// By TestRun::Move.
constexpr std::array<Walks, 8> kWalks = {{
    {&CChapter::Next, &CCourse::Next},
    {&CChapter::Previous, &CCourse::Previous},
    {&CChapter::NextFlagged, &CCourse::NextFlagged},
    {&CChapter::PreviousFlagged, &CCourse::PreviousFlagged},
    {&CChapter::NextUnanswered, &CCourse::NextUnanswered},
    {&CChapter::PreviousUnanswered, &CCourse::PreviousUnanswered},
    {&CChapter::NextNotCorrect, &CCourse::NextNotCorrect},
    {&CChapter::PreviousNotCorrect, &CCourse::PreviousNotCorrect},
}};
}

std::vector<SectionScore> SectionScores(const CCourse& test)
{
    std::vector<SectionScore> sections;
    for (int c = 0; c < test.GetCount(); ++c)
        if (const CChapter* chapter = test.GetAt(c))
            sections.push_back({chapter->GetName(), CountRight(*chapter), chapter->GetCount()});
    return sections;
}

TestRun::TestRun(std::unique_ptr<CCourse> bank, TestKind kind, int chapter)
    : m_pBank(std::move(bank)), m_kind(kind), m_nChapter(chapter)
{
    if (m_kind == TestKind::Quiz)
        m_pSourceChapter = m_pBank->GetAt(chapter - 1);
}

std::unique_ptr<TestRun> TestRun::DrawTest(std::unique_ptr<CCourse> bank, bool preTest, CRandom& random)
{
    if (!bank)
        return nullptr;
    std::unique_ptr<TestRun> run(
        new TestRun(std::move(bank), preTest ? TestKind::PreTest : TestKind::Test, 0));
    run->Draw(random);
    return run;
}

std::unique_ptr<TestRun> TestRun::DrawQuiz(std::unique_ptr<CCourse> bank, int chapter, CRandom& random)
{
    if (!bank || !bank->GetAt(chapter - 1))
        return nullptr;
    std::unique_ptr<TestRun> run(new TestRun(std::move(bank), TestKind::Quiz, chapter));
    run->Draw(random);
    return run;
}

void TestRun::Draw(CRandom& random)
{
    m_pCurrent = nullptr;
    if (m_kind == TestKind::Quiz)
        m_pQuiz = m_pSourceChapter->Draw(kQuizSize, random);
    else
        m_pTest = m_pBank->DrawTest(kTestSize, m_kind == TestKind::PreTest ? 1 : 0, random);
}

const std::string& TestRun::GetChapterName() const
{
    static const std::string kNone;
    return m_pQuiz ? m_pQuiz->GetName() : kNone;
}

CQuestion* TestRun::Begin()
{
    m_pCurrent = m_pQuiz ? m_pQuiz->First() : m_pTest ? m_pTest->First() : nullptr;
    return m_pCurrent;
}

CQuestion* TestRun::BeginReview()
{
    if (Begin() && !m_pCurrent->IsNotCorrect())
        m_pCurrent = m_pQuiz ? m_pQuiz->NextNotCorrect() : m_pTest->NextNotCorrect();
    return m_pCurrent;
}

CQuestion* TestRun::Walk(ChapterWalk quizWalk, CourseWalk testWalk)
{
    if (m_pQuiz)
    {
        m_nSavedQuizPosition = m_pQuiz->GetPosition();
        return (m_pQuiz.get()->*quizWalk)();
    }
    if (m_pTest)
    {
        m_nSavedTestChapter = m_pTest->GetPosition();
        const CChapter* chapter = m_pTest->GetAt(m_nSavedTestChapter);
        m_nSavedChapterPosition = chapter ? chapter->GetPosition() : 0;
        return (m_pTest.get()->*testWalk)();
    }
    return m_pCurrent;
}

bool TestRun::Go(Move move, bool restoreWhenNone)
{
    const Walks& walks = kWalks[static_cast<std::size_t>(move)];
    m_pCurrent = Walk(walks.quiz, walks.test);
    const bool found = m_pCurrent != nullptr;
    if (!found && restoreWhenNone)
        RestorePosition();
    return found;
}

void TestRun::RestorePosition()
{
    if (m_pQuiz)
    {
        m_pQuiz->SetPosition(m_nSavedQuizPosition);
        m_pCurrent = m_pQuiz->GetCurrent();
    }
    else if (m_pTest)
    {
        m_pTest->SetPosition(m_nSavedTestChapter);
        if (CChapter* chapter = m_pTest->GetAt(m_nSavedTestChapter))
            chapter->SetPosition(m_nSavedChapterPosition);
        m_pCurrent = m_pTest->GetCurrent();
    }
}

void TestRun::ChooseAnswer(int i)
{
    if (m_pCurrent)
        m_pCurrent->SetAnswer(m_pCurrent->GetAnswer() == i ? -1 : i);
}

void TestRun::ToggleFlag()
{
    if (m_pCurrent)
        m_pCurrent->SetFlagged(!m_pCurrent->IsFlagged());
}

int TestRun::GetAnsweredCount() const
{
    return m_pQuiz ? m_pQuiz->GetAnsweredCount() : m_pTest ? m_pTest->GetAnsweredCount() : 0;
}

int TestRun::GetQuestionCount() const
{
    return m_pQuiz ? m_pQuiz->GetCount() : m_pTest ? m_pTest->GetQuestionCount() : 0;
}

Score TestRun::GetScore() const
{
    Score score;
    for (const CQuestion* question : GetQuestions())
    {
        ++score.total;
        if (!question->IsNotCorrect())
            ++score.right;
    }
    return score;
}

std::vector<const CQuestion*> TestRun::GetQuestions() const
{
    std::vector<const CQuestion*> questions;
    const auto add = [&questions](const CChapter& chapter)
    {
        for (int i = 0; i < chapter.GetCount(); ++i)
            questions.push_back(chapter.GetAt(i));
    };
    if (m_pQuiz)
        add(*m_pQuiz);
    else if (m_pTest)
        for (int c = 0; c < m_pTest->GetCount(); ++c)
            add(*m_pTest->GetAt(c));
    return questions;
}

void TestRun::Retake(CRandom& random)
{
    Draw(random);
    m_bResultPending = false;
    Begin();
}

void TestRun::Restore(std::vector<std::unique_ptr<CChapter>> sections)
{
    m_pCurrent = nullptr;
    m_bResultPending = false;
    if (m_kind == TestKind::Quiz)
    {
        m_pQuiz = sections.empty() ? std::make_unique<CChapter>() : std::move(sections.front());
        return;
    }
    m_pTest = std::make_unique<CCourse>();
    for (auto& section : sections)
        m_pTest->Add(std::move(section));
}

bool TestRun::GoTo(int index)
{
    if (index < 0 || !Begin())
        return false;
    for (int i = 0; i < index; ++i)
        if (!Go(Move::Next))
            return false;
    return true;
}

int TestRun::GetCurrentIndex() const
{
    const std::vector<const CQuestion*> questions = GetQuestions();
    for (std::size_t i = 0; i < questions.size(); ++i)
        if (questions[i] == m_pCurrent)
            return static_cast<int>(i);
    return -1;
}
}
