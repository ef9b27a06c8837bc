#include "records/RecordSource.h"

#include "records/FileRecordSource.h"
#include "records/PgRecordSource.h"

namespace quillet
{
bool NamesRecordServer(const std::string& where)
{
    // A path with a '=' in it would be taken for a server; record files are
    // not named so.
    return where.starts_with("postgresql://") || where.starts_with("postgres://") ||
           where.find('=') != std::string::npos;
}

std::unique_ptr<RecordSource> RecordSource::Open(const std::string& where)
{
    if (NamesRecordServer(where))
        return std::make_unique<PgRecordSource>(where);
    return std::make_unique<FileRecordSource>(where);
}
}
