#include "tools/records/StatsFormat.h"

#include <algorithm>

#include "platform/Json.h"
#include "tools/records/RecordsFormat.h"

namespace quillet
{
namespace
{
std::string Share(long long part, long long whole)
{
    return json::FixedText(QuestionFigures::Thousandths(part, whole), 3);
}

// The places of the right answers, from 1: "1", or "" when none is known.
std::string RightPlaces(const QuestionFigures& question)
{
    std::string places;
    for (const AnswerFigures& answer : question.answers)
        if (answer.right)
            places += (places.empty() ? "" : " ") + std::to_string(answer.answer + 1);
    return places;
}

const std::string* AnswerText(const QuestionFigures& question, const AnswerFigures& answer)
{
    return question.bank ? question.bank->GetAnswerText(answer.answer) : nullptr;
}

void AppendQuestionText(std::string& out, const QuestionFigures& question)
{
    out += TerminalText(question.chapter) + "  " + TerminalText(question.question) + "\n";
    if (question.bank)
        out += "  " + TerminalText(question.bank->GetText()) + "\n";
}

void AppendFigures(std::string& out, const QuestionFigures& question)
{
    AppendQuestionText(out, question);
    out += "  asked " + std::to_string(question.asked) + ", right " +
           PercentText(question.right, question.asked) + ", discrimination " + DiscriminationText(question) +
           ", flagged " + std::to_string(question.flagged) + " (" +
           PercentText(question.flagged, question.asked) + "), no answer " +
           PercentText(question.unanswered, question.asked) + "\n";
    for (const AnswerFigures& answer : question.answers)
    {
        std::string line =
            "    answer " + std::to_string(answer.answer + 1) + (answer.right ? " (right)" : "");
        const std::string share = PercentText(answer.chosen, question.asked);
        line.resize(std::max<std::size_t>(line.size(), 27 - share.size()), ' ');
        line += share;
        if (const std::string* text = AnswerText(question, answer))
            line += "  " + TerminalText(*text);
        out += line + "\n";
    }
    if (!question.judged)
        out += "  too few answers to judge: " + std::to_string(question.asked) + " of the " +
               std::to_string(QuestionStats::kEnoughToJudge) + " needed\n";
    for (const CheckReason reason : question.reasons)
        out += "  to check: " + ReasonText(reason, question) + "\n";
}
}

std::vector<const QuestionFigures*> ToCheckFirst(const std::vector<QuestionFigures>& table)
{
    std::vector<const QuestionFigures*> order;
    order.reserve(table.size());
    for (const QuestionFigures& question : table)
        order.push_back(&question);
    const auto rank = [](const QuestionFigures* q) {
        return q->asked == 0 ? 3 : !q->judged ? 2 : q->reasons.empty() ? 1 : 0;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const QuestionFigures* a, const QuestionFigures* b) { return rank(a) < rank(b); });
    return order;
}

const char* ReasonKey(CheckReason reason)
{
    switch (reason)
    {
    case CheckReason::FewRight:
        return "few_right";
    case CheckReason::MostRight:
        return "most_right";
    case CheckReason::LowDiscrimination:
        return "low_discrimination";
    case CheckReason::WrongAnswerPreferred:
        return "wrong_answer_preferred";
    }
    return "";
}

std::string ReasonText(CheckReason reason, const QuestionFigures& question)
{
    switch (reason)
    {
    case CheckReason::FewRight:
        return "almost nobody answers it right (" + PercentText(question.right, question.asked) + ")";
    case CheckReason::MostRight:
        return "almost everybody answers it right (" + PercentText(question.right, question.asked) + ")";
    case CheckReason::LowDiscrimination:
        return "it does not separate who knows the material from who does not (discrimination " +
               DiscriminationText(question) + ", below 0.2)";
    case CheckReason::WrongAnswerPreferred:
    {
        std::string wrong;
        for (const AnswerFigures& answer : question.answers)
            if (!answer.right && answer.chosen > question.right)
                wrong += (wrong.empty() ? "answer " : ", answer ") + std::to_string(answer.answer + 1) +
                         " (" + PercentText(answer.chosen, question.asked) + ")";
        return wrong + " chosen more often than the right one (" +
               PercentText(question.right, question.asked) + ")";
    }
    }
    return "";
}

std::string PercentText(long long part, long long whole)
{
    return json::FixedText(QuestionFigures::Thousandths(part, whole), 1) + "%";
}

std::string DiscriminationText(const QuestionFigures& question)
{
    return question.discrimination ? json::FixedText(*question.discrimination, 3) : "-";
}

