#include "course/TestJournal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace quillet
{
namespace
{
constexpr std::string_view kMagic = "quillet-journal 2";
// Journals of the first format also kept each question's right answer; it is
// read past, as the bank tells it.
constexpr std::string_view kFirstMagic = "quillet-journal 1";
// The last second of the year 9999: no journal is saved later.
constexpr TimeStamp kLatestSave = 253'402'300'799;

bool SameNote(const CQuestion& a, int i, const CQuestion& b, int j)
{
    const std::string* x = a.GetNote(i);
    const std::string* y = b.GetNote(j);
    return x == y || (x && y && *x == *y);
}

// The bank index of each of the drawn question's answers, or nothing when
// the bank question is not the one drawn. Equal answers are interchangeable,
// but the drawn right answer is the bank's right one, so that the bank alone
// tells which answer is right when the test is put back.
std::optional<std::vector<int>> AnswerOrder(const CQuestion& bank, const CQuestion& drawn)
{
    if (bank.GetText() != drawn.GetText() || bank.GetHint() != drawn.GetHint() ||
        bank.GetTopic() != drawn.GetTopic() || bank.IsTrueFalse() != drawn.IsTrueFalse())
        return std::nullopt;
    if (bank.IsTrueFalse())
        return bank.GetTrue() == drawn.GetTrue() ? std::optional<std::vector<int>>(std::vector<int>())
                                                 : std::nullopt;
    const int count = bank.GetAnswerCount();
    if (drawn.GetAnswerCount() != count)
        return std::nullopt;
    const auto same = [&](int j, int k)
    { return *bank.GetAnswerText(j) == *drawn.GetAnswerText(k) && SameNote(bank, j, drawn, k); };
    const int right = drawn.GetCorrect();
    if (right < 0 || right >= count || !same(bank.GetCorrect(), right))
        return std::nullopt;
    std::vector<int> order(static_cast<std::size_t>(count), -1);
    std::vector<bool> used(static_cast<std::size_t>(count));
    order[static_cast<std::size_t>(right)] = bank.GetCorrect();
    used[static_cast<std::size_t>(bank.GetCorrect())] = true;
    for (int k = 0; k < count; ++k)
    {
        if (k == right)
            continue;
        int found = -1;
        for (int j = 0; j < count && found < 0; ++j)
            if (!used[static_cast<std::size_t>(j)] && same(j, k))
                found = j;
        if (found < 0)
            return std::nullopt;
        used[static_cast<std::size_t>(found)] = true;
        order[static_cast<std::size_t>(k)] = found;
    }
    return order;
}

std::optional<JournalEntry> EntryFor(const CChapter& bankChapter, int chapter, const CQuestion& drawn)
{
    for (int i = 0; i < bankChapter.GetCount(); ++i)
    {
        if (const auto order = AnswerOrder(*bankChapter.GetAt(i), drawn))
            return JournalEntry{chapter, i, drawn.GetAnswer(), drawn.IsFlagged(), *order};
    }
    return std::nullopt;
}

std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

template <typename Number> bool ReadNumber(std::string_view text, Number& value, int base = 10)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<TestKind> KindFromWord(std::string_view word)
{
    for (const TestKind kind : {TestKind::Test, TestKind::PreTest, TestKind::Quiz})
        if (word == TestKindWord(kind))
            return kind;
    return std::nullopt;
}

std::optional<JournalEntry> ParseEntry(std::string_view line, bool first)
{
    // q CHAPTER QUESTION ANSWER FLAG ORDER; the first format had CORRECT
    // before ANSWER.
    std::vector<std::string_view> words;
    while (!line.empty() && words.size() < 8)
    {
        const auto blank = line.find(' ');
        words.push_back(line.substr(0, blank));
        line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    }
    if (first && words.size() == 7)
        words.erase(words.begin() + 3);
    JournalEntry entry;
    int flag = 0;
    if (words.size() != 6 || words[0] != "q" || !ReadNumber(words[1], entry.chapter) ||
        !ReadNumber(words[2], entry.question) || !ReadNumber(words[3], entry.answer) ||
        !ReadNumber(words[4], flag) || (flag != 0 && flag != 1))
        return std::nullopt;
    entry.flagged = flag == 1;
    if (words[5] != "-")
    {
        std::string_view order = words[5];
        while (!order.empty())
        {
            const auto comma = order.find(',');
            int index = 0;
            if (!ReadNumber(order.substr(0, comma), index) || entry.order.size() >= CQuestion::kMaxAnswers)
                return std::nullopt;
            entry.order.push_back(index);
            order = comma == std::string_view::npos ? std::string_view() : order.substr(comma + 1);
        }
        if (entry.order.empty())
            return std::nullopt;
    }
    return entry;
}

// The drawn question the entry stands for, or why it cannot be made.
std::unique_ptr<CQuestion> Rebuild(const CQuestion& bank, const JournalEntry& entry, std::string& why)
{
    if (bank.IsTrueFalse() != entry.order.empty())
    {
        why = "a question of the journal is no longer the same in the bank";
        return nullptr;
    }
    std::unique_ptr<CQuestion> question;
    if (bank.IsTrueFalse())
        question = bank.Clone();
    else
    {
        const int count = bank.GetAnswerCount();
        std::vector<int> sorted = entry.order;
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < static_cast<int>(sorted.size()); ++k)
            if (sorted[static_cast<std::size_t>(k)] != k)
                sorted.clear();
        if (static_cast<int>(entry.order.size()) != count || sorted.empty())
        {
            why = "a question of the journal is no longer the same in the bank";
            return nullptr;
        }
        question = std::make_unique<CQuestion>();
        question->SetText(bank.GetText());
        question->SetHint(bank.GetHint());
        question->SetTopic(bank.GetTopic());
        for (int k = 0; k < count; ++k)
        {
            const int source = entry.order[static_cast<std::size_t>(k)];
            question->AddAnswer(*bank.GetAnswerText(source));
            if (const std::string* note = bank.GetNote(source))
                question->SetNote(k, *note);
        }
        // The right answer is where the bank's right answer was drawn to.
        const auto right = std::find(entry.order.begin(), entry.order.end(), bank.GetCorrect());
        question->SetCorrect(static_cast<int>(right - entry.order.begin()));
    }
    if (entry.answer < -1 || entry.answer >= question->GetAnswerCount())
    {
        why = "a question of the journal is no longer the same in the bank";
        return nullptr;
    }
    question->SetAnswer(entry.answer);
    question->SetFlagged(entry.flagged);
    return question;
}
}

