#include "tools/records/ClassReport.h"

#include "records/BankKeys.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <random>

#include "platform/Files.h"
#include "platform/Json.h"
#include "platform/Text.h"
#include "tools/records/RecordsFormat.h"

namespace quillet
{
namespace
{
// JSON kept inside a <script> element: no <, > or & at all (they can only
// stand in strings), so that neither </script> nor <!-- can end or bend it.
std::string ScriptJson(std::string_view json)
{
    std::string out;
    out.reserve(json.size());
    for (const char c : json)
    {
        if (c == '<')
            out += "\\u003c";
        else if (c == '>')
            out += "\\u003e";
        else if (c == '&')
            out += "\\u0026";
        else
            out += c;
    }
    return out;
}

// A fresh value for the page's Content-Security-Policy: only scripts and
// styles that carry it run, so markup that slipped into the page could not.
std::string Nonce()
{
    std::random_device random;
    static const char kHex[] = "0123456789abcdef";
    std::string nonce;
    for (int i = 0; i < 32; ++i)
        nonce += kHex[random() % 16];
    return nonce;
}

std::string Tenths(double value)
{
    return json::FixedText(std::llround(value * 10), 1);
}

constexpr const char* kStyle = R"css(
body { font-family: "Liberation Sans", Arial, sans-serif; margin: 1.5rem; color: #1a1a1a; max-width: 75rem; }
h1 { font-size: 1.6rem; margin-bottom: 0.2rem; }
h2 { font-size: 1.25rem; margin-top: 2rem; border-bottom: 1px solid #bbb; }
.pair { display: flex; flex-wrap: wrap; gap: 1.5rem; align-items: flex-start; }
.chart { position: relative; flex: 1 1 28rem; height: 18rem; margin: 0; }
.chart.tall { height: 26rem; }
.pair table { flex: 0 1 22rem; }
table { border-collapse: collapse; font-size: 0.9rem; }
th, td { border: 1px solid #ccc; padding: 0.25rem 0.5rem; text-align: left; vertical-align: top; }
td.number, th.number { text-align: right; font-variant-numeric: tabular-nums; }
caption { text-align: left; font-weight: bold; padding-bottom: 0.3rem; }
tr.check td { background: #fff4e0; }
th button { font: inherit; font-weight: bold; color: inherit; background: none; border: 0; padding: 0;
            cursor: pointer; text-align: inherit; }
th[aria-sort="ascending"] button::after { content: " \25B2"; }
th[aria-sort="descending"] button::after { content: " \25BC"; }
.scroll { overflow-x: auto; }
#reliability { margin-bottom: 1.2rem; }
#chapters td { white-space: nowrap; }
#answer-grid td { white-space: nowrap; font-size: 0.8rem; }
#answer-grid td.right { background: #e4f2e4; }
#answer-grid td.wrong { background: #f7dede; }
#answer-grid td.none { background: #eee; }
ol.answers { margin: 0; padding-left: 1.6rem; }
ul.reasons { margin: 0; padding-left: 1rem; }
.right-answer { font-weight: bold; }
.key { font-family: "Liberation Mono", monospace; font-size: 0.8rem; color: #555; }
.note { color: #444; }
@media print {
  body { margin: 0; max-width: none; }
  .pair { display: block; }
  .scroll { overflow: visible; }
  .chart { width: 100%; height: 16rem; break-inside: avoid; }
  section, tr { break-inside: avoid; }
}
)css";

// Draws each chart whose canvas is on the page, from the figures in
// #report-data; drawn once, without animation, so that a print shows it whole.
constexpr const char* kDrawing = R"js(
(function () {
  'use strict';
  const data = JSON.parse(document.getElementById('report-data').textContent);
  Chart.defaults.animation = false;
  Chart.defaults.maintainAspectRatio = false;
  Chart.defaults.font.family = '"Liberation Sans", Arial, sans-serif';
  const colours = ['#3b6ea5', '#c0504d', '#4f9a55', '#8064a2', '#d08a2b', '#2c9bb0', '#7f7f7f', '#b5527f'];
  const day = (seconds) => {
    const d = new Date(seconds * 1000);
    return d.getFullYear() + '-' + String(d.getMonth() + 1).padStart(2, '0') + '-' +
      String(d.getDate()).padStart(2, '0');
  };
  const clock = (seconds) => {
    const d = new Date(seconds * 1000);
    return String(d.getHours()).padStart(2, '0') + ':' + String(d.getMinutes()).padStart(2, '0');
  };
  // A date shows its time where several scores, or several ticks, fall on its day.
  const seen = new Map();
  for (const student of data.students)
    for (const s of student.scores) seen.set(day(s[0]), (seen.get(day(s[0])) || 0) + 1);
  const when = (seconds) => (seen.get(day(seconds)) > 1 ? day(seconds) + ' ' + clock(seconds) : day(seconds));
  const tick = (value, index, ticks) =>
    ticks.some((t, i) => i !== index && day(t.value) === day(value)) ? day(value) + ' ' + clock(value) : day(value);
  const draw = (id, config) => {
    const canvas = document.getElementById(id);
    if (canvas) new Chart(canvas, config);
  };
  draw('chart-distribution', {
    type: 'bar',
    data: { labels: data.distribution.labels,
            datasets: [{ label: 'Tests', data: data.distribution.counts, backgroundColor: colours[0] }] },
    options: { plugins: { legend: { display: false } },
               scales: { x: { title: { display: true, text: 'Score (per cent)' } },
                         y: { beginAtZero: true, ticks: { precision: 0 },
                              title: { display: true, text: 'Tests' } } } }
  });
  draw('chart-chapters', {
    type: 'bar',
    data: { labels: data.chapters.labels,
            datasets: data.chapters.kinds.map((kind, i) => ({ label: kind.label, data: kind.percents,
                                                              backgroundColor: colours[(i + 1) % colours.length] })) },
    options: { indexAxis: 'y',
               scales: { x: { min: 0, max: 100, title: { display: true, text: 'Answers right (per cent)' } } } }
  });
  draw('chart-over-time', {
    type: 'line',
    data: { datasets: data.students.map((student, i) => ({
      label: student.name,
      data: student.scores.map((s) => ({ x: s[0], y: s[1] })),
      pointStyle: student.scores.map((s) => (s[2] ? 'triangle' : 'circle')),
      borderColor: colours[i % colours.length], backgroundColor: colours[i % colours.length],
      pointRadius: 3.5, borderWidth: 1.5 })) },
    options: { parsing: false, normalized: true,
               plugins: { legend: { display: data.students.length <= 12 },
                          tooltip: { callbacks: { title: (items) => items.length ? when(items[0].parsed.x) : '' } } },
               scales: { x: { type: 'linear', ticks: { callback: tick, maxTicksLimit: 8 } },
                         y: { min: 0, max: 100, title: { display: true, text: 'Score (per cent)' } } } }
  });
})();
)js";

// Sorts a table.sortable by a column when its header's button is pressed,
// the other way when pressed again, from the rows' data-KEY; rows without
// the figure stay last. Apart from the charts, so that it works without them.
constexpr const char* kSorting = R"js(
(function () {
  'use strict';
  for (const table of document.querySelectorAll('table.sortable')) {
    const body = table.tBodies[0];
    const heads = [...table.tHead.querySelectorAll('th[data-sort]')];
    for (const th of heads) {
      th.querySelector('button').addEventListener('click', () => {
        const ascending = th.getAttribute('aria-sort') !== 'ascending';
        for (const other of heads) other.removeAttribute('aria-sort');
        th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
        const key = th.dataset.sort;
        const text = th.dataset.type === 'text';
        const rows = [...body.rows].sort((a, b) => {
          const x = a.dataset[key], y = b.dataset[key];
          if (x === undefined || y === undefined) return (x === undefined) - (y === undefined);
          const order = text ? x.localeCompare(y) : Number(x) - Number(y);
          return ascending ? order : -order;
        });
        body.append(...rows);
      });
    }
  }
})();
)js";

void Row(std::string& out, const std::string& header, const std::string& value, const char* id)
{
    out += "<tr><th scope=\"row\">" + HtmlText(header) + "</th><td class=\"number\" id=\"" + id + "\">" +
           HtmlText(value) + "</td></tr>\n";
}

std::string Canvas(const char* id, const std::string& label, bool tall = false)
{
    return std::string("<figure class=\"chart") + (tall ? " tall" : "") + "\"><canvas id=\"" + id +
           "\" role=\"img\" aria-label=\"" +
           HtmlText(label + " The table beside it gives the same figures.") + "\"></canvas></figure>\n";
}

void Glance(std::string& out, const ClassSummary& summary)
{
    out += "<section id=\"glance\"><h2>The class at a glance</h2>\n<table class=\"figures\">\n";
    Row(out, "Students", std::to_string(summary.Students()), "students");
    Row(out, "Tests", std::to_string(summary.Count(TestKind::Test)), "tests");
    Row(out, "Pre-Tests", std::to_string(summary.Count(TestKind::PreTest)), "pretests");
    Row(out, "Quizzes", std::to_string(summary.Count(TestKind::Quiz)), "quizzes");
    if (!summary.TestScores().empty())
    {
        Row(out, "Median Test score", Tenths(summary.TestQuantile(0.5)) + "%", "median");
        Row(out, "Middle half of the Test scores",
            Tenths(summary.TestQuantile(0.25)) + "% to " + Tenths(summary.TestQuantile(0.75)) + "%",
            "quartiles");
        Row(out, "Lowest and highest Test score",
            std::to_string(summary.TestScores().front()) + "% to " +
                std::to_string(summary.TestScores().back()) + "%",
            "range");
    }
    out += "</table>\n</section>\n";
}

void Distribution(std::string& out, json::Writer& data, const ClassSummary& summary)
{
    const std::array<int, 10> bins = summary.Distribution();
    data.Key("distribution").BeginObject().Key("labels").BeginArray();
    for (int b = 0; b < 10; ++b)
        data.String(std::to_string(b * 10) + "-" + std::to_string(b == 9 ? 100 : b * 10 + 9));
    data.EndArray().Key("counts").BeginArray();
    for (const int count : bins)
        data.Number(count);
    data.EndArray().EndObject();

    out += "<section id=\"distribution\"><h2>Test scores</h2>\n";
    if (summary.TestScores().empty())
    {
        out += "<p class=\"note\">No Test was graded in this period.</p>\n</section>\n";
        return;
    }
    out += "<div class=\"pair\">\n" +
           Canvas("chart-distribution", "Bar chart: how many Tests scored in each band.");
    out +=
        "<table><caption>Tests by score</caption>\n<thead><tr><th>Score</th><th class=\"number\">Tests</th>"
        "</tr></thead>\n<tbody>\n";
    for (int b = 0; b < 10; ++b)
        out += "<tr><td>" + std::to_string(b * 10) + "&ndash;" + std::to_string(b == 9 ? 100 : b * 10 + 9) +
               "%</td><td class=\"number\">" + std::to_string(bins[static_cast<std::size_t>(b)]) +
               "</td></tr>\n";
    out += "</tbody></table>\n</div>\n</section>\n";
}

void Chapters(std::string& out, json::Writer& data, const std::vector<ChapterFigures>& chapters)
{
    std::array<bool, 3> answered{};
    for (const ChapterFigures& chapter : chapters)
        for (std::size_t kind = 0; kind < answered.size(); ++kind)
            answered[kind] = answered[kind] || chapter.asked[kind] > 0;
    data.Key("chapters").BeginObject().Key("labels").BeginArray();
    for (const ChapterFigures& chapter : chapters)
        data.String(TextToUtf8(chapter.chapter));
    data.EndArray().Key("kinds").BeginArray();
    for (std::size_t kind = 0; kind < answered.size(); ++kind)
    {
        if (!answered[kind])
            continue;
        data.BeginObject()
            .Key("label")
            .String(KindsWord(static_cast<TestKind>(kind)))
            .Key("percents")
            .BeginArray();
        for (const ChapterFigures& chapter : chapters)
            if (chapter.asked[kind] > 0)
                data.Fixed(QuestionFigures::Thousandths(chapter.right[kind], chapter.asked[kind]), 1);
            else
                data.Null();
        data.EndArray().EndObject();
    }
    data.EndArray().EndObject();

    out += "<section id=\"chapters\"><h2>Chapter by chapter</h2>\n";
    if (chapters.empty())
    {
        out += "<p class=\"note\">No answers are kept for this period.</p>\n</section>\n";
        return;
    }
    out += "<p class=\"note\">The answers to each chapter's questions in every kind of test, and the share "
           "of them answered right.</p>\n<div class=\"pair\">\n" +
           Canvas("chart-chapters", "Bar chart: the share of answers right in each chapter, kind by kind.");
    out += "<table><caption>Answers right by chapter</caption>\n<thead><tr><th scope=\"col\">Chapter</th>";
    for (int kind = 0; kind < 3; ++kind)
        out += "<th scope=\"col\" class=\"number\">" + KindsWord(static_cast<TestKind>(kind)) + "</th>";
    out += "<th scope=\"col\" class=\"number\">All</th></tr></thead>\n<tbody>\n";
    const auto cell = [](long long right, long long asked)
    {
        return "<td class=\"number\">" +
               (asked == 0 ? std::string("&ndash;")
                           : std::to_string(right) + " of " + std::to_string(asked) + " (" +
                                 PercentText(right, asked) + ")") +
               "</td>";
    };
    for (const ChapterFigures& chapter : chapters)
    {
        out += "<tr><th scope=\"row\">" + HtmlText(chapter.chapter) + "</th>";
        for (std::size_t kind = 0; kind < 3; ++kind)
            out += cell(chapter.right[kind], chapter.asked[kind]);
        out += cell(chapter.Right(), chapter.Asked()) + "</tr>\n";
    }
    out += "</tbody></table>\n</div>\n</section>\n";
}

void OverTime(std::string& out, json::Writer& data, const ClassSummary& summary)
{
    data.Key("students").BeginArray();
    std::map<std::string, int> perDay;
    for (const ClassSummary::StudentScores& student : summary.OverTime())
    {
        data.BeginObject().Key("name").String(TextToUtf8(student.name)).Key("scores").BeginArray();
        for (const ClassSummary::Score& score : student.scores)
        {
            data.BeginArray()
                .Number(score.graded)
                .Number(score.percent)
                .Number(score.preTest ? 1 : 0)
                .EndArray();
            ++perDay[FormatLocalTime(score.graded, "%Y-%m-%d")];
        }
        data.EndArray().EndObject();
    }
    data.EndArray();

    out += "<section id=\"over-time\"><h2>Each student's scores over time</h2>\n";
    if (summary.OverTime().empty())
    {
        out += "<p class=\"note\">No Test or Pre-Test was graded in this period.</p>\n</section>\n";
        return;
    }
    out += "<div class=\"pair\">\n" +
           Canvas("chart-over-time",
                  "Line chart: each student's Test scores (circles) and Pre-Test scores (triangles) by date.",
                  true);
    out += "<table><caption>Test and Pre-Test scores, oldest first</caption>\n<thead><tr><th>Student</th>"
           "<th>Scores</th></tr></thead>\n<tbody>\n";
    for (const ClassSummary::StudentScores& student : summary.OverTime())
    {
        out += "<tr><td>" + HtmlText(student.name) + "</td><td>";
        for (std::size_t i = 0; i < student.scores.size(); ++i)
        {
            const ClassSummary::Score& score = student.scores[i];
            // Where several scores fall on one day, the time tells them apart.
            const std::string day = FormatLocalTime(score.graded, "%Y-%m-%d");
            out += (i > 0 ? ", " : "") + day +
                   (perDay[day] > 1 ? FormatLocalTime(score.graded, " %H:%M") : "") + " " +
                   std::to_string(score.percent) + "%" + (score.preTest ? " (Pre-Test)" : "");
        }
        out += "</td></tr>\n";
    }
    out += "</tbody></table>\n</div>\n</section>\n";
}

// A question's number in the question table (the bank's order), from 1.
std::size_t NumberOf(const StatsInput& stats, const QuestionFigures& question)
{
    return static_cast<std::size_t>(&question - stats.table.data()) + 1;
}

void QuestionRow(std::string& out, const QuestionFigures& question, std::size_t number, std::size_t rank)
{
    const bool check = !question.reasons.empty();
    const std::string no = std::to_string(number);
    out += std::string("<tr") + (check ? " class=\"check\"" : "") + " id=\"q-" + no + "\" data-question=\"" +
           HtmlText(question.question) + "\" data-number=\"" + no + "\" data-chapter=\"" +
           HtmlText(question.chapter) + "\" data-rank=\"" + std::to_string(rank) + "\"";
    if (question.asked > 0)
    {
        out += " data-asked=\"" + std::to_string(question.asked) + "\" data-facility=\"" +
               std::to_string(question.Facility()) + "\" data-flagged=\"" + std::to_string(question.flagged) +
               "\" data-noanswer=\"" +
               std::to_string(QuestionFigures::Thousandths(question.unanswered, question.asked)) + "\"";
        if (question.discrimination)
            out += " data-discrimination=\"" + std::to_string(*question.discrimination) + "\"";
    }
    out += "><td class=\"number\">" + no + "</td><td class=\"chapter\">" + HtmlText(question.chapter) +
           "</td><td class=\"question\">";
    if (question.bank)
        out += HtmlText(question.bank->GetText()) + "<br>";
    out += "<span class=\"key\">" + HtmlText(question.question) + "</span></td>";
    if (question.asked == 0)
    {
        out += "<td class=\"asked number\">0</td><td colspan=\"6\">never asked</td></tr>\n";
        return;
    }
    out += "<td class=\"asked number\">" + std::to_string(question.asked) + "</td>";
    out += "<td class=\"facility number\">" + PercentText(question.right, question.asked) + "</td>";
    out += "<td class=\"discrimination number\">" + DiscriminationText(question) + "</td>";
    out += "<td class=\"flagged number\">" + std::to_string(question.flagged) + "</td>";
    out += "<td class=\"no-answer number\">" + PercentText(question.unanswered, question.asked) + "</td>";
    out += "<td><ol class=\"answers\">";
    for (const AnswerFigures& answer : question.answers)
    {
        const std::string place = std::to_string(answer.answer + 1);
        out += "<li value=\"";
        out += place;
        out += "\" data-answer=\"";
        out += place;
        out +=
            answer.right ? "\" class=\"right-answer\"><span class=\"share\">" : "\"><span class=\"share\">";
        out += PercentText(answer.chosen, question.asked);
        out += answer.right ? "</span> (right)" : "</span>";
        if (answer.gone)
            out += " (no longer in the bank)";
        if (const std::string* text = question.bank ? question.bank->GetAnswerText(answer.answer) : nullptr)
            out += " " + HtmlText(*text);
        out += "</li>";
    }
    out += "</ol></td><td class=\"reasons\">";
    if (!question.judged)
        out += "too few answers to judge (" + std::to_string(question.asked) + " of " +
               std::to_string(QuestionStats::kEnoughToJudge) + ")";
    if (check)
    {
        out += "<ul class=\"reasons\">";
        for (const CheckReason reason : question.reasons)
            out += "<li data-reason=\"" + std::string(ReasonKey(reason)) + "\">" +
                   HtmlText(ReasonText(reason, question)) + "</li>";
        out += "</ul>";
    }
    out += "</td></tr>\n";
}

void Reliability(std::string& out, const std::vector<ReliabilityFigures>& reliability)
{
    if (reliability.empty())
        return;
    out += "<table id=\"reliability\"><caption>Reliability (Cronbach's alpha, as KR-20) of each kind of "
           "test</caption>\n<thead><tr>"
           "<th scope=\"col\">Tests</th><th scope=\"col\" class=\"number\">Taken</th>"
           "<th scope=\"col\" class=\"number\">Alpha</th></tr></thead>\n<tbody>\n";
    for (const ReliabilityFigures& figures : reliability)
        out += "<tr><th scope=\"row\">" + HtmlText(ReliabilityName(figures)) + "</th><td class=\"number\">" +
               std::to_string(figures.tests) + "</td><td class=\"number alpha\">" +
               (figures.alpha ? json::FixedText(*figures.alpha, 3) : std::string()) + "</td></tr>\n";
    out += "</tbody></table>\n";
}

// A column header that sorts the table by the rows' data-KEY when pressed.
std::string SortHeader(const char* key, const char* label, bool number, bool sorted = false)
{
    return std::string("<th scope=\"col\" data-sort=\"") + key + "\"" + (number ? " class=\"number\"" : "") +
           (sorted ? " aria-sort=\"ascending\"" : "") + (number ? "" : " data-type=\"text\"") +
           "><button type=\"button\">" + label + "</button></th>";
}

void Questions(std::string& out, const StatsInput& stats)
{
    out += "<section id=\"questions\"><h2>Questions</h2>\n<p class=\"note\">" +
           std::to_string(stats.stats->Tests()) + " graded " + KindsWord(stats.kind) + ", " +
           std::to_string(stats.stats->Responses()) +
           " answers. <em>Right</em> is the share answered right; <em>discrimination</em> the correlation "
           "between a question and the rest of its test, within each kind of test (below 0.2, it does not "
           "separate the students who know the material from those who do not). A question is judged once it "
           "has " +
           std::to_string(QuestionStats::kEnoughToJudge) + " answers, a mis-key from " +
           std::to_string(QuestionStats::kEnoughForMiskey) +
           ". Answers are numbered as the bank lists them. Questions to check come first, the worst first; "
           "a column's header sorts the table by it.</p>\n";
    Reliability(out, stats.reliability);
    if (stats.table.empty())
    {
        out += "<p class=\"note\">No answers are kept for this period.</p>\n</section>\n";
        return;
    }
    out += "<table id=\"question-table\" class=\"sortable\"><caption>Question "
           "statistics</caption>\n<thead><tr>" +
           SortHeader("number", "No.", true) + SortHeader("chapter", "Chapter", false) +
           "<th scope=\"col\">Question</th>" + SortHeader("asked", "Asked", true) +
           SortHeader("facility", "Right", true) + SortHeader("discrimination", "Discrimination", true) +
           SortHeader("flagged", "Flagged", true) + SortHeader("noanswer", "No answer", true) +
           "<th scope=\"col\">Answers chosen</th>" + SortHeader("rank", "To check", true, true) +
           "</tr></thead>\n<tbody>\n";
    std::size_t rank = 0;
    for (const QuestionFigures* question : ToCheckFirst(stats.table))
        QuestionRow(out, *question, NumberOf(stats, *question), ++rank);
    out += "</tbody></table>\n</section>\n";
}

// A cell of the grid; a wrong answer is numbered as the question table
// numbers the bank's answers, found by its text where the bank moved it.
std::string GridCell(const AnswerGrid::Cell* cell, const CQuestion* bank)
{
    if (!cell)
        return "<td></td>";
    std::string text;
    const char* type = "none";
    switch (cell->last)
    {
    case AnswerGrid::Outcome::Right:
        text = "right";
        type = "right";
        break;
    case AnswerGrid::Outcome::Wrong:
    {
        const int place = bank && !cell->lastAnswerKey.empty() ? BankKeys::PlaceOf(*bank, cell->lastAnswerKey)
                                                               : cell->lastAnswer;
        text = place < 0 ? std::string("wrong, an answer no longer in the bank")
                         : "wrong, " + std::to_string(place + 1);
        type = "wrong";
        break;
    }
    case AnswerGrid::Outcome::None:
        text = "none";
        break;
    }
    if (cell->asked > 1)
        text += " (" + std::to_string(cell->right) + " of " + std::to_string(cell->asked) + ")";
    return std::string("<td class=\"") + type + "\">" + text + "</td>";
}

void Grid(std::string& out, const StatsInput& stats, const AnswerGrid* grid)
{
    if (!grid)
        return;
    out += "<section id=\"grid\"><h2>Who answered what</h2>\n";
    if (grid->TooLarge())
    {
        out += "<p class=\"note\">The students by their questions make more than the " +
               std::to_string(AnswerGrid::kMostCells) +
               " answers a page shows: --since or --kind takes in fewer.</p>\n</section>\n";
        return;
    }
    if (grid->Students().empty())
    {
        out += "<p class=\"note\">No answers are kept for this period.</p>\n</section>\n";
        return;
    }
    std::vector<const QuestionFigures*> columns;
    for (const QuestionFigures* question : ToCheckFirst(stats.table))
        if (question->asked > 0)
            columns.push_back(question);
    out += "<p class=\"note\">Each student's answer to each question of the " + KindsWord(stats.kind) +
           " in the latest test that asked it (<em>wrong</em> with the answer chosen, <em>none</em> when "
           "none was) and, when it was asked more than once, how many times it was answered right of how "
           "many. The questions are numbered as in the question table and come in its order, those to check "
           "first.</p>\n";
    out +=
        "<div class=\"scroll\"><table id=\"answer-grid\"><caption>Answers by student and question</caption>\n"
        "<thead><tr><th scope=\"col\">Student</th>";
    for (const QuestionFigures* question : columns)
    {
        const std::string no = std::to_string(NumberOf(stats, *question));
        std::string title = question->chapter + ": ";
        title += question->bank ? question->bank->GetText() : question->question;
        out += "<th scope=\"col\" class=\"number\"><a href=\"#q-" + no + "\" title=\"" + HtmlText(title);
        out += "\">Q" + no + "</a></th>";
    }
    out += "</tr></thead>\n<tbody>\n";
    for (const std::string& student : grid->Students())
    {
        out += "<tr><th scope=\"row\">" + HtmlText(student) + "</th>";
        for (const QuestionFigures* question : columns)
            out += GridCell(grid->At(student, question->chapter, question->question), question->bank);
        out += "</tr>\n";
    }
    out += "</tbody></table></div>\n</section>\n";
}
}

std::optional<std::string> ReadChartLibrary(std::string& problem)
{
    const char* chosen = std::getenv("QUILLET_CHART_JS");
    const std::string path = chosen && *chosen ? chosen : kChartLibrary;
    std::string text;
    if (const FileStatus read = ReadRegularFile(path, text, 16 << 20); !read)
    {
        problem = "the charts need Chart.js, which " + path + " should hold (" + read.reason +
                  "); install the package libjs-chart.js";
        return std::nullopt;
    }
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("</script") != std::string::npos || lower.find("<!--") != std::string::npos)
    {
        problem = path + " holds text that cannot stand inside a page's script";
        return std::nullopt;
    }
    return text;
}

std::string HtmlText(std::string_view text)
{
    const std::string shown = TerminalText(text);
    std::string out;
    out.reserve(shown.size());
    for (const char c : shown)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ClassReportHtml(const ClassReportInput& input)
{
    const std::string nonce = Nonce();
    const std::string title = input.course.empty() ? "Class report" : "Class report: " + input.course;
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'nonce-" +
           nonce + "'; style-src 'nonce-" + nonce + "'; img-src data:\">\n";
    out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>" + HtmlText(title) + "</title>\n<style nonce=\"" + nonce + "\">" + kStyle + "</style>\n";
    out += "</head>\n<body>\n<header><h1>" + HtmlText(title) + "</h1>\n<p class=\"note\">";
    out += input.since.empty() ? "Every result kept" : "Results graded from " + HtmlText(input.since) + " on";
    out += "; made " + FormatLocalTime(std::time(nullptr), "%Y-%m-%d %H:%M") + ".</p></header>\n<main>\n";

    json::Writer data;
    data.BeginObject();
    Glance(out, *input.summary);
    Distribution(out, data, *input.summary);
    Chapters(out, data, input.stats->chapters);
    OverTime(out, data, *input.summary);
    Questions(out, *input.stats);
    Grid(out, *input.stats, input.grid);
    data.EndObject();

    out += "</main>\n<script type=\"application/json\" id=\"report-data\">" + ScriptJson(data.Text()) +
           "</script>\n";
    out += "<script nonce=\"" + nonce + "\">" + kSorting + "</script>\n";
    out += "<script nonce=\"" + nonce + "\">\n" + input.chartJs + "\n</script>\n";
    out += "<script nonce=\"" + nonce + "\">" + kDrawing + "</script>\n</body>\n</html>\n";
    return out;
}
}
