#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/QuestionStats.h"

// The question statistics as quillet-records stats prints them, and the
// words and figures that the class report shares with it. Answers are
// numbered from 1 as the bank lists them.
namespace quillet
{
struct StatsInput
{
    const QuestionStats* stats = nullptr;
    std::optional<TestKind> kind; // the kind of the question table; none for all
    std::vector<QuestionFigures> table;
    std::vector<ChapterFigures> chapters;
    std::vector<ReliabilityFigures> reliability;
    int unreadable = 0; // blocks of the responses file that did not read
};

// "few_right", "most_right", "low_discrimination", "wrong_answer_preferred", "probably_miskeyed".
const char* ReasonKey(CheckReason reason);
// The reason in words, with the figures behind it.
std::string ReasonText(CheckReason reason, const QuestionFigures& question);

// "Tests", "Pre-Tests", "Quizzes", or "tests of every kind" without one.
std::string KindsWord(std::optional<TestKind> kind);
// A share in per cent with one decimal, "62.5%".
std::string PercentText(long long part, long long whole);
// The discrimination index with three decimals, or "-" when there is none.
std::string DiscriminationText(const QuestionFigures& question);
// KR-20 with three decimals, or "-" when it is not defined.
std::string AlphaText(const ReliabilityFigures& figures);
// "Tests of BANK-PATH, 20 questions" and for a quiz its chapter.
std::string ReliabilityName(const ReliabilityFigures& figures);

std::string StatsText(const StatsInput& input);
std::string StatsJson(const StatsInput& input);
// A header row, then a row per asked question; every row ends in CR LF.
std::string StatsCsv(const StatsInput& input);
}
