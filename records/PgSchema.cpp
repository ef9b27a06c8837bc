#include "records/PgSchema.h"

#include <cstdlib>
#include <iterator>

#include "records/Migrations.h"

namespace quillet
{
namespace
{
constexpr const char* kVersionTable =
    "CREATE SCHEMA IF NOT EXISTS quillet;"
    "CREATE TABLE IF NOT EXISTS quillet.schema_version (version integer NOT NULL);"
    "REVOKE ALL ON quillet.schema_version FROM PUBLIC;";
// The advisory lock that upgrades of one database take in turn.
constexpr const char* kUpgradeLock = "7243000431";
}

int PgSchema::Latest()
{
    return static_cast<int>(std::size(kMigrations));
}

int PgSchema::Version(PgConnection& db, StoreStatus& status)
{
    const PgConnection::Result made = db.Exec("SELECT to_regclass('quillet.schema_version') IS NOT NULL");
    status = made.status;
    if (!status || made.rows.empty() || made.rows[0][0] != std::optional<std::string>("t"))
        return 0;
    const PgConnection::Result read = db.Exec("SELECT coalesce(max(version), 0) FROM quillet.schema_version");
    status = read.status;
    if (!status || read.rows.empty() || !read.rows[0][0])
        return 0;
    return static_cast<int>(PgConnection::Number(read.rows[0][0]));
}

StoreStatus PgSchema::Upgrade(PgConnection& db, int& from, int& to)
{
    // Two upgrades at once would both create the schema: the second waits.
    if (PgConnection::Result locked = db.Exec("SELECT pg_advisory_lock(" + std::string(kUpgradeLock) + ")");
        !locked.status)
    {
        // Any role may take the key: the administrator is told whose session holds it.
        const PgConnection::Result holder = db.Exec(
            "SELECT l.pid, a.usename FROM pg_locks l JOIN pg_stat_activity a USING (pid) "
            "WHERE l.locktype = 'advisory' AND l.granted AND (l.classid::bigint << 32 | l.objid::bigint) = " +
            std::string(kUpgradeLock));
        if (locked.sqlState == "55P03" && holder.status && !holder.rows.empty())
            return StoreStatus::Failed("the session " + holder.rows[0][0].value_or("") + " of " +
                                       holder.rows[0][1].value_or("") +
                                       " holds the upgrade's lock: wait for it, or end it with SELECT "
                                       "pg_terminate_backend(" +
                                       holder.rows[0][0].value_or("") + ")");
        return locked.status;
    }
    StoreStatus status = UpgradeLocked(db, from, to);
    db.Exec("SELECT pg_advisory_unlock(" + std::string(kUpgradeLock) + ")");
    return status;
}

StoreStatus PgSchema::CheckRights(PgConnection& db, int from)
{
    // The migrations make two group roles and close the database to PUBLIC:
    // the first needs CREATEROLE, the second the database's owner.
    const PgConnection::Result rights = db.Exec(
        "SELECT r.rolsuper OR r.rolcreaterole OR (SELECT count(*) = 2 FROM pg_roles "
        "WHERE rolname IN ('quillet_student', 'quillet_teacher')), "
        "r.rolsuper OR d.datdba = r.oid, current_user, current_database() "
        "FROM pg_roles r, pg_database d WHERE r.rolname = current_user AND d.datname = current_database()");
    if (!rights.status || rights.rows.size() != 1)
        return rights.status ? StoreStatus::Failed("the server's roles cannot be read") : rights.status;
    const std::string user = rights.rows[0][2].value_or("");
    const std::string database = rights.rows[0][3].value_or("");
    std::string missing;
    if (!PgConnection::IsTrue(rights.rows[0][0]))
        missing += "ALTER ROLE \"" + user + "\" CREATEROLE;";
    if (from < Latest() && !PgConnection::IsTrue(rights.rows[0][1]))
        missing += std::string(missing.empty() ? "" : " ") + "ALTER DATABASE \"" + database +
                   "\" OWNER TO \"" + user + "\";";
    if (missing.empty())
        return {};
    return StoreStatus::Failed(StoreError::Refused,
                               user +
                                   " may not set up the records; a superuser must first run: "
                                   "psql -d \"" +
                                   database + "\" -c '" + missing + "'");
}

StoreStatus PgSchema::UpgradeLocked(PgConnection& db, int& from, int& to)
{
    StoreStatus status;
    from = to = Version(db, status);
    // A version that cannot be read is one that may need upgrading.
    if (!status || from < Latest())
        if (StoreStatus allowed = CheckRights(db, status ? from : 0); !allowed)
            return allowed;
    if (!status)
        return status;
    if (PgConnection::Result made = db.ExecScript(kVersionTable); !made.status)
        return made.status;
    from = to = Version(db, status);
    if (!status)
        return status;
    for (int next = from + 1; next <= Latest(); ++next)
    {
        // The lock keeps two upgrades from applying one migration twice.
        const std::string script =
            "BEGIN;"
            "LOCK TABLE quillet.schema_version IN EXCLUSIVE MODE;"
            "DO $$ BEGIN IF (SELECT coalesce(max(version), 0) FROM quillet.schema_version) <> " +
            std::to_string(next - 1) +
            " THEN RAISE EXCEPTION 'another upgrade ran meanwhile'; END IF; END $$;\n" +
            kMigrations[next - 1] +
            "\nDELETE FROM quillet.schema_version;"
            "INSERT INTO quillet.schema_version VALUES (" +
            std::to_string(next) + ");COMMIT;";
        const PgConnection::Result applied = db.ExecScript(script);
        if (!applied.status)
        {
            db.ExecScript("ROLLBACK;");
            return StoreStatus::Failed("migration " + std::to_string(next) + ": " + applied.status.reason);
        }
        to = next;
    }
    return {};
}
}
