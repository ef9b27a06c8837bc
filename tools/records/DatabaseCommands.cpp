#include "tools/records/DatabaseCommands.h"

#include <cstdio>
#include <cstdlib>

#include "course/Complement.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "records/PgConnection.h"
#include "records/PgRecordStore.h"
#include "records/PgSchema.h"

namespace quillet
{
namespace
{
int Fail(const std::string& what, const std::string& reason)
{
    std::fprintf(stderr, "quillet-records: %s: %s\n", what.c_str(), reason.c_str());
    return 1;
}

constexpr const char* kResultColumns = "is_test, is_pretest, title, chapter, graded, date_text, taken, "
                                       "right_answers, total";

// Reads students and results through the given queries: name (and password)
// first, then the result columns, in order.
std::unique_ptr<CStudentRoster> ReadRoster(PgConnection& db, const std::string& students,
                                           const std::string& results, std::string& problem)
{
    const PgConnection::Result names = db.Exec(students);
    const PgConnection::Result rows = names.status ? db.Exec(results) : PgConnection::Result{};
    if (!names.status || !rows.status)
    {
        problem = !names.status ? names.status.reason : rows.status.reason;
        return nullptr;
    }
    auto roster = std::make_unique<CStudentRoster>();
    for (const PgConnection::Row& row : names.rows)
        roster->AddStudent(row[0].value_or(""), row.size() > 1 ? row[1].value_or("") : std::string());
    for (const PgConnection::Row& row : rows.rows)
        if (CStudentRecord* student = roster->GetStudent(roster->FindStudent(row[0].value_or(""))))
            student->m_results.push_back(std::make_unique<CResultEntry>(PgRecordStore::ResultOf(row, 1)));
    return roster;
}

int Init(const std::string& connection)
{
    PgConnection db(connection);
    int from = 0;
    int to = 0;
    if (const StoreStatus upgraded = PgSchema::Upgrade(db, from, to); !upgraded)
        return Fail("cannot set up the records on " + db.Host(), upgraded.reason);
    std::printf(from == to ? "the records on %s are at version %d\n"
                           : "the records on %s were upgraded from version %d to %d\n",
                db.Host().c_str(), from, to);
    return 0;
}

int Status(const std::string& connection)
{
    PgConnection db(connection);
    StoreStatus status;
    const int version = PgSchema::Version(db, status);
    if (!status)
        return Fail("cannot read the records on " + db.Host(), status.reason);
    std::printf("version %d of %d%s\n", version, PgSchema::Latest(),
                version < PgSchema::Latest() ? ": run quillet-records db init" : "");
    return version == PgSchema::Latest() ? 0 : 1;
}

// The students of a record file, in the database's terms: the name the
// student gets there (renamed on a conflict), or none when he conflicts.
struct Arrival
{
    const CStudentRecord* student;
    std::string name;
    bool known; // the database holds him already, under the same password
};

// Whether the database holds `name`, and whether the password is the same.
std::optional<bool> SamePassword(PgConnection& db, const std::string& name, const std::string& password,
                                 StoreStatus& status)
{
    const PgConnection::Result found = db.Exec(
        "SELECT CASE WHEN $2 LIKE '$2_$%' THEN password_hash = $2 "
        "ELSE password_hash = quillet.crypt($2, password_hash) END FROM quillet.students WHERE name = $1",
        {name, password});
    status = found.status;
    if (!status || found.rows.empty())
        return std::nullopt;
    return PgConnection::IsTrue(found.rows[0][0]);
}

int Import(const std::string& connection, const std::vector<std::string>& files, bool renameConflicts)
{
    PgConnection db(connection);
    if (PgConnection::Result begun = db.ExecScript("BEGIN"); !begun.status)
        return Fail("cannot reach " + db.Host(), begun.status.reason);
    std::vector<std::unique_ptr<CStudentRoster>> rosters;
    std::vector<std::string> conflicts;
    std::vector<std::vector<Arrival>> arrivals;
    StoreStatus status;
    for (const std::string& file : files)
    {
        rosters.push_back(CStudentRoster::ReadFile(file));
        if (!rosters.back())
            return Fail("cannot read " + file, "it cannot be read or holds no student");
        arrivals.emplace_back();
        for (int i = 0; i < rosters.back()->GetStudentCount(); ++i)
        {
            const CStudentRecord* student = rosters.back()->GetStudent(i);
            // The server keeps UTF-8; an older record file may hold Windows-1252.
            std::string name = TextToUtf8(student->m_strName);
            std::optional<bool> same = SamePassword(db, name, student->m_strPassword, status);
            for (int n = 2; status && same && !*same && renameConflicts; ++n)
            {
                name = TextToUtf8(student->m_strName) + " (" + std::to_string(n) + ")";
                same = SamePassword(db, name, student->m_strPassword, status);
            }
            if (!status)
                return Fail("cannot read " + db.Host(), status.reason);
            if (same && !*same)
            {
                conflicts.push_back(student->m_strName);
                continue;
            }
            if (name != TextToUtf8(student->m_strName))
                conflicts.push_back(student->m_strName + " -> " + name);
            if (!same)
            {
                // Held from here on, so that a later file meets the same rules.
                const PgConnection::Result added =
                    db.Exec("INSERT INTO quillet.students (name, password_hash) VALUES ($1, CASE WHEN $2 "
                            "LIKE '$2_$%' "
                            "THEN $2 ELSE quillet.crypt($2, quillet.gen_salt('bf', 6)) END)",
                            {name, student->m_strPassword});
                if (!added.status)
                    return Fail("cannot add " + name, added.status.reason);
            }
            arrivals.back().push_back({student, name, same.has_value()});
        }
    }
    for (const std::string& conflict : conflicts)
        std::fprintf(stderr, "quillet-records: %s: %s\n",
                     renameConflicts ? "renamed" : "held with another password", conflict.c_str());
    if (!conflicts.empty() && !renameConflicts)
    {
        db.ExecScript("ROLLBACK");
        return Fail("nothing was imported", "the names above conflict; --rename-conflicts adds them renamed");
    }
    for (std::size_t f = 0; f < files.size(); ++f)
    {
        int students = 0, results = 0, duplicates = 0;
        for (const Arrival& arrival : arrivals[f])
        {
            students += arrival.known ? 0 : 1;
            for (const auto& result : arrival.student->m_results)
            {
                const PgConnection::Result added = db.Exec(
                    "INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, "
                    "chapter, "
                    "graded, date_text, taken, right_answers, total) SELECT id, $2, $3, $4, $5, $6, $7, $8, "
                    "$9, "
                    "$10, $11 FROM quillet.students WHERE name = $1 ON CONFLICT (request_key) DO NOTHING "
                    "RETURNING id",
                    {arrival.name, PgRecordStore::ResultKey(arrival.name, *result),
                     result->StoredAsTest() ? "t" : "f", result->StoredAsPreTest() ? "t" : "f",
                     TextToUtf8(result->m_strTitle), TextToUtf8(result->m_strChapter),
                     std::to_string(result->m_timeGraded), result->m_strDateText,
                     std::to_string(result->m_spanTaken), std::to_string(result->m_nRight),
                     std::to_string(result->m_nTotal)});
                if (!added.status)
                    return Fail("cannot add a result of " + arrival.name, added.status.reason);
                (added.rows.empty() ? duplicates : results) += 1;
            }
        }
        std::printf("%s: %d students, %d results added, %d already there\n", files[f].c_str(), students,
                    results, duplicates);
    }
    if (PgConnection::Result done = db.ExecScript("COMMIT"); !done.status)
        return Fail("nothing was imported", done.status.reason);
    return 0;
}

int Export(const std::string& connection, const std::string& out)
{
    PgConnection db(connection);
    std::string problem;
    // Students in the order they came, each with his results in date order;
    // the password field carries the hash, which the record file store
    // checks as it is.
    const auto roster =
        ReadRoster(db, "SELECT name, password_hash FROM quillet.students ORDER BY id",
                   std::string("SELECT s.name, ") + kResultColumns +
                       " FROM quillet.results r JOIN quillet.students s ON s.id = r.student_id "
                       "ORDER BY r.student_id, r.graded, r.id",
                   problem);
    if (!roster)
        return Fail("cannot read the records on " + db.Host(), problem);
    if (const FileStatus written = ReplaceFile(out, Complemented(roster->ComposeRecordText()), true);
        !written)
        return Fail("cannot write " + out, written.reason);
    return 0;
}
}

bool IsDatabase(const std::string& source)
{
    return source.starts_with("postgresql://") || source.starts_with("postgres://") ||
           source.find('=') != std::string::npos;
}

int DatabaseCommand(const std::vector<std::string>& args)
{
    if (args.size() == 2 && args[0] == "init")
        return Init(args[1]);
    if (args.size() == 2 && args[0] == "status")
        return Status(args[1]);
    if (args.size() == 3 && args[0] == "export")
        return Export(args[1], args[2]);
    if (args.size() >= 3 && args[0] == "import")
    {
        const bool rename = args[1] == "--rename-conflicts";
        const std::size_t first = rename ? 3 : 2;
        if (args.size() > first)
            return Import(args[first - 1], {args.begin() + static_cast<long>(first), args.end()}, rename);
    }
    std::fputs(
        "usage: quillet-records db init URL | db status URL | db import URL [--rename-conflicts] FILE... "
        "| db export URL OUT\n",
        stderr);
    return 2;
}

std::unique_ptr<CStudentRoster> ReadServerRoster(const std::string& connection, std::string& problem)
{
    PgConnection db(connection);
    return ReadRoster(db, "SELECT name FROM quillet.student_list ORDER BY registered, name",
                      std::string("SELECT name, ") + kResultColumns +
                          " FROM quillet.result_list ORDER BY name, graded, id",
                      problem);
}

std::vector<ServerJournal> ReadServerJournals(const std::string& connection, std::string& problem)
{
    PgConnection db(connection);
    const PgConnection::Result read =
        db.Exec("SELECT name, test_key, body FROM quillet.journal_list ORDER BY name, test_key");
    std::vector<ServerJournal> journals;
    if (!read.status)
    {
        problem = read.status.reason;
        return journals;
    }
    for (const PgConnection::Row& row : read.rows)
        journals.push_back({row[0].value_or(""), row[1].value_or(""), row[2].value_or("")});
    return journals;
}

bool ReadServerResponses(const std::string& connection, const CResponseFile::Visitor& visit,
                         std::string& problem)
{
    PgConnection db(connection);
    // Through a cursor, some thousands of rows at a time: a million answers
    // held as rows would take many times the memory of the figures.
    PgConnection::Result read = db.ExecScript("BEGIN READ ONLY; DECLARE answers NO SCROLL CURSOR FOR "
                                              "SELECT result_id, name, is_test, is_pretest, title, "
                                              "quiz_chapter, graded, bank_path, bank_size, bank_hash, "
                                              "chapter, question_key, answer, is_right, flagged FROM "
                                              "quillet.response_list ORDER BY result_id, position");
    ResponseRecord record;
    std::optional<std::string> current; // the result id of the record
    bool started = false;
    while (read.status)
    {
        read = db.Exec("FETCH 10000 FROM answers");
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
                                        PgConnection::IsTrue(row[13]), PgConnection::IsTrue(row[14])});
        }
    }
    if (!read.status)
    {
        problem = read.status.reason;
        return false;
    }
    if (started)
        visit(record);
    db.Exec("COMMIT");
    return true;
}
}