std::uint64_t HashBytes(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : bytes)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

int Journal::Answered() const
{
    return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                          [](const JournalEntry& entry) { return entry.answer >= 0; }));
}

std::optional<std::vector<JournalEntry>> DrawnEntries(const TestRun& run)
{
    std::vector<JournalEntry> entries;
    const CCourse& source = run.GetBank();
    const auto add = [&](const CChapter& section, int chapter)
    {
        const CChapter* bankChapter = source.GetAt(chapter);
        for (int i = 0; i < section.GetCount(); ++i)
        {
            auto entry = bankChapter ? EntryFor(*bankChapter, chapter, *section.GetAt(i)) : std::nullopt;
            if (!entry)
                return false;
            entries.push_back(std::move(*entry));
        }
        return true;
    };
    if (const CCourse* test = run.GetDrawnTest())
    {
        // A drawn test holds one section for every chapter of the bank.
        for (int c = 0; c < test->GetCount(); ++c)
            if (!add(*test->GetAt(c), c))
                return std::nullopt;
    }
    else if (const CChapter* quiz = run.GetQuiz(); !quiz || !add(*quiz, run.GetChapter() - 1))
        return std::nullopt;
    return entries;
}

std::string ComposeJournal(const TestRun& run, const std::string& student, const BankIdentity& bank,
                           TimeSpan elapsed, TimeStamp now)
{
    const auto entries = DrawnEntries(run);
    if (!entries)
        return {};
    std::string text(kMagic);
    text += "\nstudent " + student + "\ncourse " + run.GetCourseTitle() + "\nkind " +
            TestKindWord(run.GetKind()) + "\nchapter " + std::to_string(run.GetChapter()) + "\nbank " +
            bank.path + "\nsize " + std::to_string(bank.size) + "\nhash " + Hex(bank.hash) + "\nsaved " +
            std::to_string(now) + "\nelapsed " + std::to_string(elapsed) + "\ncurrent " +
            std::to_string(run.GetCurrentIndex()) + "\ncount " + std::to_string(run.GetQuestionCount()) +
            "\n";
    for (const JournalEntry& entry : *entries)
    {
        std::string order;
        for (const int index : entry.order)
            order += (order.empty() ? "" : ",") + std::to_string(index);
        text += "q " + std::to_string(entry.chapter) + " " + std::to_string(entry.question) + " " +
                std::to_string(entry.answer) + " " + (entry.flagged ? "1 " : "0 ") +
                (order.empty() ? "-" : order) + "\n";
    }
    return text;
}

