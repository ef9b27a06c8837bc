#include "records/PgBankKeys.h"

#include "course/Response.h"
#include "platform/Json.h"
#include "platform/Text.h"

namespace quillet
{
PgBankKeys::PgBankKeys(std::string connection) : m_db(std::move(connection)) {}

StoreStatus PgBankKeys::Add(const CCourse& bank, std::uint64_t size, std::uint64_t hash, int& disagreeing)
{
    disagreeing = 0;
    // Chapters go as add_result receives them, UTF-8; keys are of the bank's own bytes.
    json::Writer keys;
    keys.BeginArray();
    for (const AnswerKey& key : AnswerKeysOf(bank))
    {
        keys.BeginObject()
            .Key("c")
            .String(TextToUtf8(key.chapter))
            .Key("q")
            .String(key.question)
            .Key("r")
            .Number(key.right)
            .Key("a")
            .Number(key.answers);
        keys.Key("k").BeginArray();
        for (const std::string& answer : key.answerKeys)
            keys.String(answer);
        keys.EndArray().EndObject();
    }
    keys.EndArray();
    const std::string hashText = HashText(hash);
    if (StoreStatus begun = m_db.Begin(); !begun)
        return begun;
    // The old keys go with their bank.
    PgConnection::Result done = m_db.Exec("DELETE FROM quillet.banks WHERE bank_hash = $1", {hashText});
    if (done.status)
        done = m_db.Exec("INSERT INTO quillet.banks (bank_hash, title, size) VALUES ($1, $2, $3)",
                         {hashText, TextToUtf8(bank.GetName()), std::to_string(size)});
    if (done.status)
        done = m_db.Exec(
            "WITH added AS (INSERT INTO quillet.bank_keys (bank_hash, chapter, question_key, right_answer, "
            "answers, copies, answer_keys) SELECT $1, k.c, k.q, CASE WHEN min(k.r) = max(k.r) THEN min(k.r) "
            "END, "
            "max(k.a), count(*), "
            // Copies that disagree on their answers' texts leave them to the lab machine.
            "CASE WHEN min(k.k::text) = max(k.k::text) THEN "
            "ARRAY(SELECT jsonb_array_elements_text(min(k.k::text)::jsonb)) END "
            "FROM jsonb_to_recordset($2::jsonb) AS k (c text, q text, r smallint, a smallint, k jsonb) "
            "GROUP BY k.c, k.q RETURNING right_answer, copies) "
            "SELECT coalesce(sum(copies) FILTER (WHERE right_answer IS NULL), 0) FROM added",
            {hashText, keys.Text()});
    if (!done.status)
    {
        m_db.Rollback();
        return done.status;
    }
    disagreeing = done.rows.empty() ? 0 : static_cast<int>(PgConnection::Number(done.rows[0][0]));
    return m_db.Commit();
}

std::vector<PgBankKeys::Bank> PgBankKeys::List(StoreStatus& status)
{
    const PgConnection::Result read =
        m_db.Exec("SELECT bank_hash, title, size, extract(epoch FROM added)::bigint, questions "
                  "FROM quillet.bank_list ORDER BY added, bank_hash");
    status = read.status;
    std::vector<Bank> banks;
    for (const PgConnection::Row& row : read.rows)
        banks.push_back({row[0].value_or(""), row[1].value_or(""), PgConnection::Number(row[2]),
                         PgConnection::Number(row[3]), static_cast<int>(PgConnection::Number(row[4]))});
    return banks;
}
}
