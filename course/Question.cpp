#include "course/Question.h"

#include <utility>

const std::string* CQuestion::GetAnswerText(int i) const
{
    if (IsTrueFalse())
    {
        if (i == 0)
            return &kTrueText;
        if (i == 1)
            return &kFalseText;
        return nullptr;
    }
    if (i < 0 || i >= static_cast<int>(m_answers.size()))
        return nullptr;
    return &m_answers[static_cast<std::size_t>(i)];
}

int CQuestion::GetAnswerCount() const
{
    return IsTrueFalse() ? 2 : static_cast<int>(m_answers.size());
}

bool CQuestion::AddAnswer(std::string text)
{
    if (m_answers.size() >= kMaxAnswers)
        return false;
    m_answers.push_back(std::move(text));
    return true;
}

bool CQuestion::SetAnswer(int i)
{
    m_nAnswer = i;
    return true;
}

bool CQuestion::SetCorrect(int i)
{
    // Counted against the stored answers, so a true/false question only ever
    // takes 0 here; its truth value moves the index instead.
    if (i != 0 && !(i > 0 && i < static_cast<int>(m_answers.size())))
        return false;
    m_nCorrect = i;
    return true;
}

bool CQuestion::SetFlagged(bool flagged)
{
    m_bFlagged = flagged;
    return true;
}

bool CQuestion::SetHint(std::string hint)
{
    m_strHint = std::move(hint);
    return true;
}

bool CQuestion::SetText(std::string text)
{
    m_strText = std::move(text);
    return true;
}

bool CQuestion::SetTopic(std::string topic)
{
    m_strTopic = std::move(topic);
    return true;
}

bool CQuestion::SetTrueFalse(bool trueFalse)
{
    m_bTrueFalse = trueFalse;
    return true;
}

bool CQuestion::SetTrue(bool value)
{
    m_bTrue = value;
    m_nCorrect = value ? 0 : 1;
    return true;
}

bool CQuestion::SetNumber(int number)
{
    m_nNumber = number;
    return true;
}

const std::string* CQuestion::GetNote(int i) const
{
    if (i < 0 || i >= kNoteSlots || !m_pszNote[static_cast<std::size_t>(i)])
        return nullptr;
    return &*m_pszNote[static_cast<std::size_t>(i)];
}

bool CQuestion::SetNote(int i, std::optional<std::string> note)
{
    if (i < 0 || i >= kNoteSlots)
        return false;
    m_pszNote[static_cast<std::size_t>(i)] = std::move(note);
    return true;
}

std::unique_ptr<CQuestion> CQuestion::CloneBase() const
{
    auto copy = std::make_unique<CQuestion>();
    copy->m_strText = m_strText;
    copy->m_strHint = m_strHint;
    copy->m_strTopic = m_strTopic;
    copy->m_bTrueFalse = m_bTrueFalse;
    return copy;
}

std::unique_ptr<CQuestion> CQuestion::Clone() const
{
    auto copy = CloneBase();
    // A statement's note goes along too: the review shows it.
    copy->m_pszNote = m_pszNote;
    if (IsTrueFalse())
    {
        copy->SetTrue(m_bTrue);
        return copy;
    }
    copy->m_answers = m_answers;
    copy->m_nCorrect = m_nCorrect;
    return copy;
}

std::unique_ptr<CQuestion> CQuestion::CloneShuffled(CRandom& random) const
{
    if (IsTrueFalse())
        return Clone();

    // Answer i goes to a free slot found by probing forward from a random
    // start; fewer than j slots before j are free, so the probe stays in range.
    const int count = static_cast<int>(m_answers.size());
    std::array<int, kMaxAnswers> slotSource;
    slotSource.fill(-1);
    int remaining = count;
    for (int i = 0; i < count; ++i)
    {
        int j = (random.Next() % 61) % remaining;
        while (slotSource[static_cast<std::size_t>(j)] != -1)
            ++j;
        slotSource[static_cast<std::size_t>(j)] = i;
        --remaining;
    }

    auto copy = CloneBase();
    for (int k = 0; k < count; ++k)
    {
        const auto source = static_cast<std::size_t>(slotSource[static_cast<std::size_t>(k)]);
        copy->m_answers.push_back(m_answers[source]);
        copy->m_pszNote[static_cast<std::size_t>(k)] = m_pszNote[source];
        if (static_cast<int>(source) == m_nCorrect)
            copy->m_nCorrect = k;
    }
    // Only the first four answers are shown: a right answer shuffled past
    // them changes places with one of them. Questions of four answers or
    // fewer draw no further number, so their draws stay as they were.
    if (copy->m_nCorrect >= kShownAnswers)
    {
        const auto shown = static_cast<std::size_t>(random.Next() % kShownAnswers);
        const auto right = static_cast<std::size_t>(copy->m_nCorrect);
        std::swap(copy->m_answers[shown], copy->m_answers[right]);
        std::swap(copy->m_pszNote[shown], copy->m_pszNote[right]);
        copy->m_nCorrect = static_cast<int>(shown);
    }
    return copy;
}