std::string StatsText(const StatsInput& input)
{
    const std::vector<const QuestionFigures*> order = ToCheckFirst(input.table);
    long long toCheck = 0;
    long long tooFew = 0;
    long long never = 0;
    for (const QuestionFigures& question : input.table)
    {
        toCheck += question.reasons.empty() ? 0 : 1;
        tooFew += question.asked > 0 && !question.judged ? 1 : 0;
        never += question.asked == 0 ? 1 : 0;
    }

    std::string out = "Question statistics of " + std::to_string(input.stats->Tests()) + " graded tests, " +
                      std::to_string(input.stats->Responses()) + " answers to " +
                      std::to_string(static_cast<long long>(order.size()) - never) + " questions\n";
    out += std::to_string(toCheck) + " to check, " + std::to_string(tooFew) + " with fewer than " +
           std::to_string(QuestionStats::kEnoughToJudge) + " answers, not judged yet\n";
    if (toCheck > 0)
    {
        out += "\nTo check first:\n";
        for (const QuestionFigures* question : order)
            if (!question->reasons.empty())
            {
                AppendQuestionText(out, *question);
                for (const CheckReason reason : question->reasons)
                    out += "  - " + ReasonText(reason, *question) + "\n";
            }
    }
    if (static_cast<long long>(order.size()) > never)
        out += "\nEvery question asked:\n";
    for (const QuestionFigures* question : order)
        if (question->asked > 0)
        {
            out += "\n";
            AppendFigures(out, *question);
        }
    if (never > 0)
    {
        out += "\nNever asked:\n";
        for (const QuestionFigures* question : order)
            if (question->asked == 0)
                AppendQuestionText(out, *question);
    }
    return out;
}

std::string StatsJson(const StatsInput& input)
{
    json::Writer out;
    out.BeginObject();
    out.Key("tests").Number(input.stats->Tests());
    out.Key("responses").Number(input.stats->Responses());
    out.Key("unreadable").Number(input.unreadable);
    out.Key("enough_to_judge").Number(QuestionStats::kEnoughToJudge);
    const auto identify = [&](const QuestionFigures& question)
    {
        out.Key("chapter").String(question.chapter).Key("question").String(question.question);
        if (question.bank)
            out.Key("text").String(question.bank->GetText());
    };
    out.Key("questions").BeginArray();
    for (const QuestionFigures& question : input.table)
    {
        if (question.asked == 0)
            continue;
        out.BeginObject();
        identify(question);
        out.Key("asked").Number(question.asked).Key("right").Number(question.right);
        out.Key("facility").Fixed(question.Facility(), 3);
        out.Key("discrimination");
        if (question.discrimination)
            out.Fixed(*question.discrimination, 3);
        else
            out.Null();
        out.Key("flagged").Number(question.flagged);
        out.Key("no_answer").Fixed(QuestionFigures::Thousandths(question.unanswered, question.asked), 3);
        out.Key("answers").BeginArray();
        for (const AnswerFigures& answer : question.answers)
        {
            out.BeginObject().Key("answer").Number(answer.answer + 1);
            if (const std::string* text = AnswerText(question, answer))
                out.Key("text").String(*text);
            out.Key("right").Bool(answer.right).Key("chosen").Number(answer.chosen);
            out.Key("share").Fixed(QuestionFigures::Thousandths(answer.chosen, question.asked), 3);
            out.EndObject();
        }
        out.EndArray();
        out.Key("judged").Bool(question.judged);
        out.Key("check").BeginArray();
        for (const CheckReason reason : question.reasons)
            out.String(ReasonKey(reason));
        out.EndArray().EndObject();
    }
    out.EndArray();
    out.Key("never_asked").BeginArray();
    for (const QuestionFigures& question : input.table)
        if (question.asked == 0)
        {
            out.BeginObject();
            identify(question);
            out.EndObject();
        }
    out.EndArray().EndObject();
    return out.Text();
}

std::string StatsCsv(const StatsInput& input)
{
    int places = 0;
    for (const QuestionFigures& question : input.table)
        for (const AnswerFigures& answer : question.answers)
            places = std::max(places, answer.answer + 1);
    std::string out =
        "chapter,question,text,asked,right,facility,discrimination,flagged,no_answer,right_answer";
    for (int place = 1; place <= places; ++place)
        out += ",answer_" + std::to_string(place);
    out += ",judged,check\r\n";
    for (const QuestionFigures& question : input.table)
    {
        if (question.asked == 0)
            continue;
        out += CsvField(question.chapter) + ',' + CsvField(question.question) + ',' +
               CsvField(question.bank ? question.bank->GetText() : std::string()) + ',' +
               std::to_string(question.asked) + ',' + std::to_string(question.right) + ',' +
               Share(question.right, question.asked) + ',' +
               (question.discrimination ? json::FixedText(*question.discrimination, 3) : std::string()) +
               ',' + std::to_string(question.flagged) + ',' + Share(question.unanswered, question.asked) +
               ',' + RightPlaces(question);
        for (int place = 0; place < places; ++place)
        {
            const auto answer = std::find_if(question.answers.begin(), question.answers.end(),
                                             [&](const AnswerFigures& a) { return a.answer == place; });
            out += ',';
            if (answer != question.answers.end())
                out += Share(answer->chosen, question.asked);
        }
        std::string check;
        for (const CheckReason reason : question.reasons)
            check += (check.empty() ? "" : " ") + std::string(ReasonKey(reason));
        out += std::string(",") + (question.judged ? "yes" : "no") + ',' + check + "\r\n";
    }
    return out;
}
}
