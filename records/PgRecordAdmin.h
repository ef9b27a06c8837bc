#pragma once

#include <memory>
#include <optional>
#include <string>

#include "records/PgConnection.h"
#include "records/StudentRoster.h"

namespace quillet
{
// What the record server's administrator does to it: sets up and upgrades
// its schema, and moves record files in and out, as the owner of the
// records (quillet-records db ...).
class PgRecordAdmin
{
  public:
    explicit PgRecordAdmin(std::string connection);

    std::string Host() const { return m_db.Host(); }

    // The version the database holds, and the upgrade to the newest (PgSchema).
    int Version(StoreStatus& status);
    StoreStatus Upgrade(int& from, int& to);

    // An import runs in one transaction: nothing of it stays unless committed.
    StoreStatus Begin();
    StoreStatus Commit();
    void Rollback();

    // Whether the server holds `name` (none when not), and under this
    // password: a clear one, or a crypt() hash as an exported file carries.
    std::optional<bool> SamePassword(const std::string& name, const std::string& password,
                                     StoreStatus& status);
    // Adds a student; a clear password is hashed, a hash kept as it is.
    StoreStatus AddStudent(const std::string& name, const std::string& password);
    // Adds one of the student's results, stored once by its key: `added` is
    // false when the server holds it already. Texts go in as UTF-8.
    StoreStatus AddResult(const std::string& name, const CResultEntry& result, bool& added);

    // Every student with his password hash, in the order they came, each
    // with his results in date order; null when the server cannot be read.
    std::unique_ptr<CStudentRoster> Export(StoreStatus& status);

  private:
    PgConnection m_db;
};
}
