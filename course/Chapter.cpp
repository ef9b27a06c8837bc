#include "course/Chapter.h"

#include <algorithm>
#include <array>

namespace quillet
{
bool IsFlaggedQuestion(const CQuestion& question)
{
    return question.IsFlagged();
}

bool IsUnansweredQuestion(const CQuestion& question)
{
    return !question.IsAnswered();
}

bool IsNotCorrectQuestion(const CQuestion& question)
{
    return question.IsNotCorrect();
}
}

CQuestion* CChapter::GetAt(int i) const
{
    if (i < 0 || i >= GetCount())
        return nullptr;
    return m_questions[static_cast<std::size_t>(i)].get();
}

bool CChapter::Add(std::unique_ptr<CQuestion>&& question)
{
    if (!question || GetCount() >= kMaxQuestions)
        return false;
    m_questions.push_back(std::move(question));
    return true;
}

bool CChapter::SetName(std::string name)
{
    m_strName = std::move(name);
    return true;
}

bool CChapter::SetPosition(int position)
{
    if (position < -1 || position > GetCount())
        return false;
    m_nPosition = position;
    return true;
}

int CChapter::GetAnsweredCount() const
{
    return static_cast<int>(
        std::count_if(m_questions.begin(), m_questions.end(), [](const auto& q) { return q->IsAnswered(); }));
}

int CChapter::GetChoiceCount() const
{
    return static_cast<int>(std::count_if(m_questions.begin(), m_questions.end(),
                                          [](const auto& q) { return !q->IsTrueFalse(); }));
}

std::unique_ptr<CChapter> CChapter::CloneChoiceQuestions() const
{
    auto copy = std::make_unique<CChapter>();
    copy->m_strName = m_strName;
    for (const auto& question : m_questions)
    {
        if (!question->IsTrueFalse())
            copy->m_questions.push_back(question->Clone());
    }
    return copy;
}

std::unique_ptr<CChapter> CChapter::DrawFrom(const std::vector<const CQuestion*>& pool, int n,
                                             CRandom& random) const
{
    auto section = std::make_unique<CChapter>();
    section->m_strName = m_strName;

    const int total = static_cast<int>(pool.size());
    const int want = std::min(n, total);
    std::array<bool, kMaxQuestions> taken{};
    int remaining = total;
    for (int i = 0; i < want; ++i)
    {
        // Probing forward from j always lands below total: fewer than j free
        // positions lie before j.
        int j = (random.Next() % 211) % remaining;
        while (taken[static_cast<std::size_t>(j)])
            ++j;
        taken[static_cast<std::size_t>(j)] = true;
        --remaining;

        auto copy = pool[static_cast<std::size_t>(j)]->CloneShuffled(random);
        copy->SetNumber(i + 1);
        section->m_questions.push_back(std::move(copy));
    }
    return section;
}

std::unique_ptr<CChapter> CChapter::Draw(int n, CRandom& random) const
{
    std::vector<const CQuestion*> pool;
    pool.reserve(m_questions.size());
    for (const auto& question : m_questions)
        pool.push_back(question.get());
    return DrawFrom(pool, n, random);
}

// Draws as Draw would from CloneChoiceQuestions(), without copying every
// question first: a shuffled copy of a plain copy equals a shuffled copy of
// the original, and the random numbers are taken in the same order.
std::unique_ptr<CChapter> CChapter::DrawChoice(int n, CRandom& random) const
{
    std::vector<const CQuestion*> pool;
    pool.reserve(m_questions.size());
    for (const auto& question : m_questions)
    {
        if (!question->IsTrueFalse())
            pool.push_back(question.get());
    }
    return DrawFrom(pool, n, random);
}

CQuestion* CChapter::GetCurrent() const
{
    return GetAt(m_nPosition);
}

CQuestion* CChapter::First()
{
    m_nPosition = GetCount() > 0 ? 0 : -1;
    return GetAt(m_nPosition);
}

CQuestion* CChapter::Last()
{
    m_nPosition = GetCount() > 0 ? GetCount() - 1 : -1;
    return GetAt(m_nPosition);
}

CQuestion* CChapter::Next()
{
    ++m_nPosition;
    return GetAt(m_nPosition);
}

CQuestion* CChapter::Previous()
{
    --m_nPosition;
    return GetAt(m_nPosition);
}

CQuestion* CChapter::Search(int step, Predicate matches)
{
    const int count = GetCount();
    for (;;)
    {
        m_nPosition += step;
        if (step > 0 ? m_nPosition >= count : m_nPosition < 0)
            return nullptr;
        // A position parked outside the list on the far side is walked through.
        CQuestion* question = GetAt(m_nPosition);
        if (question && matches(*question))
            return question;
    }
}

CQuestion* CChapter::NextFlagged()
{
    return Search(+1, quillet::IsFlaggedQuestion);
}

CQuestion* CChapter::PreviousFlagged()
{
    return Search(-1, quillet::IsFlaggedQuestion);
}

CQuestion* CChapter::NextUnanswered()
{
    return Search(+1, quillet::IsUnansweredQuestion);
}

CQuestion* CChapter::PreviousUnanswered()
{
    return Search(-1, quillet::IsUnansweredQuestion);
}

CQuestion* CChapter::NextNotCorrect()
{
    return Search(+1, quillet::IsNotCorrectQuestion);
}

CQuestion* CChapter::PreviousNotCorrect()
{
    return Search(-1, quillet::IsNotCorrectQuestion);
}
