// Feeds arbitrary bytes to the journal reader, and every journal it accepts
// to the resume of a fixed run, from its own bank and from one edited since:
// nothing may crash, a resume that is accepted must compose back to a
// journal, and from its own bank to one that resumes the same way.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "course/CourseReader.h"
#include "course/TestJournal.h"

namespace
{
std::unique_ptr<CCourse> Bank()
{
    return CCourseReader::LoadText(
        "!Networks\n@One\n#Q1\n^a\n^b\n^c\n#Q2\n^a\n^b\n$T1\n^True\n@Two\n#Q3\n^x\n^y\n^z\n^w\n");
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto journal = quillet::ParseJournal(text);
    if (!journal)
        return 0;
    for (const bool quiz : {false, true})
        for (const bool edited : {false, true})
        {
            CRandom random(1);
            auto run = quiz ? quillet::TestRun::DrawQuiz(Bank(), 1, random)
                            : quillet::TestRun::DrawTest(Bank(), journal->kind == TestKind::PreTest, random);
            quillet::BankIdentity bank = journal->bank;
            bank.size += edited ? 1 : 0;
            if (!run || !quillet::ResumeFromJournal(*run, *journal, bank).empty())
                continue;
            const std::string again =
                quillet::ComposeJournal(*run, journal->student, bank, journal->elapsed, journal->saved);
            const auto reread = quillet::ParseJournal(again);
            if (!reread || static_cast<int>(reread->entries.size()) != run->GetQuestionCount())
                std::abort();
            // A journal without a current question resumes on the first one.
            const int current = journal->entries.empty() ? -1 : std::max(journal->current, 0);
            if (!edited && (reread->Answered() != journal->Answered() || reread->current != current))
                std::abort();
        }
    return 0;
}
