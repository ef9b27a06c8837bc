#include "course/CourseReader.h"

#include "course/TestJournal.h"

#include <cstring>

#include "course/Complement.h"
#include "platform/Files.h"

const char* DescribeBankLineIssue(BankLineIssue issue)
{
    switch (issue)
    {
    case BankLineIssue::NoCourse:
        return "line before the course title line is ignored";
    case BankLineIssue::NoChapter:
        return "question has no chapter to go into and is ignored";
    case BankLineIssue::NoQuestion:
        return "line belongs to no question and is ignored";
    case BankLineIssue::TooManyChapters:
        return "chapter over the limit of 100 chapters is dropped";
    case BankLineIssue::TooManyQuestions:
        return "question over the limit of 100 questions per chapter is dropped";
    case BankLineIssue::TooManyAnswers:
        return "answer over the limit of 6 answers per question is dropped";
    case BankLineIssue::BadTruthValue:
        return "true/false answer is neither \"True\" nor \"False\" and is ignored";
    case BankLineIssue::NoteBeforeAnswer:
        return "note before any answer is ignored";
    case BankLineIssue::UnknownKind:
        return "line of unknown kind is ignored";
    }
    return "line is ignored";
}

namespace
{
class CBankBuilder
{
  public:
    explicit CBankBuilder(CBankObserver* observer) : m_observer(observer) {}

    void Apply(std::string_view line, int lineNumber)
    {
        m_line = lineNumber;
        if (m_firstLine)
        {
            m_firstLine = false;
            m_barGrammar = line.front() == '|';
        }
        if (m_barGrammar)
            ApplyBar(line);
        else
            ApplyPrefix(line);
    }

    std::unique_ptr<CCourse> TakeCourse() { return std::move(m_course); }

  private:
    void Ignore(BankLineIssue issue)
    {
        if (m_observer)
            m_observer->OnIgnoredLine(m_line, issue);
    }

    void AddChapter(std::string_view name)
    {
        auto chapter = std::make_unique<CChapter>();
        chapter->SetName(std::string(name));
        CChapter* added = chapter.get();
        // Over the limit there is no current chapter until the next chapter
        // line, so the questions that follow are dropped with it. The current
        // question stays: a chapter line never clears it.
        if (!m_course->Add(std::move(chapter)))
        {
            m_chapter = nullptr;
            Ignore(BankLineIssue::TooManyChapters);
            return;
        }
        m_chapter = added;
        if (m_observer)
            m_observer->OnChapter(m_line, *added);
    }

    void AddQuestion(std::string_view text, bool trueFalse)
    {
        if (!m_chapter)
        {
            Ignore(BankLineIssue::NoChapter);
            return;
        }
        auto question = std::make_unique<CQuestion>();
        question->SetText(std::string(text));
        question->SetTrueFalse(trueFalse);
        CQuestion* added = question.get();
        // Over the limit there is no current question, so the question's own
        // hint, topic, answers and notes are dropped too.
        if (!m_chapter->Add(std::move(question)))
        {
            m_question = nullptr;
            Ignore(BankLineIssue::TooManyQuestions);
            return;
        }
        m_question = added;
        if (m_observer)
            m_observer->OnQuestion(m_line, *added);
    }

    void AddAnswer(std::string_view text)
    {
        if (!m_question->IsTrueFalse())
        {
            if (!m_question->AddAnswer(std::string(text)))
                Ignore(BankLineIssue::TooManyAnswers);
            return;
        }
        if (text == kTrueText)
            m_question->SetTrue(true);
        else if (text == kFalseText)
            m_question->SetTrue(false);
        else
            Ignore(BankLineIssue::BadTruthValue);
    }

    // Hint, topic, answer and note lines need a course, a current chapter
    // and a current question.
    bool HasQuestion()
    {
        if (m_course && m_chapter && m_question)
            return true;
        Ignore(BankLineIssue::NoQuestion);
        return false;
    }

