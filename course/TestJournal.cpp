#include "course/TestJournal.h"

#include <algorithm>
#include <charconv>

#include "course/Response.h"

namespace quillet
{
namespace
{
constexpr std::string_view kMagic = "quillet-journal 3";
// Journals of the second format lack the keys; those of the first also kept
// each question's right answer, which is read past, as the bank tells it.
constexpr std::string_view kSecondMagic = "quillet-journal 2";
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

std::optional<JournalEntry> EntryFor(const CChapter& bankChapter, int chapter, const std::string& chapterKey,
                                     const CQuestion& drawn)
{
    for (int i = 0; i < bankChapter.GetCount(); ++i)
    {
        if (const auto order = AnswerOrder(*bankChapter.GetAt(i), drawn))
        {
            std::vector<std::string> answerKeys;
            answerKeys.reserve(order->size());
            for (int k = 0; k < static_cast<int>(order->size()); ++k)
                answerKeys.push_back(QuestionKey(*drawn.GetAnswerText(k)));
            return JournalEntry{chapter,
                                i,
                                drawn.GetAnswer(),
                                drawn.IsFlagged(),
                                *order,
                                chapterKey,
                                QuestionKey(drawn.GetText()),
                                std::move(answerKeys)};
        }
    }
    return std::nullopt;
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

bool IsKey(std::string_view word)
{
    return word.size() == 16 &&
           std::all_of(word.begin(), word.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// A comma-separated list of at most kMaxAnswers items, or - for none.
template <typename Item, typename Read>
bool ReadList(std::string_view list, std::vector<Item>& items, Read read)
{
    if (list == "-")
        return true;
    while (!list.empty())
    {
        const auto comma = list.find(',');
        Item item{};
        if (items.size() >= CQuestion::kMaxAnswers || !read(list.substr(0, comma), item))
            return false;
        items.push_back(std::move(item));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return !items.empty();
}

std::optional<JournalEntry> ParseEntry(std::string_view line, int format)
{
    // q CHAPTER QUESTION ANSWER FLAG ORDER, then the keys since the third
    // format; the first had CORRECT before ANSWER.
    std::vector<std::string_view> words;
    while (!line.empty() && words.size() < 10)
    {
        const auto blank = line.find(' ');
        words.push_back(line.substr(0, blank));
        line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    }
    if (format == 1 && words.size() == 7)
        words.erase(words.begin() + 3);
    JournalEntry entry;
    int flag = 0;
    if (words.size() != (format == 3 ? 9u : 6u) || words[0] != "q" || !ReadNumber(words[1], entry.chapter) ||
        !ReadNumber(words[2], entry.question) || !ReadNumber(words[3], entry.answer) ||
        !ReadNumber(words[4], flag) || (flag != 0 && flag != 1) ||
        !ReadList(words[5], entry.order,
                  [](std::string_view word, int& index) { return ReadNumber(word, index); }))
        return std::nullopt;
    entry.flagged = flag == 1;
    if (format == 3)
    {
        const auto readKey = [](std::string_view word, std::string& key)
        {
            key = word;
            return IsKey(word);
        };
        if (!readKey(words[6], entry.chapterKey) || !readKey(words[7], entry.questionKey) ||
            !ReadList(words[8], entry.answerKeys, readKey) || entry.answerKeys.size() != entry.order.size())
            return std::nullopt;
    }
    return entry;
}

// The bank question with its answers in the given order of bank indices,
// each with its note; the right answer is where the bank's right one went.
std::unique_ptr<CQuestion> Arranged(const CQuestion& bank, const std::vector<int>& order)
{
    auto question = std::make_unique<CQuestion>();
    question->SetText(bank.GetText());
    question->SetHint(bank.GetHint());
    question->SetTopic(bank.GetTopic());
    for (std::size_t k = 0; k < order.size(); ++k)
    {
        question->AddAnswer(*bank.GetAnswerText(order[k]));
        if (const std::string* note = bank.GetNote(order[k]))
            question->SetNote(static_cast<int>(k), *note);
    }
    const auto right = std::find(order.begin(), order.end(), bank.GetCorrect());
    question->SetCorrect(static_cast<int>(right - order.begin()));
    return question;
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
        question = Arranged(bank, entry.order);
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

// The drawn question as the bank, edited since, now holds it: its drawn
// answers found by their keys and kept in the drawn order, answers added
// since after them. Null when one of them is no longer there, or when the
// right answer would not be among those shown. The text is matched already.
std::unique_ptr<CQuestion> Refind(const CQuestion& bank, const JournalEntry& entry)
{
    if (bank.IsTrueFalse() != entry.answerKeys.empty())
        return nullptr;
    std::unique_ptr<CQuestion> question;
    if (bank.IsTrueFalse())
        question = bank.Clone();
    else
    {
        const int count = bank.GetAnswerCount();
        std::vector<std::string> keys;
        keys.reserve(static_cast<std::size_t>(count));
        for (int j = 0; j < count; ++j)
            keys.push_back(QuestionKey(*bank.GetAnswerText(j)));
        std::vector<bool> used(keys.size());
        std::vector<int> order;
        for (std::size_t k = 0; k < entry.answerKeys.size(); ++k)
        {
            // Equal answers stay where they were, as long as the answers do.
            const int was = entry.order[k];
            int found = was >= 0 && was < count && !used[static_cast<std::size_t>(was)] &&
                                keys[static_cast<std::size_t>(was)] == entry.answerKeys[k]
                            ? was
                            : -1;
            for (int j = 0; j < count && found < 0; ++j)
                if (!used[static_cast<std::size_t>(j)] &&
                    keys[static_cast<std::size_t>(j)] == entry.answerKeys[k])
                    found = j;
            if (found < 0)
                return nullptr;
            used[static_cast<std::size_t>(found)] = true;
            order.push_back(found);
        }
        for (int j = 0; j < count; ++j)
            if (!used[static_cast<std::size_t>(j)])
                order.push_back(j);
        question = Arranged(bank, order);
        if (question->GetCorrect() >= CQuestion::kShownAnswers)
            return nullptr;
    }
    question->SetAnswer(entry.answer);
    question->SetFlagged(entry.flagged);
    return question;
}

// A question of the resumed test: the bank chapter it is in, and the
// journal line it came from.
struct Placed
{
    int chapter = 0;
    std::size_t entry = 0;
    std::unique_ptr<CQuestion> question;
    bool changed = false;
};

// Every question at its place in the very bank the journal was kept for,
// in test order; or why one is not there.
std::string PlaceAll(const TestRun& run, const Journal& journal, std::vector<Placed>& placed)
{
    const CCourse& source = run.GetBank();
    const bool quiz = run.IsQuiz();
    int lastChapter = 0;
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
    {
        const JournalEntry& entry = journal.entries[i];
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
        placed.push_back({entry.chapter, i, std::move(rebuilt)});
    }
    return {};
}

// The keys of the bank's chapter names and of its questions' texts.
struct BankKeys
{
    explicit BankKeys(const CCourse& bank)
    {
        for (int c = 0; c < bank.GetCount(); ++c)
        {
            const CChapter& chapter = *bank.GetAt(c);
            names.push_back(QuestionKey(chapter.GetName()));
            texts.emplace_back();
            for (int q = 0; q < chapter.GetCount(); ++q)
                texts.back().push_back(QuestionKey(chapter.GetAt(q)->GetText()));
        }
    }

    std::vector<std::string> names;
    std::vector<std::vector<std::string>> texts;
};

// Every question found by its keys in a bank edited since, in journal order:
// unchanged, put back afresh, or left out. Why not, when the quiz's chapter
// is gone.
std::string FindAll(const TestRun& run, const Journal& journal, CRandom& random, std::vector<Placed>& placed)
{
    const CCourse& source = run.GetBank();
    const BankKeys keys(source);
    const std::size_t quizChapter = static_cast<std::size_t>(run.GetChapter() - 1);
    if (run.IsQuiz())
    {
        for (const JournalEntry& entry : journal.entries)
            if (entry.chapterKey != journal.entries.front().chapterKey)
                return "the journal does not read as one";
        const std::string& name = journal.entries.front().chapterKey;
        if (keys.names[quizChapter] != name)
            return std::find(keys.names.begin(), keys.names.end(), name) == keys.names.end()
                       ? "the quiz's chapter is no longer in the bank"
                       : "the quiz's chapter is another chapter of the bank now";
    }
    // The chapters of the entry's name, the one at its old place first.
    const auto chaptersOf = [&](const JournalEntry& entry)
    {
        std::vector<std::size_t> chapters;
        if (run.IsQuiz())
            chapters.push_back(quizChapter);
        else
        {
            const auto was = static_cast<std::size_t>(entry.chapter);
            if (was < keys.names.size() && keys.names[was] == entry.chapterKey)
                chapters.push_back(was);
            for (std::size_t c = 0; c < keys.names.size(); ++c)
                if (c != was && keys.names[c] == entry.chapterKey)
                    chapters.push_back(c);
        }
        return chapters;
    };
    std::vector<std::vector<bool>> taken;
    for (const auto& texts : keys.texts)
        taken.emplace_back(texts.size());
    const bool choiceOnly = run.GetKind() == TestKind::Test;
    std::vector<std::unique_ptr<CQuestion>> found(journal.entries.size());
    std::vector<int> foundIn(journal.entries.size(), -1);
    const auto tryAt = [&](std::size_t i, std::size_t c, std::size_t q)
    {
        const JournalEntry& entry = journal.entries[i];
        if (q >= keys.texts[c].size() || taken[c][q] || keys.texts[c][q] != entry.questionKey)
            return false;
        const CQuestion& question = *source.GetAt(static_cast<int>(c))->GetAt(static_cast<int>(q));
        if (choiceOnly && question.IsTrueFalse())
            return false;
        found[i] = Refind(question, entry);
        if (!found[i])
            return false;
        taken[c][q] = true;
        foundIn[i] = static_cast<int>(c);
        return true;
    };
    // Questions still at their places first, so that a copy of one elsewhere
    // does not take its place; then those moved.
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
        if (const auto chapters = chaptersOf(journal.entries[i]); !chapters.empty())
            tryAt(i, chapters.front(), static_cast<std::size_t>(journal.entries[i].question));
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
        for (const std::size_t c : chaptersOf(journal.entries[i]))
            for (std::size_t q = 0; q < keys.texts[c].size() && !found[i]; ++q)
                tryAt(i, c, q);
    if (std::none_of(found.begin(), found.end(), [](const auto& question) { return question != nullptr; }))
        return "the question bank has changed since";
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
    {
        if (found[i])
        {
            placed.push_back({foundIn[i], i, std::move(found[i])});
            continue;
        }
        // Changed: what its old place in its chapter holds now, drawn afresh.
        const auto chapters = chaptersOf(journal.entries[i]);
        const auto q = static_cast<std::size_t>(journal.entries[i].question);
        if (chapters.empty() || q >= keys.texts[chapters.front()].size() || taken[chapters.front()][q])
            continue;
        const CQuestion& question =
            *source.GetAt(static_cast<int>(chapters.front()))->GetAt(static_cast<int>(q));
        if (choiceOnly && question.IsTrueFalse())
            continue;
        taken[chapters.front()][q] = true;
        placed.push_back({static_cast<int>(chapters.front()), i, question.CloneShuffled(random), true});
    }
    // Test order runs through the chapters in the bank's order now.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.chapter < b.chapter; });
    return {};
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
        const std::string chapterKey = bankChapter ? QuestionKey(bankChapter->GetName()) : std::string();
        for (int i = 0; i < section.GetCount(); ++i)
        {
            auto entry =
                bankChapter ? EntryFor(*bankChapter, chapter, chapterKey, *section.GetAt(i)) : std::nullopt;
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
            bank.path + "\nsize " + std::to_string(bank.size) + "\nhash " + HashText(bank.hash) + "\nsaved " +
            std::to_string(now) + "\nelapsed " + std::to_string(elapsed) + "\ncurrent " +
            std::to_string(run.GetCurrentIndex()) + "\ncount " + std::to_string(run.GetQuestionCount()) +
            "\n";
    for (const JournalEntry& entry : *entries)
    {
        std::string order;
        std::string answerKeys;
        for (const int index : entry.order)
            order += (order.empty() ? "" : ",") + std::to_string(index);
        for (const std::string& key : entry.answerKeys)
            answerKeys += (answerKeys.empty() ? "" : ",") + key;
        text += "q " + std::to_string(entry.chapter) + " " + std::to_string(entry.question) + " " +
                std::to_string(entry.answer) + " " + (entry.flagged ? "1 " : "0 ") +
                (order.empty() ? "-" : order) + " " + entry.chapterKey + " " + entry.questionKey + " " +
                (answerKeys.empty() ? "-" : answerKeys) + "\n";
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
    if (lines.size() < kHeader + 1)
        return std::nullopt;
    const int format = lines[0] == kMagic         ? 3
                       : lines[0] == kSecondMagic ? 2
                       : lines[0] == kFirstMagic  ? 1
                                                  : 0;
    if (format == 0)
        return std::nullopt;
    std::string_view value[kHeader];
    for (std::size_t i = 0; i < kHeader; ++i)
    {
        if (!lines[i + 1].starts_with(keys[i]))
            return std::nullopt;
        value[i] = lines[i + 1].substr(std::string_view(keys[i]).size());
    }
    Journal journal;
    journal.format = format;
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
        auto entry = ParseEntry(lines[i], format);
        if (!entry)
            return std::nullopt;
        journal.entries.push_back(std::move(*entry));
    }
    return journal;
}

std::string ResumeFromJournal(TestRun& run, const Journal& journal, const BankIdentity& bank,
                              JournalChanges* changes, CRandom& random)
{
    if (journal.course != run.GetCourseTitle() || journal.kind != run.GetKind() ||
        journal.chapter != run.GetChapter())
        return "the journal is of another test";
    const bool sameBank = journal.bank.size == bank.size && journal.bank.hash == bank.hash;
    if (!sameBank && journal.format < 3)
        return "the question bank has changed since";
    // A bank edited since draws tests of its own size; the journal's stands.
    if (sameBank && static_cast<int>(journal.entries.size()) != run.GetQuestionCount())
        return "the journal is of a test of another size";
    if (journal.current < -1 || journal.current >= static_cast<int>(journal.entries.size()) ||
        journal.elapsed < 0)
        return "the journal does not read as one";
    if (!sameBank && journal.entries.empty())
        return "the question bank has changed since";
    for (const JournalEntry& entry : journal.entries)
    {
        const int shown = entry.answerKeys.empty() ? 2 : static_cast<int>(entry.answerKeys.size());
        if (!sameBank && (entry.answer < -1 || entry.answer >= shown))
            return "the journal does not read as one";
    }

    std::vector<Placed> placed;
    if (std::string why = sameBank ? PlaceAll(run, journal, placed) : FindAll(run, journal, random, placed);
        !why.empty())
        return why;

    const CCourse& source = run.GetBank();
    const bool quiz = run.IsQuiz();
    std::vector<std::unique_ptr<CChapter>> sections;
    const int sectionCount = quiz ? 1 : source.GetCount();
    for (int c = 0; c < sectionCount; ++c)
    {
        sections.push_back(std::make_unique<CChapter>());
        sections.back()->SetName(source.GetAt(quiz ? run.GetChapter() - 1 : c)->GetName());
    }
    JournalChanges found;
    std::vector<bool> kept(journal.entries.size());
    int current = -1;
    for (std::size_t i = 0; i < placed.size(); ++i)
    {
        const int number = static_cast<int>(i) + 1;
        placed[i].question->SetNumber(number);
        kept[placed[i].entry] = true;
        if (placed[i].changed)
            found.changed.push_back(number);
        if (static_cast<int>(placed[i].entry) == journal.current)
            current = static_cast<int>(i);
        sections[quiz ? 0 : static_cast<std::size_t>(placed[i].chapter)]->Add(std::move(placed[i].question));
    }
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (!kept[i])
            found.leftOut.push_back(static_cast<int>(i) + 1);
    // The student goes on where he was; when that question is left out,
    // at the place it had, or the last one.
    if (current < 0 && journal.current >= 0)
        current = std::min(journal.current, static_cast<int>(placed.size()) - 1);
    run.Restore(std::move(sections));
    if (current >= 0)
        run.GoTo(current);
    else
        run.Begin();
    if (changes)
        *changes = std::move(found);
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
    return std::string(kJournalPrefix) + HashText(HashBytes(bytes)) + kJournalSuffix;
}
}
