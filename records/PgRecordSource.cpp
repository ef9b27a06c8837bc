#include "records/PgRecordSource.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <unordered_map>

#include "records/PgRecordStore.h"

namespace quillet
{
namespace
{
// A result's answers from the arrays of quillet.response_arrays, which
// begin at `first`, in the order of their places; false when they do not
// read. `arrays` is room for them, kept from one result to the next.
using AnswerArrays = std::array<std::vector<std::optional<std::string>>, 7>;
bool AnswersOf(PgConnection::Row& row, std::size_t first, AnswerArrays& arrays,
               std::vector<Response>& responses)
{
    for (std::size_t a = 0; a < arrays.size(); ++a)
        if (first + a >= row.size() || !row[first + a] ||
            !PgConnection::ArrayElements(*row[first + a], arrays[a]) || arrays[a].size() != arrays[0].size())
            return false;
    auto& [positions, chapters, questions, answers, rights, flags, keys] = arrays;
    // Aggregated in the order the server read them, which is almost always
    // their places' but not promised.
    std::vector<std::pair<long long, std::size_t>> order;
    order.reserve(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        order.emplace_back(PgConnection::Number(positions[i]), i);
    if (!std::is_sorted(order.begin(), order.end()))
        std::sort(order.begin(), order.end());
    responses.clear();
    responses.reserve(order.size());
    for (const auto& [position, i] : order)
        // No answer is a null, not answer 0.
        responses.push_back({std::move(chapters[i]).value_or(""), std::move(questions[i]).value_or(""),
                             answers[i] ? static_cast<int>(PgConnection::Number(answers[i])) : -1,
                             PgConnection::IsTrue(rights[i]), PgConnection::IsTrue(flags[i]),
                             std::move(keys[i]).value_or("")});
    return true;
}
}

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
    int skipped = 0;
    ResponseRecord record;
    AnswerArrays arrays;
    // Compiling the plan took longer than it saved on a million answers.
    PgConnection::Result read = m_db.ExecScript("BEGIN READ ONLY; SET LOCAL jit = off");
    // A row a test, handed on as the server sends it: a million answers held
    // at once would take many times the memory of the figures.
    if (read.status)
        read = m_db.Stream(
            "SELECT name, is_test, is_pretest, title, quiz_chapter, graded, bank_path, bank_size, bank_hash, "
            "positions, chapters, question_keys, answers, rights, flags, answer_keys "
            "FROM quillet.response_arrays ORDER BY result_id",
            [&](PgConnection::Row& row)
            {
                // What the server keeps was checked as it went in: only a server
                // that is not ours would send arrays that do not read.
                if (!AnswersOf(row, 9, arrays, record.responses))
                {
                    ++skipped;
                    return;
                }
                record.student = std::move(row[0]).value_or("");
                record.kind = !PgConnection::IsTrue(row[1])  ? TestKind::Quiz
                              : PgConnection::IsTrue(row[2]) ? TestKind::PreTest
                                                             : TestKind::Test;
                record.course = std::move(row[3]).value_or("");
                record.quizChapter = std::move(row[4]).value_or("");
                record.graded = PgConnection::Number(row[5]);
                record.bank = {std::move(row[6]).value_or(""),
                               static_cast<std::uint64_t>(PgConnection::Number(row[7])),
                               std::strtoull(row[8].value_or("0").c_str(), nullptr, 16)};
                visit(record);
            });
    if (unreadable)
        *unreadable = skipped;
    if (!read.status)
    {
        // The connection serves this source's next reading.
        m_db.ExecScript("ROLLBACK");
        return Failure(read);
    }
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
