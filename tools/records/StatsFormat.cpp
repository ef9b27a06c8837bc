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

void AppendQuestionText(std::string& out, const QuestionFigures& question, const std::string& before = {})
{
    out += before + TerminalText(question.chapter) + "  " + TerminalText(question.question) + "\n";
    if (question.bank)
        out += std::string(before.size() + 2, ' ') + TerminalText(question.bank->GetText()) + "\n";
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
        std::string line = "    answer " + std::to_string(answer.answer + 1) +
                           (answer.right ? " (right)" : "") + (answer.gone ? " (no longer in the bank)" : "");
        const std::string share = PercentText(answer.chosen, question.asked);
        line.resize(std::max<std::size_t>(line.size(), 27 - share.size()), ' ');
        line += share;
        if (const std::string* text = AnswerText(question, answer))
            line += "  " + TerminalText(*text);
        out += line + "\n";
    }
    if (question.kinds.size() > 1)
        for (const KindFigures& kind : question.kinds)
            out += "  in " + KindsWord(kind.kind) + ": asked " + std::to_string(kind.asked) + ", right " +
                   PercentText(kind.right, kind.asked) + ", discrimination " +
                   (kind.discrimination ? json::FixedText(*kind.discrimination, 3) : "-") + "\n";
    if (!question.judged)
        out += "  too few answers to judge: " + std::to_string(question.asked) + " of the " +
               std::to_string(QuestionStats::kEnoughToJudge) + " needed\n";
    for (const CheckReason reason : question.reasons)
        out += "  to check: " + ReasonText(reason, question) + "\n";
}

std::string KindAnswers(long long right, long long asked)
{
    return std::to_string(right) + " of " + std::to_string(asked) + " (" + PercentText(right, asked) + ")";
}

// Each kind's figures of a question, as JSON.
void WriteKinds(json::Writer& out, const QuestionFigures& question)
{
    out.Key("kinds").BeginArray();
    for (const KindFigures& kind : question.kinds)
    {
        out.BeginObject().Key("kind").String(TestKindKey(kind.kind));
        out.Key("asked").Number(kind.asked).Key("right").Number(kind.right);
        out.Key("facility").Fixed(QuestionFigures::Thousandths(kind.right, kind.asked), 3);
        out.Key("discrimination");
        if (kind.discrimination)
            out.Fixed(*kind.discrimination, 3);
        else
            out.Null();
        out.EndObject();
    }
    out.EndArray();
}

void WriteChapters(json::Writer& out, const std::vector<ChapterFigures>& chapters)
{
    out.Key("chapters").BeginArray();
    for (const ChapterFigures& chapter : chapters)
    {
        out.BeginObject().Key("chapter").String(chapter.chapter);
        out.Key("asked").Number(chapter.Asked()).Key("right").Number(chapter.Right());
        out.Key("share").Fixed(QuestionFigures::Thousandths(chapter.Right(), chapter.Asked()), 3);
        out.Key("kinds").BeginArray();
        for (std::size_t kind = 0; kind < chapter.asked.size(); ++kind)
            if (chapter.asked[kind] > 0)
                out.BeginObject()
                    .Key("kind")
                    .String(TestKindKey(static_cast<TestKind>(kind)))
                    .Key("asked")
                    .Number(chapter.asked[kind])
                    .Key("right")
                    .Number(chapter.right[kind])
                    .Key("share")
                    .Fixed(QuestionFigures::Thousandths(chapter.right[kind], chapter.asked[kind]), 3)
                    .EndObject();
        out.EndArray().EndObject();
    }
    out.EndArray();
}

void WriteReliability(json::Writer& out, const std::vector<ReliabilityFigures>& reliability)
{
    out.Key("reliability").BeginArray();
    for (const ReliabilityFigures& figures : reliability)
    {
        out.BeginObject().Key("kind").String(TestKindKey(figures.kind));
        out.Key("quiz_chapter").String(figures.quizChapter);
        out.Key("bank").String(figures.bank.path).Key("bank_hash").String(HashText(figures.bank.hash));
        out.Key("questions").Number(figures.questions).Key("tests").Number(figures.tests);
        out.Key("alpha");
        if (figures.alpha)
            out.Fixed(*figures.alpha, 3);
        else
            out.Null();
        out.EndObject();
    }
    out.EndArray();
}

// Each question's place in the order to check them, from 1, by its place in the table.
std::vector<long long> Ranks(const std::vector<QuestionFigures>& table)
{
    std::vector<long long> ranks(table.size());
    long long rank = 0;
    for (const QuestionFigures* question : ToCheckFirst(table))
        ranks[static_cast<std::size_t>(question - table.data())] = ++rank;
    return ranks;
}
}

