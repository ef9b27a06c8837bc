#pragma once

#include "records/RecordFile.h"
#include "records/ResultRegrade.h"

namespace quillet
{
// A regrade of a record file and the answers kept beside it, both rewritten
// under the record file's lock.
class FileRegrade : public ResultRegrade
{
  public:
    explicit FileRegrade(std::string path) : m_file(std::move(path)) {}

    StoreStatus Run(const BankKeys& bank, const std::vector<BankKeys>& earlier, bool dryRun, TimeStamp now,
                    RegradeReport& report) override;

  private:
    // Regrades the roster and the records in memory; answers whether any
    // answer's mark or key changed.
    static bool Apply(const BankKeys& bank, const std::vector<BankKeys>& earlier, TimeStamp now,
                      CStudentRoster& roster, std::vector<ResponseRecord>& records, RegradeReport& report);

    CRecordFile m_file;
};
}
