#include "records/PgRecordSource.h"

#include <cstdlib>
#include <unordered_map>

#include "records/PgRecordStore.h"

namespace quillet
{
PgRecordSource::PgRecordSource(std::string connection) : RecordSource(connection), m_db(std::move(connection))
{
}

SourceStatus PgRecordSource::Failure(const PgConnection::Result& result)
{
    return {result.unreachable ? SourceError::Unreachable : SourceError::Refused,
            "cannot read the record server: " + result.status.reason};
}

std::unique_ptr<CStudentRoster> PgRecordSource::ReadRoster(PgConnection& db, const std::string& students,
                                                           const std::string& results,
                                                           const std::string& regrades,
                                                           PgConnection::Result& failed)
{
    PgConnection::Result names = db.Exec(students);
    if (!names.status)
    {
        failed = std::move(names);
        return nullptr;
    }
    PgConnection::Result rows = db.Exec(results);
    if (!rows.status)
    {
        failed = std::move(rows);
        return nullptr;
    }
    PgConnection::Result history;
    if (!regrades.empty())
    {
        history = db.Exec(regrades);
        if (!history.status)
        {
            failed = std::move(history);
            return nullptr;
        }
    }
    auto roster = std::make_unique<CStudentRoster>();
    for (const PgConnection::Row& row : names.rows)
        roster->AddStudent(row[0].value_or(""), row.size() > 1 ? row[1].value_or("") : std::string());
    std::unordered_map<std::string, CResultEntry*> byId;
    for (const PgConnection::Row& row : rows.rows)
        if (CStudentRecord* student = roster->GetStudent(roster->FindStudent(row[0].value_or(""))))
        {
            student->m_results.push_back(std::make_unique<CResultEntry>(PgRecordStore::ResultOf(row, 1)));
            if (!history.rows.empty() && row.size() > 10)
                byId.emplace(row[10].value_or(""), student->m_results.back().get());
        }
    for (const PgConnection::Row& row : history.rows)
        if (const auto found = byId.find(row[0].value_or("")); found != byId.end())
            found->second->m_regrades.push_back(
                {PgConnection::Number(row[1]), static_cast<int>(PgConnection::Number(row[2]))});
    return roster;
}

RecordSource::RosterRead PgRecordSource::Students()
{
    RosterRead read;
    PgConnection::Result failed;
    read.roster = ReadRoster(m_db, "SELECT name FROM quillet.student_list ORDER BY registered, name",
                             std::string("SELECT name, ") + kResultColumns +
                                 ", id FROM quillet.result_list ORDER BY name, graded, id",
                             "SELECT result_id, regraded, right_before FROM quillet.regrade_list "
                             "ORDER BY result_id, regraded",
                             failed);
    if (!read.roster)
        read.status = Failure(failed);
    else if (read.roster->GetStudentCount() == 0)
    {
        read.roster.reset();
        read.status = {SourceError::NoStudents, "the record server holds no student"};
    }
    return read;
}

SourceStatus PgRecordSource::Responses(const CResponseFile::Visitor& visit, int* unreadable)
{
    // What the server keeps was checked as it went in: every row reads.
    if (unreadable)
        *unreadable = 0;
    // Through a cursor, some thousands of rows at a time: a million answers
    // held as rows would take many times the memory of the figures.
    PgConnection::Result read =
        m_db.ExecScript("BEGIN READ ONLY; DECLARE answers NO SCROLL CURSOR FOR "
                        "SELECT result_id, name, is_test, is_pretest, title, "
                        "quiz_chapter, graded, bank_path, bank_size, bank_hash, "
                        "chapter, question_key, answer, is_right, flagged, answer_key FROM "
                        "quillet.response_list ORDER BY result_id, position");
    ResponseRecord record;
    std::optional<std::string> current; // the result id of the record
    bool started = false;
    while (read.status)
    {
        read = m_db.Exec("FETCH 10000 FROM answers");
        if (!read.status || read.rows.empty())
            break;
        for (const PgConnection::Row& row : read.rows)
        {
            if (!started || row[0] != current)
            {
                if (started)
                    visit(record);
                started = true;
                current = row[0];
                record.student = row[1].value_or("");
                record.kind = !PgConnection::IsTrue(row[2])  ? TestKind::Quiz
                              : PgConnection::IsTrue(row[3]) ? TestKind::PreTest
                                                             : TestKind::Test;
                record.course = row[4].value_or("");
                record.quizChapter = row[5].value_or("");
                record.graded = PgConnection::Number(row[6]);
                record.bank = {row[7].value_or(""), static_cast<std::uint64_t>(PgConnection::Number(row[8])),
                               std::strtoull(row[9].value_or("0").c_str(), nullptr, 16)};
                record.responses.clear();
            }
            // No answer is a null, not answer 0.
            const int answer = row[12] ? static_cast<int>(PgConnection::Number(row[12])) : -1;
            record.responses.push_back({row[10].value_or(""), row[11].value_or(""), answer,
                                        PgConnection::IsTrue(row[13]), PgConnection::IsTrue(row[14]),
                                        row[15].value_or("")});
        }
    }
    if (!read.status)
    {
        // The connection serves this source's next reading.
        m_db.ExecScript("ROLLBACK");
        return Failure(read);
    }
    if (started)
        visit(record);
    m_db.ExecScript("COMMIT");
    return {};
}

RecordSource::JournalsRead PgRecordSource::Journals()
{
    JournalsRead read;
    const PgConnection::Result rows =
        m_db.Exec("SELECT name, test_key, body FROM quillet.journal_list ORDER BY name, test_key");
    if (!rows.status)
    {
        read.status = Failure(rows);
        return read;
    }
    for (const PgConnection::Row& row : rows.rows)
        read.journals.push_back({row[0].value_or("") + "/" + row[1].value_or(""), row[2].value_or(""), true});
    return read;
}
}
