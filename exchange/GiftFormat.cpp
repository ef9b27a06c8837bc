// GIFT, the plain-text question format of Moodle.
#include "exchange/GiftFormat.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "course/Chapter.h"
#include "course/InputReader.h"
#include "course/Question.h"
#include "platform/Text.h"

namespace quillet
{
namespace
{
constexpr std::string_view kSpecials = "~=#{}:\\";

// A backslash escapes the specials and n; before anything else it is itself.
bool IsEscape(std::string_view text, std::size_t at)
{
    return text[at] == '\\' && at + 1 < text.size() &&
           (kSpecials.find(text[at + 1]) != std::string_view::npos || text[at + 1] == 'n');
}

// Where `needle` starts at or after `from` outside an escape, or npos.
std::size_t FindUnescaped(std::string_view text, std::string_view needle, std::size_t from = 0)
{
    for (std::size_t at = from; at < text.size(); ++at)
    {
        if (IsEscape(text, at))
            ++at;
        else if (text[at] == needle[0] && text.compare(at, needle.size(), needle) == 0)
            return at;
    }
    return std::string_view::npos;
}

// The positions of the unescaped characters of `set` in text.
std::vector<std::size_t> FindAllUnescaped(std::string_view text, std::string_view set)
{
    std::vector<std::size_t> found;
    for (std::size_t at = 0; at < text.size(); ++at)
    {
        if (IsEscape(text, at))
            ++at;
        else if (set.find(text[at]) != std::string_view::npos)
            found.push_back(at);
    }
    return found;
}

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at)
    {
        if (IsEscape(text, at))
        {
            ++at;
            out += text[at] == 'n' ? ' ' : text[at];
            continue;
        }
        out += text[at];
    }
    return out;
}

struct Block
{
    int line = 0;
    std::string text;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) {
                                                  return std::toupper(static_cast<unsigned char>(x)) ==
                                                         std::toupper(static_cast<unsigned char>(y));
                                              });
}

// The format a GIFT text is written in: a marker may open the question
// text, each answer and each feedback; a part without one takes the
// question's.
enum class Format
{
    Plain, // [plain], [moodle], [markdown]
    Html,
};

// The marker that opens a (trimmed) text, taken off it; the text keeps an
// unknown one ("[note] ...") as written.
Format TakeFormat(std::string_view& text, Format otherwise)
{
    for (const std::string_view marker : {"[html]", "[plain]", "[moodle]", "[markdown]"})
        if (text.starts_with(marker))
        {
            text.remove_prefix(marker.size());
            return marker == "[html]" ? Format::Html : Format::Plain;
        }
    return otherwise;
}

// A weight as Moodle reads it on a ~ answer: '%', any minus signs, one or
// two digits, an optional point and more digits, '%'. Its length, or 0
// when the answer starts with none; `positive` says whether it gives credit.
std::size_t WeightLength(std::string_view answer, bool& positive)
{
    if (!answer.starts_with('%'))
        return 0;
    std::size_t at = answer.find_first_not_of('-', 1);
    const bool negative = at > 1;
    const std::size_t digits = at;
    while (at < answer.size() && at - digits < 2 && std::isdigit(static_cast<unsigned char>(answer[at])))
        ++at;
    if (at == digits)
        return 0;
    at += at < answer.size() && answer[at] == '.' ? 1 : 0;
    while (at < answer.size() && std::isdigit(static_cast<unsigned char>(answer[at])))
        ++at;
    if (at >= answer.size() || answer[at] != '%')
        return 0;
    positive = !negative && answer.substr(1, at - 1).find_first_of("123456789") != std::string_view::npos;
    return at + 1;
}

class GiftReader
{
  public:
    GiftReader(Import& import, CourseBuilder& builder) : m_import(import), m_builder(builder) {}

    void Read(const Block& block)
    {
        std::string_view text = block.text;
        int line = block.line;
        if (TrimWhitespace(text).substr(0, 10) == "$CATEGORY:")
        {
            const std::size_t end = text.find('\n');
            m_builder.StartChapter(CategoryName(TrimWhitespace(text.substr(0, end)).substr(10)), line);
            if (end == std::string_view::npos)
                return;
            text.remove_prefix(end + 1);
            ++line;
        }
        if (std::string reason = Question(text, line); !reason.empty())
            m_import.Skip(line, reason);
    }

