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

RecordStore::Login RecordStore::LoginOfPending(const CStudentRoster& pending, const Student& student)
{
    Login login;
    for (int i = 0; i < pending.GetStudentCount(); ++i)
    {
        const CStudentRecord& kept = *pending.GetStudent(i);
        if (kept.m_strName != student.name)
            continue;
        if (kept.m_strPassword != student.password)
        {
            if (login.known == Known::No)
                login.known = Known::WrongPassword;
            continue;
        }
        login.known = Known::Yes;
        for (const auto& result : kept.m_results)
            login.results.push_back(*result);
    }
    if (login.known != Known::Yes)
        login.results.clear();
    return login;
}
}
