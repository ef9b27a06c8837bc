#pragma once

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
    std::vector<QuestionFigures> table;
    int unreadable = 0; // blocks of the responses file that did not read
};

// The questions a teacher should look at first: those to check, then the
// others judged, then those with too few answers; never-asked ones last.
std::vector<const QuestionFigures*> ToCheckFirst(const std::vector<QuestionFigures>& table);

// "few_right", "most_right", "low_discrimination", "wrong_answer_preferred".
const char* ReasonKey(CheckReason reason);
// The reason in words, with the figures behind it.
std::string ReasonText(CheckReason reason, const QuestionFigures& question);

// A share in per cent with one decimal, "62.5%".
std::string PercentText(long long part, long long whole);
// The discrimination index with three decimals, or "-" when there is none.
std::string DiscriminationText(const QuestionFigures& question);

std::string StatsText(const StatsInput& input);
std::string StatsJson(const StatsInput& input);
// A header row, then a row per asked question; every row ends in CR LF.
std::string StatsCsv(const StatsInput& input);
}
