#include "records/PgRegrade.h"

#include <cstdlib>
#include <map>

#include "platform/Text.h"

namespace quillet
{
namespace
{
// An array literal of numbers, booleans or keys, which need no quoting.
std::string ArrayOf(const std::vector<std::string>& items)
{
    std::string text = "{";
    for (const std::string& item : items)
        text += (text.size() > 1 ? "," : "") + (item.empty() ? std::string("NULL") : item);
    return text + "}";
}
}

StoreStatus PgRegrade::Run(const BankKeys& bank, const std::vector<BankKeys>& earlier, bool dryRun,
                           TimeStamp now, RegradeReport& report)
{
    // The server keeps texts as UTF-8; the bank's keys are of its own bytes.
    std::map<std::string, std::string> chapters;
    for (int c = 0; c < bank.Bank().GetCount(); ++c)
        chapters.emplace(TextToUtf8(bank.Bank().GetAt(c)->GetName()), bank.Bank().GetAt(c)->GetName());
    const std::string title = TextToUtf8(bank.Bank().GetName());

    if (StoreStatus begun = m_db.Begin(); !begun)
        return begun;
    // The results are locked against a second regrade; saves of new ones go on.
    PgConnection::Result read = m_db.Exec(
        "SELECT r.id, s.name, r.is_test, r.is_pretest, r.chapter, r.graded, r.bank_path, r.bank_size, "
        "r.bank_hash, "
        "r.right_answers, r.total, p.position, p.chapter, p.question_key, p.answer, p.is_right, p.flagged, "
        "p.answer_key FROM quillet.results r JOIN quillet.students s ON s.id = r.student_id "
        "JOIN quillet.responses p ON p.result_id = r.id WHERE r.title = $1 ORDER BY r.id, p.position "
        "FOR UPDATE OF r",
        {title});
    PgConnection::Result bare;
    if (read.status)
        bare = m_db.Exec("SELECT count(*) FROM quillet.results r WHERE r.title = $1 AND NOT EXISTS "
                         "(SELECT FROM quillet.responses p WHERE p.result_id = r.id)",
                         {title});
    if (!read.status || !bare.status)
    {
        m_db.Rollback();
        return !read.status ? read.status : bare.status;
    }
    report.withoutAnswers = bare.rows.empty() ? 0 : PgConnection::Number(bare.rows[0][0]);

    std::vector<std::string> resultIds, scores, answerIds, positions, marks, keys;
    const auto judge = [&](const std::string& id, const ResponseRecord& record, int stored, int total,
                           const std::vector<std::string>& places)
    {
        Rescored rescored;
        const RegradedTest test{record.student, record.kind, title, record.quizChapter, record.graded, total};
        if (const auto right = Judge(bank, earlier, test, stored, record, rescored, report))
        {
            resultIds.push_back(id);
            scores.push_back(std::to_string(*right));
        }
        if (rescored.outcome != Rescored::Outcome::Scored)
            return;
        for (std::size_t i = 0; i < rescored.responses.size(); ++i)
        {
            const Response& now = rescored.responses[i];
            const Response& was = record.responses[i];
            if (now.right == was.right && now.answerKey == was.answerKey)
                continue;
            answerIds.push_back(id);
            positions.push_back(places[i]);
            marks.push_back(now.right ? "true" : "false");
            keys.push_back(now.answerKey);
        }
    };

    ResponseRecord record;
    std::vector<std::string> places;
    std::string current;
    int stored = 0;
    int total = 0;
    for (const PgConnection::Row& row : read.rows)
    {
        const std::string id = row[0].value_or("");
        if (id != current)
        {
            if (!current.empty())
                judge(current, record, stored, total, places);
            current = id;
            record = {};
            places.clear();
            record.student = row[1].value_or("");
            record.kind = !PgConnection::IsTrue(row[2])  ? TestKind::Quiz
                          : PgConnection::IsTrue(row[3]) ? TestKind::PreTest
                                                         : TestKind::Test;
            record.course = bank.Bank().GetName();
            record.quizChapter = row[4].value_or("");
            record.graded = PgConnection::Number(row[5]);
            record.bank = {row[6].value_or(""), static_cast<std::uint64_t>(PgConnection::Number(row[7])),
                           std::strtoull(row[8].value_or("0").c_str(), nullptr, 16)};
            stored = static_cast<int>(PgConnection::Number(row[9]));
            total = static_cast<int>(PgConnection::Number(row[10]));
        }
        places.push_back(row[11].value_or("0"));
        const auto chapter = chapters.find(row[12].value_or(""));
        record.responses.push_back(
            {chapter == chapters.end() ? row[12].value_or("") : chapter->second, row[13].value_or(""),
             row[14] ? static_cast<int>(PgConnection::Number(row[14])) : -1, PgConnection::IsTrue(row[15]),
             PgConnection::IsTrue(row[16]), row[17].value_or("")});
    }
    if (!current.empty())
        judge(current, record, stored, total, places);

    if (dryRun || (resultIds.empty() && answerIds.empty()))
    {
        m_db.Rollback();
        return {};
    }
    PgConnection::Result done =
        m_db.Exec("WITH u AS (SELECT * FROM unnest($1::bigint[], $2::integer[]) AS u (id, score)), "
                  "kept AS (INSERT INTO quillet.regrades (result_id, regraded, right_before, right_after) "
                  "SELECT r.id, to_timestamp($3), r.right_answers, u.score FROM quillet.results r JOIN u ON "
                  "u.id = r.id) "
                  "UPDATE quillet.results r SET right_answers = u.score FROM u WHERE r.id = u.id",
                  {ArrayOf(resultIds), ArrayOf(scores), std::to_string(now)});
    if (done.status)
        done = m_db.Exec(
            "UPDATE quillet.responses p SET is_right = u.mark, answer_key = u.key "
            "FROM unnest($1::bigint[], $2::integer[], $3::boolean[], $4::text[]) AS u (id, at, mark, key) "
            "WHERE p.result_id = u.id AND p.position = u.at",
            {ArrayOf(answerIds), ArrayOf(positions), ArrayOf(marks), ArrayOf(keys)});
    if (!done.status)
    {
        m_db.Rollback();
        report = {};
        return done.status;
    }
    if (StoreStatus committed = m_db.Commit(); !committed)
    {
        report = {};
        return committed;
    }
    return {};
}
}
