#include "course/Course.h"

#include <algorithm>
#include <numeric>

CChapter* CCourse::GetAt(int i) const
{
    if (i < 0 || i >= GetCount())
        return nullptr;
    return m_chapters[static_cast<std::size_t>(i)].get();
}

bool CCourse::Add(std::unique_ptr<CChapter>&& chapter)
{
    if (!chapter || GetCount() >= kMaxChapters)
        return false;
    m_chapters.push_back(std::move(chapter));
    return true;
}

bool CCourse::SetName(std::string name)
{
    m_strName = std::move(name);
    return true;
}

bool CCourse::SetPosition(int position)
{
    if (position < -1 || position > GetCount())
        return false;
    for (int i = 0; i < GetCount(); ++i)
    {
        CChapter& chapter = *m_chapters[static_cast<std::size_t>(i)];
        if (i < position)
            chapter.m_nPosition = chapter.GetCount();
        else if (i > position)
            chapter.m_nPosition = -1;
    }
    m_nPosition = position;
    return true;
}

int CCourse::GetAnsweredCount() const
{
    return std::accumulate(m_chapters.begin(), m_chapters.end(), 0,
                           [](int sum, const auto& c) { return sum + c->GetAnsweredCount(); });
}

int CCourse::GetQuestionCount() const
{
    return std::accumulate(m_chapters.begin(), m_chapters.end(), 0,
                           [](int sum, const auto& c) { return sum + c->GetCount(); });
}

std::unique_ptr<CCourse> CCourse::DrawTest(int n, int all, CRandom& random) const
{
    auto test = std::make_unique<CCourse>();
    const int chapters = GetCount();
    if (chapters == 0)
        return test;

    const int share = n / chapters;
    std::vector<int> available(static_cast<std::size_t>(chapters));
    std::vector<int> quota(static_cast<std::size_t>(chapters));
    int left = n;
    for (std::size_t i = 0; i < available.size(); ++i)
    {
        available[i] = all != 0 ? m_chapters[i]->GetCount() : m_chapters[i]->GetChoiceCount();
        quota[i] = std::max(0, std::min(share, available[i]));
        left -= quota[i];
    }

    // Hand out what the even share left over one question at a time, in
    // chapter order, until it is gone or a whole pass finds no room.
    bool tookAny = false;
    for (int i = 0; left > 0;)
    {
        auto& q = quota[static_cast<std::size_t>(i)];
        if (q < available[static_cast<std::size_t>(i)])
        {
            ++q;
            --left;
            tookAny = true;
        }
        i = (i + 1) % chapters;
        if (i == 0)
        {
            if (!tookAny)
                break;
            tookAny = false;
        }
    }

    int number = 1;
    for (std::size_t j = 0; j < m_chapters.size(); ++j)
    {
        auto section =
            all != 0 ? m_chapters[j]->Draw(quota[j], random) : m_chapters[j]->DrawChoice(quota[j], random);
        for (auto& question : section->m_questions)
            question->SetNumber(number++);
        test->m_chapters.push_back(std::move(section));
    }
    return test;
}

CQuestion* CCourse::GetCurrent() const
{
    const CChapter* chapter = GetAt(m_nPosition);
    return chapter ? chapter->GetCurrent() : nullptr;
}

CQuestion* CCourse::First()
{
    for (int i = 0; i < GetCount(); ++i)
    {
        if (CQuestion* question = m_chapters[static_cast<std::size_t>(i)]->First())
        {
            SetPosition(i);
            return question;
        }
    }
    SetPosition(-1);
    return nullptr;
}

CQuestion* CCourse::Last()
{
    for (int i = GetCount() - 1; i >= 0; --i)
    {
        if (CQuestion* question = m_chapters[static_cast<std::size_t>(i)]->Last())
        {
            SetPosition(i);
            return question;
        }
    }
    SetPosition(-1);
    return nullptr;
}

// Asks the current chapter, then each following one from its parked start,
// until one answers; running off the end leaves the position past the last.
CQuestion* CCourse::StepForward(ChapterQuery query)
{
    CQuestion* found = nullptr;
    while (m_nPosition < GetCount() && !found)
    {
        found = (m_chapters[static_cast<std::size_t>(m_nPosition)].get()->*query)();
        if (!found)
            ++m_nPosition;
    }
    return found;
}

CQuestion* CCourse::StepBackward(ChapterQuery query)
{
    CQuestion* found = nullptr;
    while (m_nPosition >= 0 && !found)
    {
        found = (m_chapters[static_cast<std::size_t>(m_nPosition)].get()->*query)();
        if (!found)
            --m_nPosition;
    }
    return found;
}

CQuestion* CCourse::Next()
{
    if (m_nPosition == -1)
        return First();
    if (m_nPosition >= GetCount())
        return nullptr;
    return StepForward(&CChapter::Next);
}

CQuestion* CCourse::Previous()
{
    if (m_nPosition == -1)
        return nullptr;
    if (m_nPosition >= GetCount())
        return Last();
    return StepBackward(&CChapter::Previous);
}

CQuestion* CCourse::SearchForward(ChapterQuery query, Predicate matches)
{
    if (m_nPosition >= GetCount())
        return nullptr;
    if (m_nPosition == -1)
    {
        CQuestion* first = First();
        if (!first || matches(*first))
            return first;
    }
    return StepForward(query);
}

CQuestion* CCourse::SearchBackward(ChapterQuery query, Predicate matches)
{
    if (m_nPosition == -1)
        return nullptr;
    if (m_nPosition >= GetCount())
    {
        CQuestion* last = Last();
        if (!last || matches(*last))
            return last;
    }
    return StepBackward(query);
}

CQuestion* CCourse::NextFlagged()
{
    return SearchForward(&CChapter::NextFlagged, quillet::IsFlaggedQuestion);
}

CQuestion* CCourse::PreviousFlagged()
{
    return SearchBackward(&CChapter::PreviousFlagged, quillet::IsFlaggedQuestion);
}

CQuestion* CCourse::NextUnanswered()
{
    return SearchForward(&CChapter::NextUnanswered, quillet::IsUnansweredQuestion);
}

CQuestion* CCourse::PreviousUnanswered()
{
    return SearchBackward(&CChapter::PreviousUnanswered, quillet::IsUnansweredQuestion);
}

CQuestion* CCourse::NextNotCorrect()
{
    return SearchForward(&CChapter::NextNotCorrect, quillet::IsNotCorrectQuestion);
}

CQuestion* CCourse::PreviousNotCorrect()
{
    return SearchBackward(&CChapter::PreviousNotCorrect, quillet::IsNotCorrectQuestion);
}
