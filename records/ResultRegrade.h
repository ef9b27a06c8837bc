#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/BankKeys.h"
#include "records/StoreStatus.h"

namespace quillet
{
// One graded test as a regrade names it.
struct RegradedTest
{
    std::string student;
    TestKind kind = TestKind::Test;
    std::string course;
    std::string quizChapter;
    TimeStamp graded = 0;
    int total = 0;
};

// What a regrade did, or would do on a dry run.
struct RegradeReport
{
    struct Change
    {
        RegradedTest test;
        int before = 0;
        int after = 0;
    };
    struct Left
    {
        enum class Reason
        {
            QuestionGone, // a question of it is no longer in the bank
            PlaceOnly,    // its answers are known by place in a version of the bank not given
            NoResult,     // its answers are kept, its result is not
        };
        RegradedTest test;
        Reason reason = Reason::QuestionGone;
        std::string why;
    };
    std::vector<Change> changed;
    long long unchanged = 0;      // scored again to the score they had
    std::vector<Left> left;       // left as they were, and why
    long long answersGone = 0;    // answers whose text the bank no longer has: they kept their mark
    long long withoutAnswers = 0; // results of the course whose answers are not kept
};

// Scores again every graded result of a bank's course whose answers the
// store keeps, against the bank's keys: the score a result had goes into
// its history, its answers' marks follow, nothing else changes. A result
// with a question the bank no longer holds, or whose answers are known only
// by their place in a version of the bank that is not at hand, is left as
// it was. Running it again changes nothing.
class ResultRegrade
{
  public:
    virtual ~ResultRegrade() = default;

    // For a record server when `where` names one, else the record file at `where`.
    static std::unique_ptr<ResultRegrade> Open(const std::string& where);

    // Answers kept by their place alone are read in whichever of the
    // `earlier` versions of the bank their test was drawn from. With
    // `dryRun`, tells what would change and writes nothing.
    virtual StoreStatus Run(const BankKeys& bank, const std::vector<BankKeys>& earlier, bool dryRun,
                            TimeStamp now, RegradeReport& report) = 0;

    // The rescoring of one kept test into the report, its answers first
    // named by the earlier versions; answers the new score when the result
    // is to change. Shared by every store.
    static std::optional<int> Judge(const BankKeys& bank, const std::vector<BankKeys>& earlier,
                                    const RegradedTest& test, int storedRight, ResponseRecord record,
                                    Rescored& rescored, RegradeReport& report);
};
}
