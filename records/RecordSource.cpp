#include "records/RecordSource.h"

#include "records/FileRecordSource.h"
#include "records/PgRecordSource.h"

namespace quillet
{
std::unique_ptr<RecordSource> RecordSource::Open(const std::string& where)
{
    // A path with a '=' in it would be taken for a server; record files are
    // not named so.
    const bool server = where.starts_with("postgresql://") || where.starts_with("postgres://") ||
                        where.find('=') != std::string::npos;
    if (server)
        return std::make_unique<PgRecordSource>(where);
    return std::make_unique<FileRecordSource>(where);
}
}
