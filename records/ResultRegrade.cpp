#include "records/ResultRegrade.h"

#include "records/FileRegrade.h"
#include "records/PgRegrade.h"
#include "records/RecordSource.h"

namespace quillet
{
std::unique_ptr<ResultRegrade> ResultRegrade::Open(const std::string& where)
{
    if (NamesRecordServer(where))
        return std::make_unique<PgRegrade>(where);
    return std::make_unique<FileRegrade>(where);
}

std::optional<int> ResultRegrade::Judge(const BankKeys& bank, const RegradedTest& test, int storedRight,
                                        const Rescored& rescored, RegradeReport& report)
{
    switch (rescored.outcome)
    {
    case Rescored::Outcome::QuestionGone:
        report.left.push_back({test, "a question of chapter \"" + rescored.chapter + "\" (key " +
                                         rescored.question + ") is no longer in " + bank.Identity().path});
        return std::nullopt;
    case Rescored::Outcome::PlaceOnly:
        report.left.push_back({test,
                               "its answers were kept by their place in an earlier version of the bank, "
                               "which is not at hand"});
        return std::nullopt;
    case Rescored::Outcome::Scored:
        break;
    }
    report.answersGone += rescored.answersGone;
    if (rescored.right == storedRight)
    {
        ++report.unchanged;
        return std::nullopt;
    }
    report.changed.push_back({test, storedRight, rescored.right});
    return rescored.right;
}
}