std::optional<Journal> ParseJournal(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty())
    {
        const auto end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt; // a journal always ends its last line: a cut one is refused
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    const char* keys[] = {"student ", "course ", "kind ",    "chapter ", "bank ", "size ",
                          "hash ",    "saved ",  "elapsed ", "current ", "count "};
    constexpr std::size_t kHeader = std::size(keys);
    const bool first = !lines.empty() && lines[0] == kFirstMagic;
    if (lines.size() < kHeader + 1 || (lines[0] != kMagic && !first))
        return std::nullopt;
    std::string_view value[kHeader];
    for (std::size_t i = 0; i < kHeader; ++i)
    {
        if (!lines[i + 1].starts_with(keys[i]))
            return std::nullopt;
        value[i] = lines[i + 1].substr(std::string_view(keys[i]).size());
    }
    Journal journal;
    journal.student = value[0];
    journal.course = value[1];
    const auto kind = KindFromWord(value[2]);
    int count = 0;
    if (!kind || !ReadNumber(value[3], journal.chapter) || !ReadNumber(value[5], journal.bank.size) ||
        !ReadNumber(value[6], journal.bank.hash, 16) || !ReadNumber(value[7], journal.saved) ||
        !ReadNumber(value[8], journal.elapsed) || !ReadNumber(value[9], journal.current) ||
        !ReadNumber(value[10], count) || count < 0 ||
        lines.size() != kHeader + 1 + static_cast<std::size_t>(count))
        return std::nullopt;
    // No more time spent than there has been since the clock's start.
    if (journal.saved < 0 || journal.saved > kLatestSave || journal.elapsed < 0 ||
        journal.elapsed > journal.saved)
        return std::nullopt;
    journal.kind = *kind;
    journal.bank.path = value[4];
    for (std::size_t i = kHeader + 1; i < lines.size(); ++i)
    {
        auto entry = ParseEntry(lines[i], first);
        if (!entry)
            return std::nullopt;
        journal.entries.push_back(std::move(*entry));
    }
    return journal;
}

std::string ResumeFromJournal(TestRun& run, const Journal& journal, const BankIdentity& bank)
{
    if (journal.course != run.GetCourseTitle() || journal.kind != run.GetKind() ||
        journal.chapter != run.GetChapter())
        return "the journal is of another test";
    if (journal.bank.size != bank.size || journal.bank.hash != bank.hash)
        return "the question bank has changed since";
    if (static_cast<int>(journal.entries.size()) != run.GetQuestionCount())
        return "the journal is of a test of another size";
    if (journal.current < -1 || journal.current >= static_cast<int>(journal.entries.size()) ||
        journal.elapsed < 0)
        return "the journal does not read as one";

    const CCourse& source = run.GetBank();
    const bool quiz = run.IsQuiz();
    std::vector<std::unique_ptr<CChapter>> sections;
    const int sectionCount = quiz ? 1 : source.GetCount();
    for (int c = 0; c < sectionCount; ++c)
    {
        sections.push_back(std::make_unique<CChapter>());
        sections.back()->SetName(source.GetAt(quiz ? run.GetChapter() - 1 : c)->GetName());
    }
    int lastChapter = 0;
    int number = 1;
    for (const JournalEntry& entry : journal.entries)
    {
        const CChapter* chapter = source.GetAt(entry.chapter);
        const CQuestion* question = chapter ? chapter->GetAt(entry.question) : nullptr;
        // Test order runs through the chapters in bank order.
        if (!question || (quiz && entry.chapter != run.GetChapter() - 1) || entry.chapter < lastChapter ||
            (run.GetKind() == TestKind::Test && question->IsTrueFalse()))
            return "a question of the journal is not in the bank";
        lastChapter = entry.chapter;
        std::string why;
        std::unique_ptr<CQuestion> rebuilt = Rebuild(*question, entry, why);
        if (!rebuilt)
            return why;
        rebuilt->SetNumber(number++);
        sections[quiz ? 0 : static_cast<std::size_t>(entry.chapter)]->Add(std::move(rebuilt));
    }
    run.Restore(std::move(sections));
    if (journal.current >= 0)
        run.GoTo(journal.current);
    else
        run.Begin();
    return {};
}

std::string JournalFileName(const JournalKey& key)
{
    std::string bytes = key.student;
    bytes += '\0';
    bytes += key.course;
    bytes += '\0';
    bytes += TestKindWord(key.kind);
    bytes += '\0';
    bytes += std::to_string(key.chapter);
    return std::string(kJournalPrefix) + Hex(HashBytes(bytes)) + kJournalSuffix;
}
}
