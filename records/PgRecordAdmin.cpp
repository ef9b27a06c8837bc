#include "records/PgRecordAdmin.h"

#include "platform/Text.h"
#include "records/PgRecordSource.h"
#include "records/PgRecordStore.h"
#include "records/PgSchema.h"

namespace quillet
{
namespace
{
// The password as the statement's parameters: the text, and whether it is
// a hash already (decided here, once, as the record file decides it).
PgConnection::Row PasswordParameters(const std::string& name, const std::string& password)
{
    return {name, password, CStudentRoster::IsPasswordHash(password) ? "t" : "f"};
}
}

PgRecordAdmin::PgRecordAdmin(std::string connection) : m_db(std::move(connection)) {}

int PgRecordAdmin::Version(StoreStatus& status)
{
    return PgSchema::Version(m_db, status);
}

StoreStatus PgRecordAdmin::Upgrade(int& from, int& to)
{
    return PgSchema::Upgrade(m_db, from, to);
}

StoreStatus PgRecordAdmin::Begin()
{
    return m_db.Begin();
}

StoreStatus PgRecordAdmin::Commit()
{
    return m_db.Commit();
}

void PgRecordAdmin::Rollback()
{
    m_db.Rollback();
}

std::optional<bool> PgRecordAdmin::SamePassword(const std::string& name, const std::string& password,
                                                StoreStatus& status)
{
    const PgConnection::Result found = m_db.Exec("SELECT CASE WHEN $3::boolean THEN password_hash = $2 "
                                                 "ELSE (quillet.password_matches($2, password_hash)).matches "
                                                 "END FROM quillet.students WHERE name = $1",
                                                 PasswordParameters(name, password));
    status = found.status;
    if (!status || found.rows.empty())
        return std::nullopt;
    return PgConnection::IsTrue(found.rows[0][0]);
}

StoreStatus PgRecordAdmin::AddStudent(const std::string& name, const std::string& password)
{
    return m_db
        .Exec("INSERT INTO quillet.students (name, password_hash) VALUES ($1, CASE WHEN $3::boolean THEN "
              "$2::text "
              "ELSE quillet.password_hash($2) END)",
              PasswordParameters(name, password))
        .status;
}

StoreStatus PgRecordAdmin::AddResult(const std::string& name, const CResultEntry& result, bool& added)
{
    const PgConnection::Result inserted = m_db.Exec(
        "INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, "
        "date_text, taken, right_answers, total) SELECT id, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11 "
        "FROM quillet.students WHERE name = $1 ON CONFLICT (student_id, request_key) DO NOTHING RETURNING id",
        {name, PgRecordStore::ResultKey(name, result), result.StoredAsTest() ? "t" : "f",
         result.StoredAsPreTest() ? "t" : "f", TextToUtf8(result.m_strTitle), TextToUtf8(result.m_strChapter),
         std::to_string(result.m_timeGraded), result.m_strDateText, std::to_string(result.m_spanTaken),
         std::to_string(result.m_nRight), std::to_string(result.m_nTotal)});
    added = !inserted.rows.empty();
    return inserted.status;
}

std::unique_ptr<CStudentRoster> PgRecordAdmin::Export(StoreStatus& status)
{
    PgConnection::Result failed;
    auto roster = PgRecordSource::ReadRoster(
        m_db, "SELECT name, password_hash FROM quillet.students ORDER BY id",
        std::string("SELECT s.name, ") + PgRecordSource::kResultColumns +
            ", r.id FROM quillet.results r JOIN quillet.students s ON s.id = r.student_id "
            "ORDER BY r.student_id, r.graded, r.id",
        "SELECT result_id, extract(epoch FROM regraded)::bigint, right_before FROM quillet.regrades "
        "ORDER BY result_id, regraded",
        failed);
    status = roster ? StoreStatus() : failed.status;
    return roster;
}
}
