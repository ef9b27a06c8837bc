#include "course/Response.h"

#include <cstdio>

#include "course/TestJournal.h"

namespace quillet
{
std::string QuestionKey(const std::string& text)
{
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(HashBytes(text)));
    return key;
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
            response.answer =
                entry.order.empty() ? entry.answer : entry.order[static_cast<std::size_t>(entry.answer)];
        response.right = !drawn[i]->IsNotCorrect();
        response.flagged = entry.flagged;
        responses.push_back(std::move(response));
    }
    return responses;
}
}
