// Feeds arbitrary bytes to the bank reader, both as plain text and as stored
// (complemented) bytes, then draws from and walks whatever loaded.
#include <cstddef>
#include <cstdint>
#include <string>

#include "course/CourseReader.h"

namespace
{
class CountingObserver : public CBankObserver
{
  public:
    void OnIgnoredLine(int line, BankLineIssue issue) override
    {
        lastLine = line;
        (void)DescribeBankLineIssue(issue);
    }
    int lastLine = 0;
};

void Exercise(CCourse& course, std::uint32_t seed)
{
    CRandom random(seed);
    for (int all = 0; all <= 1; ++all)
    {
        auto test = course.DrawTest(20, all, random);
        for (CQuestion* q = test->First(); q; q = test->Next())
            q->SetAnswer(q->GetCorrect());
        while (test->PreviousNotCorrect())
        {
        }
        test->NextUnanswered();
    }
    for (int c = 0; c < course.GetCount(); ++c)
    {
        auto quiz = course.GetAt(c)->Draw(10, random);
        for (CQuestion* q = quiz->Last(); q; q = quiz->Previous())
            (void)q->GetAnswerText(q->GetCorrect());
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CountingObserver observer;
    if (auto course = CCourseReader::LoadText(bytes, &observer))
        Exercise(*course, static_cast<std::uint32_t>(size));
    if (auto course = CCourseReader::LoadStored(bytes))
        Exercise(*course, 7);
    return 0;
}