    void ApplyPrefix(std::string_view line)
    {
        const char kind = line.front();
        const std::string_view payload = line.substr(1);
        switch (kind)
        {
        case '!':
            if (!m_course)
                m_course = std::make_unique<CCourse>();
            m_course->SetName(std::string(payload));
            return;
        case '@':
            if (!m_course)
                return Ignore(BankLineIssue::NoCourse);
            return AddChapter(payload);
        case '#':
        case '$':
            if (!m_course)
                return Ignore(BankLineIssue::NoCourse);
            return AddQuestion(payload, kind == '$');
        case '%':
            if (HasQuestion())
                m_question->SetHint(std::string(payload));
            return;
        case '&':
            if (HasQuestion())
                m_question->SetTopic(std::string(payload));
            return;
        case '^':
            if (HasQuestion())
                AddAnswer(payload);
            return;
        case '}':
            if (HasQuestion())
            {
                const int last = m_question->GetAnswerCount() - 1;
                if (last < 0)
                    Ignore(BankLineIssue::NoteBeforeAnswer);
                else
                    m_question->SetNote(last, std::string(payload));
            }
            return;
        default:
            return Ignore(m_course ? BankLineIssue::UnknownKind : BankLineIssue::NoCourse);
        }
    }

    void ApplyBar(std::string_view line)
    {
        if (line.front() == '|')
        {
            if (!m_course)
            {
                m_course = std::make_unique<CCourse>();
                m_course->SetName(std::string(line.substr(1)));
            }
            else if (line.size() >= 2 && line[1] == ':')
                AddChapter(line.substr(2));
            else
                AddQuestion(line.substr(1), false);
            return;
        }
        if (HasQuestion())
            AddAnswer(line);
    }

    CBankObserver* m_observer;
    std::unique_ptr<CCourse> m_course;
    CChapter* m_chapter = nullptr;
    CQuestion* m_question = nullptr;
    bool m_firstLine = true;
    bool m_barGrammar = false;
    int m_line = 0;
};
}

std::unique_ptr<CCourse> CCourseReader::Load(const std::string& path, CBankObserver* observer) const
{
    std::string stored;
    if (!quillet::ReadWholeFile(path, stored))
        return nullptr;
    return LoadStored(std::move(stored), observer);
}

std::unique_ptr<CCourse> CCourseReader::LoadStored(std::string stored, CBankObserver* observer)
{
    quillet::ComplementInPlace(stored);
    return LoadText(stored, observer);
}

std::unique_ptr<CCourse> CCourseReader::LoadText(std::string_view text, CBankObserver* observer)
{
    if (const void* nul = std::memchr(text.data(), '\0', text.size()))
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));

    CBankBuilder builder(observer);
    const char* const end = text.data() + text.size();
    const char* p = text.data();
    int lineNumber = 1;
    while (p < end)
    {
        // A line ends at its first CR or LF, which is dropped; so CR LF and
        // LF CR each leave an empty line behind, which is skipped.
        const char* stop = p;
        while (stop < end && *stop != '\r' && *stop != '\n')
            ++stop;
        if (stop > p)
            builder.Apply(std::string_view(p, static_cast<std::size_t>(stop - p)), lineNumber);
        if (stop == end)
            break;
        if (!(*stop == '\n' && stop > text.data() && stop[-1] == '\r'))
            ++lineNumber;
        p = stop + 1;
    }
    return builder.TakeCourse();
}

namespace quillet
{
BankFile ReadBankFile(const std::string& path)
{
    BankFile bank;
    std::string stored;
    const FileStatus read = ReadRegularFile(path, stored);
    if (!read)
    {
        std::string reason = read.missing ? std::string("no such file") : read.reason;
        if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z')
            reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
        bank.problem = "The question bank " + path + " could not be opened: " + reason + ".";
        return bank;
    }
    if (stored.empty())
    {
        bank.problem = "The question bank " + path + " is empty.";
        return bank;
    }
    bank.storedSize = stored.size();
    bank.storedHash = HashBytes(stored);
    bank.course = CCourseReader::LoadStored(std::move(stored));
    if (!bank.course)
        bank.problem = "The file " + path + " is not a question bank: it has no title line.";
    return bank;
}
}
