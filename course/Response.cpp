#include "course/Response.h"

#include "course/TestJournal.h"

namespace quillet
{
std::string HashText(std::uint64_t hash)
{
    // By hand: a journal keys every drawn answer each time it is saved, and
    // snprintf made that most of the saving's work.
    std::string text(16, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, hash >>= 4)
        *digit = "0123456789abcdef"[hash & 0xf];
    return text;
}

std::string QuestionKey(const std::string& text)
{
    return HashText(HashBytes(text));
}

std::vector<std::string> AnswerKeysOf(const CQuestion& question)
{
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(question.GetAnswerCount()));
    for (int i = 0; i < question.GetAnswerCount(); ++i)
        keys.push_back(QuestionKey(*question.GetAnswerText(i)));
    return keys;
}

std::vector<Response> ResponsesOf(const TestRun& run)
{
    const auto entries = DrawnEntries(run);
    if (!entries)
        return {};
    std::vector<Response> responses;
    responses.reserve(entries->size());
    const std::vector<const CQuestion*> drawn = run.GetQuestions();
    for (std::size_t i = 0; i < entries->size() && i < drawn.size(); ++i)
    {
        const JournalEntry& entry = (*entries)[i];
        const CChapter& chapter = *run.GetBank().GetAt(entry.chapter);
        Response response;
        response.chapter = chapter.GetName();
        response.question = QuestionKey(chapter.GetAt(entry.question)->GetText());
        // A true/false statement's answers are True and False, as drawn.
        if (entry.answer >= 0)
        {
            response.answer =
                entry.order.empty() ? entry.answer : entry.order[static_cast<std::size_t>(entry.answer)];
            if (const std::string* text = chapter.GetAt(entry.question)->GetAnswerText(response.answer))
                response.answerKey = QuestionKey(*text);
        }
        response.right = !drawn[i]->IsNotCorrect();
        response.flagged = entry.flagged;
        responses.push_back(std::move(response));
    }
    return responses;
}

std::vector<AnswerKey> AnswerKeysOf(const CCourse& bank)
{
    std::vector<AnswerKey> keys;
    for (int c = 0; c < bank.GetCount(); ++c)
    {
        const CChapter& chapter = *bank.GetAt(c);
        for (int q = 0; q < chapter.GetCount(); ++q)
        {
            // A drawn question's right answer is always the bank's right one
            // (AnswerOrder), so the bank's index is what a right response holds.
            const CQuestion& question = *chapter.GetAt(q);
            keys.push_back({chapter.GetName(), QuestionKey(question.GetText()), question.GetCorrect(),
                            question.GetAnswerCount(), AnswerKeysOf(question)});
        }
    }
    return keys;
}
}
