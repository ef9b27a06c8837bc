#include "records/BankKeys.h"

namespace quillet
{
namespace
{
// A chapter name may hold any byte: its length keeps it apart from the key.
std::string Lookup(const std::string& chapter, const std::string& question)
{
    return std::to_string(chapter.size()) + ':' + chapter + question;
}
}

BankKeys::BankKeys(const CCourse& bank, BankIdentity identity)
    : m_pBank(&bank), m_identity(std::move(identity))
{
    for (int c = 0; c < bank.GetCount(); ++c)
    {
        const CChapter& chapter = *bank.GetAt(c);
        for (int q = 0; q < chapter.GetCount(); ++q)
            m_questions.emplace(Lookup(chapter.GetName(), QuestionKey(chapter.GetAt(q)->GetText())),
                                chapter.GetAt(q));
    }
}

const CQuestion* BankKeys::Find(const std::string& chapter, const std::string& question) const
{
    const auto found = m_questions.find(Lookup(chapter, question));
    return found == m_questions.end() ? nullptr : found->second;
}

int BankKeys::PlaceOf(const CQuestion& question, const std::string& answerKey)
{
    for (int i = 0; i < question.GetAnswerCount(); ++i)
        if (QuestionKey(*question.GetAnswerText(i)) == answerKey)
            return i;
    return -1;
}

bool BankKeys::KeyAnswers(ResponseRecord& record) const
{
    const bool thisVersion = record.bank.size == m_identity.size && record.bank.hash == m_identity.hash;
    bool keyed = true;
    for (Response& response : record.responses)
    {
        if (response.answer < 0 || !response.answerKey.empty())
            continue;
        const CQuestion* question = thisVersion ? Find(response.chapter, response.question) : nullptr;
        const std::string* text = question ? question->GetAnswerText(response.answer) : nullptr;
        if (text)
            response.answerKey = QuestionKey(*text);
        else
            keyed = false;
    }
    return keyed;
}

Rescored BankKeys::Rescore(const ResponseRecord& record) const
{
    Rescored rescored;
    ResponseRecord keyed = record;
    if (!KeyAnswers(keyed))
    {
        rescored.outcome = Rescored::Outcome::PlaceOnly;
        return rescored;
    }
    for (Response& response : keyed.responses)
    {
        const CQuestion* question = Find(response.chapter, response.question);
        if (!question)
        {
            rescored.outcome = Rescored::Outcome::QuestionGone;
            rescored.chapter = response.chapter;
            rescored.question = response.question;
            return rescored;
        }
        if (response.answer >= 0)
        {
            const int place = PlaceOf(*question, response.answerKey);
            // The place stays the one in the version the test was drawn from.
            if (place < 0)
                ++rescored.answersGone;
            else
                response.right = place == question->GetCorrect();
        }
        else
            response.right = false;
        rescored.right += response.right ? 1 : 0;
    }
    rescored.responses = std::move(keyed.responses);
    return rescored;
}
}
