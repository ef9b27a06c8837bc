#include "records/RecordStore.h"

#include <cstdlib>

#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "records/FileRecordStore.h"
#include "records/PgRecordStore.h"

namespace quillet
{
std::unique_ptr<RecordStore> RecordStore::Open()
{
    std::string database;
    if (const char* set = std::getenv("QUILLET_RECORDS_DATABASE"); set && *set)
        database = set;
    else
        database = ini::ReadValue(SettingsPath(), "Records", "Database");
    if (database.empty())
        return std::make_unique<FileRecordStore>();
    return std::make_unique<PgRecordStore>(database);
}
}
