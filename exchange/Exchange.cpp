#include "exchange/Exchange.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "course/Chapter.h"
#include "course/Question.h"

namespace quillet
{
void Import::Skip(int line, std::string reason)
{
    notes.push_back({line, true, std::move(reason)});
    ++skipped;
}

void Import::Warn(int line, std::string text)
{
    notes.push_back({line, false, std::move(text)});
}

CourseBuilder::CourseBuilder(std::string title, Import& import) : m_title(std::move(title)), m_import(import)
{
}

void CourseBuilder::StartChapter(std::string name, int line)
{
    m_current = nullptr;
    m_pending = std::move(name);
    m_pendingLine = line;
    m_named = true;
}

void CourseBuilder::Add(std::unique_ptr<CQuestion> question, int line)
{
    if (!m_current)
    {
        const std::string name = m_named ? m_pending : m_title;
        const auto found = std::find_if(m_chapters.begin(), m_chapters.end(),
                                        [&](const auto& chapter) { return chapter->GetName() == name; });
        if (found != m_chapters.end())
        {
            m_current = found->get();
            m_currentLines = &m_lines[static_cast<std::size_t>(found - m_chapters.begin())];
        }
        else if (m_chapters.size() >= static_cast<std::size_t>(CCourse::kMaxChapters))
        {
            m_import.Skip(line, "the course already holds " + std::to_string(CCourse::kMaxChapters) +
                                    " chapters, so chapter \"" + name + "\" has no room");
            return;
        }
        else
        {
            m_chapters.push_back(std::make_unique<CChapter>());
            m_chapters.back()->SetName(name);
            m_current = m_chapters.back().get();
            // A chapter the input never names starts with its first question.
            m_lines.push_back({m_named ? m_pendingLine : line, {}});
            m_currentLines = &m_lines.back();
        }
    }
    if (m_current->GetCount() >= CChapter::kMaxQuestions)
    {
        m_import.Skip(line, "chapter \"" + m_current->GetName() + "\" already holds " +
                                std::to_string(CChapter::kMaxQuestions) + " questions");
        return;
    }
    m_current->Add(std::move(question));
    m_currentLines->questions.push_back(line);
    ++m_import.imported;
}

std::unique_ptr<CCourse> CourseBuilder::Finish()
{
    auto course = std::make_unique<CCourse>();
    course->SetName(m_title);
    for (auto& chapter : m_chapters)
        course->Add(std::move(chapter));
    m_chapters.clear();
    m_import.lines = std::move(m_lines);
    m_lines.clear();
    m_current = nullptr;
    m_currentLines = nullptr;
    return course;
}

std::unique_ptr<CQuestion> MakeChoiceQuestion(std::string text, std::vector<ChoiceAnswer> answers,
                                              std::string hint)
{
    std::stable_partition(answers.begin(), answers.end(), [](const ChoiceAnswer& a) { return a.right; });
    auto question = std::make_unique<CQuestion>();
    question->SetText(std::move(text));
    question->SetHint(std::move(hint));
    for (ChoiceAnswer& answer : answers)
    {
        const int i = question->AddAnswer(std::move(answer.text)) ? question->GetAnswerCount() - 1 : -1;
        if (i >= 0 && !answer.note.empty())
            question->SetNote(i, std::move(answer.note));
    }
    return question;
}

std::unique_ptr<CQuestion> MakeStatement(std::string text, bool truth, std::string note, std::string hint)
{
    auto question = std::make_unique<CQuestion>();
    question->SetTrueFalse(true);
    question->SetTrue(truth);
    question->SetText(std::move(text));
    question->SetHint(std::move(hint));
    // A statement has one note, at the place of its second answer.
    if (!note.empty())
        question->SetNote(1, std::move(note));
    return question;
}

std::string StatementNote(std::string wrong, std::string right, int line, Import& import)
{
    if (wrong.empty())
        return right;
    if (!right.empty())
        import.Warn(line, "the feedback on the right answer, \"" + right +
                              "\", is dropped: a true/false statement holds one note, the feedback on a "
                              "wrong answer");
    return wrong;
}

std::string OneLine(std::string_view text)
{
    std::string line(text);
    MakeOneLine(line);
    return line;
}

void MakeOneLine(std::string& text)
{
    // What is kept is never longer than what was read, so it is written over
    // the text behind the reading position.
    std::size_t kept = 0;
    bool blank = false;
    for (std::size_t at = 0; at < text.size(); ++at)
    {
        const char c = text[at];
        // A zero-width no-break space (a byte order mark) is left out.
        if (c == '\xEF' && text.compare(at, 3, "\xEF\xBB\xBF") == 0)
        {
            at += 2;
            continue;
        }
        // Control characters have no place in a question: blanks.
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7F')
        {
            blank = kept > 0;
            continue;
        }
        if (blank)
            text[kept++] = ' ';
        blank = false;
        text[kept++] = c;
    }
    text.resize(kept);
}

namespace
{
void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    if (code < 0x80)
        out += static_cast<char>(code);
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The longest entity name known: "#x" and seven hexadecimal digits.
constexpr std::size_t kLongestEntity = 9;

// The entity at text[at] (after its '&'), decoded into out; false when it
// is none that is known, and the '&' stands for itself. Only the few
// characters an entity can span are looked at, so a run of '&' with no ';'
// is read in one pass.
bool DecodeEntity(std::string_view text, std::size_t& at, std::string& out)
{
    const std::size_t end = text.substr(0, at + kLongestEntity + 1).find(';', at);
    if (end == std::string_view::npos)
        return false;
    const std::string_view name = text.substr(at, end - at);
    static constexpr std::pair<std::string_view, std::uint32_t> kNamed[] = {
        {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
        {"nbsp", ' '},     {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"rsquo", 0x2019},
        {"lsquo", 0x2018}, {"rdquo", 0x201D}, {"ldquo", 0x201C}, {"times", 0xD7},    {"eacute", 0xE9},
    };
    std::uint32_t code = 0;
    if (name.size() > 1 && name[0] == '#')
    {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 7)
            return false;
        for (const char c : digits)
        {
            const int value = c >= '0' && c <= '9'          ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                            : -1;
            if (value < 0)
                return false;
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
        }
    }
    else
    {
        const auto* known = std::find_if(std::begin(kNamed), std::end(kNamed),
                                         [&](const auto& entry) { return entry.first == name; });
        if (known == std::end(kNamed))
            return false;
        code = known->second;
    }
    AppendUtf8(out, code);
    at = end + 1;
    return true;
}

// Whether a tag (what stands between '<' and '>') ends a line or a block,
// so that the words on either side of it are apart. The others mark up
// text within a line: "Learning <span>Environment</span>." is one run.
bool BreaksLine(std::string_view tag)
{
    static constexpr std::string_view kBreaking[] = {
        "address", "article", "aside",    "blockquote", "br",     "caption", "dd",      "details", "div",
        "dl",      "dt",      "fieldset", "figcaption", "figure", "footer",  "form",    "h1",      "h2",
        "h3",      "h4",      "h5",       "h6",         "header", "hr",      "legend",  "li",      "main",
        "nav",     "ol",      "option",   "p",          "pre",    "section", "summary", "table",   "tbody",
        "td",      "tfoot",   "th",       "thead",      "tr",     "ul",
    };
    if (tag.starts_with('/'))
        tag.remove_prefix(1);
    std::string name;
    for (const char c : tag)
    {
        if (!std::isalnum(static_cast<unsigned char>(c)) || name.size() > 10)
            break;
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return std::find(std::begin(kBreaking), std::end(kBreaking), name) != std::end(kBreaking);
}
}

std::string HtmlToText(std::string_view html)
{
    std::string text;
    text.reserve(html.size());
    for (std::size_t at = 0; at < html.size();)
    {
        const char c = html[at++];
        if (c == '<')
        {
            const std::size_t end = html.find('>', at);
            if (end == std::string_view::npos)
                break;
            if (BreaksLine(html.substr(at, end - at)))
                text += ' ';
            at = end + 1;
        }
        else if (c != '&' || !DecodeEntity(html, at, text))
            text += c;
    }
    MakeOneLine(text);
    return text;
}

std::string CategoryName(std::string_view path)
{
    std::string part;
    for (std::size_t at = 0; at < path.size(); ++at)
    {
        if (path[at] != '/')
            part += path[at];
        else if (at + 1 < path.size() && path[at + 1] == '/')
        {
            part += '/';
            ++at;
        }
        else
            part.clear();
    }
    return OneLine(part);
}

std::string CategoryPath(std::string_view name)
{
    const std::string line = OneLine(name);
    std::string path;
    for (const char c : line)
        path += c == '/' ? std::string("//") : std::string(1, c);
    // A doubled slash next to the separator would read as another split; a
    // blank in between goes again when the name is read.
    if (!line.empty() && line.front() == '/')
        path.insert(path.begin(), ' ');
    if (!line.empty() && line.back() == '/')
        path += ' ';
    return path;
}

bool Exportable(const CChapter& chapter, int index, std::vector<std::string>& dropped, int& topics)
{
    const CQuestion& question = *chapter.GetAt(index);
    std::string why;
    if (OneLine(question.GetText()).empty())
        why = "it has no text";
    else if (!question.IsTrueFalse() && question.GetAnswerCount() < 2)
        why = "it has fewer than two answers";
    for (int i = 0; why.empty() && !question.IsTrueFalse() && i < question.GetAnswerCount(); ++i)
        if (OneLine(*question.GetAnswerText(i)).empty())
            why = "an answer is empty";
    if (!why.empty())
    {
        dropped.push_back("question " + std::to_string(index + 1) + " of chapter \"" +
                          OneLine(chapter.GetName()) + "\", as " + why);
        return false;
    }
    topics += question.GetTopic().empty() ? 0 : 1;
    return true;
}

std::string CourseToBankText(const CCourse& course)
{
    std::string out = "!" + OneLine(course.GetName()) + "\n";
    for (int c = 0; c < course.GetCount(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        out += "@" + OneLine(chapter.GetName()) + "\n";
        for (int q = 0; q < chapter.GetCount(); ++q)
        {
            const CQuestion& question = *chapter.GetAt(q);
            out += (question.IsTrueFalse() ? "$" : "#") + OneLine(question.GetText()) + "\n";
            if (!question.GetHint().empty())
                out += "%" + OneLine(question.GetHint()) + "\n";
            if (!question.GetTopic().empty())
                out += "&" + OneLine(question.GetTopic()) + "\n";
            if (question.IsTrueFalse())
            {
                out += question.GetTrue() ? "^True\n" : "^False\n";
                if (const std::string* note = question.GetNote(1))
                    out += "}" + OneLine(*note) + "\n";
                continue;
            }
            for (int i = 0; i < question.GetAnswerCount(); ++i)
            {
                out += "^" + OneLine(*question.GetAnswerText(i)) + "\n";
                if (const std::string* note = question.GetNote(i))
                    out += "}" + OneLine(*note) + "\n";
            }
        }
    }
    return out;
}
}