  private:
    // A part of the question as plain text, by its own marker or else the
    // question's format. The question text's marker is taken before.
    std::string Clean(std::string_view text, bool marked = true) const
    {
        text = TrimWhitespace(text);
        const Format format = marked ? TakeFormat(text, m_format) : m_format;
        std::string plain = Unescape(text);
        if (format == Format::Html)
            return HtmlToText(plain);
        MakeOneLine(plain);
        return plain;
    }

    // Reads one question into the bank; answers why not when it is skipped.
    std::string Question(std::string_view text, int line)
    {
        text = TrimWhitespace(text);
        if (text.substr(0, 2) == "::")
        {
            const std::size_t end = FindUnescaped(text, "::", 2);
            if (end == std::string_view::npos)
                return "its ::name:: is not closed";
            text = TrimWhitespace(text.substr(end + 2));
        }
        m_format = TakeFormat(text, Format::Plain);
        const std::size_t open = FindUnescaped(text, "{");
        if (open == std::string_view::npos)
            return "description (no answer block)";
        const std::size_t close = FindUnescaped(text, "}", open + 1);
        if (close == std::string_view::npos)
            return "the answer block is not closed with }";
        // A missing word: the blank takes the place of the braces alone, so
        // the text around them stays as written ("from _____.").
        std::string question =
            Clean(text.substr(close + 1), false).empty()
                ? Clean(text.substr(0, open), false)
                : Clean(std::string(text.substr(0, open)) + "_____" + std::string(text.substr(close + 1)),
                        false);
        std::string_view block = TrimWhitespace(text.substr(open + 1, close - open - 1));
        if (block.empty())
            return "essay (an empty answer block)";
        if (block.front() == '#')
            return "numerical question";
        if (question.empty())
            return "no question text";
        std::string hint;
        if (const std::size_t general = FindUnescaped(block, "####"); general != std::string_view::npos)
        {
            hint = Clean(block.substr(general + 4));
            block = TrimWhitespace(block.substr(0, general));
        }
        if (std::optional<bool> truth = TruthValue(block))
        {
            // TRUE#feedback on a wrong answer#feedback on the right one.
            std::string wrong;
            std::string right;
            if (const std::size_t first = FindUnescaped(block, "#"); first != std::string_view::npos)
            {
                const std::string_view rest = block.substr(first + 1);
                const std::size_t second = FindUnescaped(rest, "#");
                wrong = Clean(rest.substr(0, second));
                if (second != std::string_view::npos)
                    right = Clean(rest.substr(second + 1));
            }
            std::string note = StatementNote(std::move(wrong), std::move(right), line, m_import);
            m_builder.Add(MakeStatement(std::move(question), *truth, std::move(note), std::move(hint)), line);
            return {};
        }
        return Choice(std::move(question), block, std::move(hint), line);
    }

    static std::optional<bool> TruthValue(std::string_view block)
    {
        const std::string_view word = TrimWhitespace(block.substr(0, FindUnescaped(block, "#")));
        if (EqualsIgnoringCase(word, "T") || EqualsIgnoringCase(word, "TRUE"))
            return true;
        if (EqualsIgnoringCase(word, "F") || EqualsIgnoringCase(word, "FALSE"))
            return false;
        return std::nullopt;
    }

    std::string Choice(std::string question, std::string_view block, std::string hint, int line)
    {
        const std::vector<std::size_t> marks = FindAllUnescaped(block, "=~");
        if (marks.empty() || !TrimWhitespace(block.substr(0, marks.front())).empty())
            return "the answer block holds no = or ~ answers";
        // As Moodle reads it: a block with a ~ answer is multiple choice.
        if (FindUnescaped(block, "~") == std::string_view::npos &&
            FindUnescaped(block, "->") != std::string_view::npos)
            return "matching question";
        std::vector<std::string> partial;
        std::vector<ChoiceAnswer> answers;
        for (std::size_t i = 0; i < marks.size(); ++i)
        {
            const std::size_t end = i + 1 < marks.size() ? marks[i + 1] : block.size();
            std::string_view raw = TrimWhitespace(block.substr(marks[i] + 1, end - marks[i] - 1));
            ChoiceAnswer answer;
            answer.right = block[marks[i]] == '=';
            // Only a ~ answer is weighted in a multiple-choice question: an
            // = answer is right, and a '%' in it is text ("=%50% off").
            bool positive = false;
            if (!answer.right)
                raw.remove_prefix(WeightLength(raw, positive));
            const std::size_t feedback = FindUnescaped(raw, "#");
            answer.text = Clean(raw.substr(0, feedback));
            if (feedback != std::string_view::npos)
                answer.note = Clean(raw.substr(feedback + 1));
            if (answer.text.empty())
                return "an answer is empty";
            if (positive)
                partial.push_back(answer.text);
            answers.push_back(std::move(answer));
        }
        const auto right =
            std::count_if(answers.begin(), answers.end(), [](const ChoiceAnswer& a) { return a.right; });
        if (right == static_cast<long>(answers.size()))
            return "short answer (only = answers)";
        // Without an = answer, Moodle asks for every answer of positive
        // weight to be ticked.
        if (right == 0 && partial.empty())
            return "no right answer (no = answer, and no ~ answer of positive weight)";
        if (right == 0 && partial.size() == 1)
            return "a multiple-answer question (no = answer; \"" + partial.front() +
                   "\" is the one answer of positive weight)";
        if (right == 0)
            return "several right answers (no = answer)";
        if (right > 1)
            return "several right answers (more than one = answer)";
        if (answers.size() > static_cast<std::size_t>(CQuestion::kMaxAnswers))
            return "more than six answers";
        for (const std::string& text : partial)
            m_import.Warn(line, "the partial credit of \"" + text + "\" is dropped; it counts as wrong");
        m_builder.Add(MakeChoiceQuestion(std::move(question), std::move(answers), std::move(hint)), line);
        return {};
    }

