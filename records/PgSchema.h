#pragma once

#include <string>

#include "records/PgConnection.h"

namespace quillet
{
// The record server's schema, made and upgraded by numbered migrations
// (records/sql/NNN-*.sql, compiled in and installed beside the program).
class PgSchema
{
  public:
    // The newest version this program knows.
    static int Latest();

    // The version the database holds: 0 before the first migration.
    static int Version(PgConnection& db, StoreStatus& status);
    // Applies the migrations the database lacks, each in a transaction of
    // its own, while no other upgrade runs; `from` and `to` receive the
    // versions before and after.
    static StoreStatus Upgrade(PgConnection& db, int& from, int& to);

  private:
    // Whether the connected role may apply the migrations; when not, the
    // SQL a superuser runs first.
    static StoreStatus CheckRights(PgConnection& db, int from);
    static StoreStatus UpgradeLocked(PgConnection& db, int& from, int& to);
};
}
