// Aiken, the simplest multiple-choice text format.
#include "exchange/AikenFormat.h"

#include <cctype>
#include <optional>

#include "course/InputReader.h"
#include "course/Question.h"
#include "platform/Text.h"

namespace quillet
{
namespace
{
// "B. text" or "B) text" for the expected letter: the text, else nothing.
std::optional<std::string_view> Option(std::string_view line, char letter)
{
    if (line.size() < 2 || line[0] != letter || (line[1] != '.' && line[1] != ')'))
        return std::nullopt;
    return TrimWhitespace(line.substr(2));
}

// The letter of an "ANSWER: X" line, or 0 when the line is none.
char AnswerLetter(std::string_view line)
{
    if (line.substr(0, 7) != "ANSWER:")
        return 0;
    const std::string_view letter = TrimWhitespace(line.substr(7));
    if (letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0])))
        return '?';
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
}

// A line that no question can start: an option ("C. text", with a blank
// after its letter, so that "U.S. law ..." is a question) or an ANSWER:
// line. What it is, or nothing.
std::string Stray(std::string_view line)
{
    if (line.size() > 2 && line[0] >= 'A' && line[0] <= 'Z' && (line[1] == '.' || line[1] == ')') &&
        (line[2] == ' ' || line[2] == '\t'))
        return std::string("option ") + line[0];
    if (line.starts_with("ANSWER:"))
        return "an ANSWER: line";
    return {};
}

struct Pending
{
    int line = 0;
    std::string question;
    std::vector<std::string> options;
    bool broken = false; // skipped already; its lines run to the next blank line
};
}

Import ImportAiken(std::string_view bytes, const std::string& title)
{
    Import import;
    CourseBuilder builder(title, import);
    InputReader input(bytes);
    std::optional<Pending> pending;
    bool stray = false; // within a run of stray lines, told at its first
    const auto skip = [&](std::string reason)
    {
        import.Skip(pending->line, std::move(reason));
        pending->broken = true;
    };
    std::string raw;
    while (input.NextLine(raw))
    {
        const std::string_view line = TrimWhitespace(raw);
        const int number = input.LineNumber();

        if (line.empty())
        {
            if (pending && !pending->broken)
                skip(pending->options.empty() ? "a question line with no options"
                                              : "no ANSWER: line after the options");
            pending.reset();
            stray = false;
            continue;
        }
        if (!pending)
        {
            // Lines that belong to a question, where none is open, are
            // told once for each run, and start none.
            if (std::string what = Stray(line); !what.empty())
            {
                if (!stray)
                    import.Skip(number, what + " with no question line before it");
                stray = true;
                continue;
            }
            pending = Pending{number, OneLine(line), {}, false};
            stray = false;
            continue;
        }
        if (pending->broken)
            continue;
        const char next = static_cast<char>('A' + pending->options.size());
        if (const std::optional<std::string_view> option = Option(line, next))
        {
            if (pending->options.size() == static_cast<std::size_t>(CQuestion::kMaxAnswers))
                skip("more than six options");
            else if (option->empty())
                skip(std::string("option ") + next + " is empty");
            else
                pending->options.push_back(OneLine(*option));
            continue;
        }
        const char letter = AnswerLetter(line);
        if (!letter)
        {
            skip("line " + std::to_string(number) + " is neither option " + next + " nor an ANSWER: line");
            continue;
        }
        const int right = letter - 'A';
        if (pending->options.size() < 2)
            skip("fewer than two options");
        else if (right < 0 || right >= static_cast<int>(pending->options.size()))
            skip("the ANSWER: line names no option");
        else
        {
            std::vector<ChoiceAnswer> answers;
            answers.reserve(pending->options.size());
            for (std::string& option : pending->options)
                answers.push_back({std::move(option), {}, answers.size() == static_cast<std::size_t>(right)});
            builder.Add(MakeChoiceQuestion(std::move(pending->question), std::move(answers), {}),
                        pending->line);
        }
        pending.reset();
    }
    if (pending && !pending->broken)
        skip(pending->options.empty() ? "a question line with no options"
                                      : "no ANSWER: line after the options");
    import.course = builder.Finish();
    return import;
}
}
