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

std::optional<int> ResultRegrade::Judge(const BankKeys& bank, const std::vector<BankKeys>& earlier,
                                        const RegradedTest& test, int storedRight, ResponseRecord record,
                                        Rescored& rescored, RegradeReport& report)
{
    for (const BankKeys& version : earlier)
        version.KeyAnswers(record);
    rescored = bank.Rescore(record);
    using Reason = RegradeReport::Left::Reason;
    switch (rescored.outcome)
    {
    case Rescored::Outcome::QuestionGone:
        report.left.push_back({test, Reason::QuestionGone,
                               "a question of chapter \"" + rescored.chapter + "\" (key " +
                                   rescored.question + ") is no longer in " + bank.Identity().path});
        return std::nullopt;
    case Rescored::Outcome::PlaceOnly:
        report.left.push_back({test, Reason::PlaceOnly,
                               "its answers are known only by their place in the bank it was drawn from (" +
                                   record.bank.path + ", hash " + HashText(record.bank.hash) +
                                   "), a version not given"});
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