const char* ReasonKey(CheckReason reason)
{
    switch (reason)
    {
    case CheckReason::ProbablyMiskeyed:
        return "probably_miskeyed";
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
    case CheckReason::ProbablyMiskeyed:
    {
        const auto wrong =
            std::max_element(question.answers.begin(), question.answers.end(),
                             [](const AnswerFigures& a, const AnswerFigures& b)
                             { return (a.right ? -1 : a.upperShare) < (b.right ? -1 : b.upperShare); });
        return "probably mis-keyed: of the " + std::to_string(question.upperGroup) +
               " who did best on the rest of their test, " + json::FixedText(wrong->upperShare, 1) +
               "% chose answer " + std::to_string(wrong->answer + 1) + " and " +
               json::FixedText(question.upperRightShare, 1) + "% the right one";
    }
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

std::string KindsWord(std::optional<TestKind> kind)
{
    if (!kind)
        return "tests of every kind";
    switch (*kind)
    {
    case TestKind::PreTest:
        return "Pre-Tests";
    case TestKind::Quiz:
        return "Quizzes";
    case TestKind::Test:
        break;
    }
    return "Tests";
}

std::string PercentText(long long part, long long whole)
{
    return json::FixedText(QuestionFigures::Thousandths(part, whole), 1) + "%";
}

std::string DiscriminationText(const QuestionFigures& question)
{
    return question.discrimination ? json::FixedText(*question.discrimination, 3) : "-";
}

std::string AlphaText(const ReliabilityFigures& figures)
{
    return figures.alpha ? json::FixedText(*figures.alpha, 3) : "-";
}

std::string ReliabilityName(const ReliabilityFigures& figures)
{
    std::string name = KindsWord(figures.kind);
    if (figures.kind == TestKind::Quiz)
        name += " of " + figures.quizChapter;
    return name + " from " + (figures.bank.path.empty() ? HashText(figures.bank.hash) : figures.bank.path) +
           ", " + std::to_string(figures.questions) + " questions";
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
    out += input.kind ? "Of the " + KindsWord(input.kind) + " only (--kind chooses another kind, or all)\n"
                      : "Of every kind, each question's discrimination within each kind\n";
    out += std::to_string(toCheck) + " to check, " + std::to_string(tooFew) + " with fewer than " +
           std::to_string(QuestionStats::kEnoughToJudge) + " answers, not judged yet\n";
    if (toCheck > 0)
    {
        out += "\nTo check first, the worst first:\n";
        long long rank = 0;
        for (const QuestionFigures* question : order)
            if (!question->reasons.empty())
            {
                AppendQuestionText(out, *question, std::to_string(++rank) + ". ");
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
    if (!input.reliability.empty())
    {
        out += "\nReliability (Cronbach's alpha, as KR-20), tests of every kind:\n";
        for (const ReliabilityFigures& figures : input.reliability)
            out += "  " + TerminalText(ReliabilityName(figures)) + ": " + AlphaText(figures) + " over " +
                   std::to_string(figures.tests) + (figures.tests == 1 ? " test\n" : " tests\n");
    }
    if (!input.chapters.empty())
    {
        out += "\nChapters, the answers right of those asked in tests of every kind:\n";
        for (const ChapterFigures& chapter : input.chapters)
        {
            out +=
                "  " + TerminalText(chapter.chapter) + ": " + KindAnswers(chapter.Right(), chapter.Asked());
            for (std::size_t kind = 0; kind < chapter.asked.size(); ++kind)
                if (chapter.asked[kind] > 0)
                    out += "; " + KindsWord(static_cast<TestKind>(kind)) + " " +
                           KindAnswers(chapter.right[kind], chapter.asked[kind]);
            out += "\n";
        }
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
    const std::vector<long long> ranks = Ranks(input.table);
    out.Key("questions").BeginArray();
    for (std::size_t i = 0; i < input.table.size(); ++i)
    {
        const QuestionFigures& question = input.table[i];
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
            if (answer.gone)
                out.Key("gone").Bool(true);
            out.Key("share").Fixed(QuestionFigures::Thousandths(answer.chosen, question.asked), 3);
            out.Key("upper_share").Fixed(answer.upperShare, 3);
            out.EndObject();
        }
        out.EndArray();
        out.Key("judged").Bool(question.judged);
        out.Key("check").BeginArray();
        for (const CheckReason reason : question.reasons)
            out.String(ReasonKey(reason));
        out.EndArray();
        out.Key("rank").Number(ranks[i]);
        out.Key("past_bound").Fixed(question.pastBound, 3);
        out.Key("upper_group").Number(question.upperGroup);
        out.Key("upper_right").Fixed(question.upperRightShare, 3);
        WriteKinds(out, question);
        out.EndObject();
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
    out.EndArray();
    out.Key("kind").String(input.kind ? TestKindKey(*input.kind) : "all");
    WriteReliability(out, input.reliability);
    WriteChapters(out, input.chapters);
    out.EndObject();
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
    out += ",judged,check,rank,past_bound,upper_group,upper_right";
    for (int place = 1; place <= places; ++place)
        out += ",upper_answer_" + std::to_string(place);
    out += "\r\n";
    const std::vector<long long> ranks = Ranks(input.table);
    for (std::size_t i = 0; i < input.table.size(); ++i)
    {
        const QuestionFigures& question = input.table[i];
        if (question.asked == 0)
            continue;
        out += CsvField(question.chapter) + ',' + CsvField(question.question) + ',' +
               CsvField(question.bank ? question.bank->GetText() : std::string()) + ',' +
               std::to_string(question.asked) + ',' + std::to_string(question.right) + ',' +
               Share(question.right, question.asked) + ',' +
               (question.discrimination ? json::FixedText(*question.discrimination, 3) : std::string()) +
               ',' + std::to_string(question.flagged) + ',' + Share(question.unanswered, question.asked) +
               ',' + RightPlaces(question);
        std::string upper;
        for (int place = 0; place < places; ++place)
        {
            const auto answer = std::find_if(question.answers.begin(), question.answers.end(),
                                             [&](const AnswerFigures& a) { return a.answer == place; });
            out += ',';
            upper += ',';
            if (answer != question.answers.end())
            {
                out += Share(answer->chosen, question.asked);
                upper += json::FixedText(answer->upperShare, 3);
            }
        }
        std::string check;
        for (const CheckReason reason : question.reasons)
            check += (check.empty() ? "" : " ") + std::string(ReasonKey(reason));
        out += std::string(",") + (question.judged ? "yes" : "no") + ',' + check + ',' +
               std::to_string(ranks[i]) + ',' + json::FixedText(question.pastBound, 3) + ',' +
               std::to_string(question.upperGroup) + ',' + json::FixedText(question.upperRightShare, 3);
        out += upper + "\r\n";
    }
    return out;
}
}
