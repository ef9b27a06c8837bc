#pragma once

#include "records/PgConnection.h"
#include "records/ResultRegrade.h"

namespace quillet
{
// A regrade of the results on a record server, in one transaction, as the
// owner of the records: each changed score with the one it replaces in
// quillet.regrades, and its answers' marks.
class PgRegrade : public ResultRegrade
{
  public:
    explicit PgRegrade(std::string connection) : m_db(std::move(connection)) {}

    StoreStatus Run(const BankKeys& bank, const std::vector<BankKeys>& earlier, bool dryRun, TimeStamp now,
                    RegradeReport& report) override;

  private:
    PgConnection m_db;
};
}