    Import& m_import;
    CourseBuilder& m_builder;
    Format m_format = Format::Plain;
};

std::string Escape(std::string_view text)
{
    std::string out;
    for (const char c : OneLine(text))
    {
        if (kSpecials.find(c) != std::string_view::npos)
            out += '\\';
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    }
    // A text that starts like a format marker gets one of its own, so that
    // it is read back as written.
    return out.starts_with('[') ? "[plain]" + out : out;
}

std::string Feedback(const std::string* note)
{
    return note && !note->empty() ? "#" + Escape(*note) : std::string();
}
}

Import ImportGift(std::string_view bytes, const std::string& title)
{
    Import import;
    CourseBuilder builder(title, import);
    GiftReader reader(import, builder);
    // Questions are separated by blank lines; comment lines are left out.
    // Each is read as soon as it ends, so one is held at a time.
    InputReader input(bytes);
    Block block;
    std::string line;
    while (input.NextLine(line))
    {
        const std::string_view trimmed = TrimWhitespace(line);
        if (trimmed.empty())
        {
            if (!block.text.empty())
                reader.Read(block);
            block.text.clear();
        }
        else if (trimmed.starts_with("//"))
            continue;
        else if (block.text.empty())
        {
            block.line = input.LineNumber();
            block.text.swap(line);
        }
        else
        {
            block.text += '\n';
            block.text += line;
        }
    }
    if (!block.text.empty())
        reader.Read(block);
    import.course = builder.Finish();
    return import;
}

std::string ExportGift(const CCourse& course, std::vector<std::string>& dropped)
{
    std::string out = "// " + OneLine(course.GetName()) + "\n";
    int topics = 0;
    for (int c = 0; c < course.GetCount(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        out += "\n$CATEGORY: " + CategoryPath(chapter.GetName()) + "\n";
        for (int q = 0; q < chapter.GetCount(); ++q)
        {
            if (!Exportable(chapter, q, dropped, topics))
                continue;
            const CQuestion& question = *chapter.GetAt(q);
            // A name first, so that no text is taken for a comment or a format.
            out += "\n::Q" + std::to_string(q + 1) + ":: " + Escape(question.GetText()) + " {";
            if (question.IsTrueFalse())
                out += std::string(question.GetTrue() ? "TRUE" : "FALSE") + Feedback(question.GetNote(1));
            else
                for (int i = 0; i < question.GetAnswerCount(); ++i)
                {
                    const bool right = i == question.GetCorrect();
                    const std::string answer = Escape(*question.GetAnswerText(i));
                    // GIFT cannot escape a leading %: on a wrong answer, which
                    // may be weighted, an explicit weight goes first.
                    const char* weight = !right && answer.starts_with('%') ? "%0%" : "";
                    out += std::string("\n\t") + (right ? "=" : "~") + weight + answer +
                           Feedback(question.GetNote(i));
                }
            if (!question.GetHint().empty())
                out +=
                    (question.IsTrueFalse() ? "" : "\n\t") + std::string("####") + Escape(question.GetHint());
            out += question.IsTrueFalse() ? "}\n" : "\n}\n";
        }
    }
    if (topics > 0)
        dropped.push_back(std::to_string(topics) + " topics (GIFT has no place for them)");
    return out;
}
}
