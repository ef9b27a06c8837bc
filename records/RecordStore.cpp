#include "records/RecordStore.h"

#include <cstdlib>

#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "records/FileRecordStore.h"
#include "records/MachineCredential.h"
#include "records/PgRecordStore.h"

namespace quillet
{
namespace
{
// The record server of a machine whose credential file cannot be trusted:
// its students are told why, take the test as guests, and their results
// wait on the machine as for a server that cannot be reached. Falling back
// to the record folder instead would split the school's records unseen.
class RefusedServerStore : public PgRecordStore
{
  public:
    explicit RefusedServerStore(std::string problem)
        : PgRecordStore(std::string()), m_strProblem(std::move(problem))
    {
    }

    std::string Place() const override { return "the record server"; }
    Login LogIn(const Student&) override { return Refused(); }
    Login Register(const Student&) override { return Refused(); }

  private:
    Login Refused() const
    {
        return {StoreStatus::Failed("the record server cannot be reached: " + m_strProblem), nullptr, {}};
    }

    std::string m_strProblem;
};
}

std::unique_ptr<RecordStore> RecordStore::Open()
{
    std::string database;
    if (const char* set = std::getenv("QUILLET_RECORDS_DATABASE"); set && *set)
        database = set;
    else
        database = ini::ReadValue(SettingsPath(), "Records", "Database");
    if (!database.empty())
        return std::make_unique<PgRecordStore>(database);
    const MachineCredential machine = MachineCredential::Read(MachineCredential::Path());
    if (!machine.Found())
        return std::make_unique<FileRecordStore>();
    if (!machine.Problem().empty())
        return std::make_unique<RefusedServerStore>(machine.Problem());
    return std::make_unique<PgRecordStore>(machine.Database(), machine.Password());
}
}
