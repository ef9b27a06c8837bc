#include "records/PgRecordStore.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <utility>

#include "course/Complement.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Json.h"
#include "platform/Text.h"
#include "records/RecordFile.h"

namespace quillet
{
namespace
{
std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// The answers of the server's try_answer. An unknown name and a wrong
// password are answered alike: the student may be new.
constexpr std::pair<std::string_view, StoreError> kTryAnswers[] = {
    {"accepted", StoreError::None},
    {"refused", StoreError::NotHeld},
    {"name_taken", StoreError::NameTaken},
};

// The answers as add_result takes them.
std::string ResponsesJson(const std::vector<Response>& responses)
{
    json::Writer out;
    out.BeginArray();
    for (const Response& response : responses)
    {
        out.BeginObject().Key("c").String(TextToUtf8(response.chapter)).Key("q").String(response.question);
        out.Key("a");
        if (response.answer < 0)
            out.Null();
        else
            out.Number(response.answer);
        out.Key("r").Bool(response.right).Key("f").Bool(response.flagged);
        if (!response.answerKey.empty())
            out.Key("k").String(response.answerKey);
        out.EndObject();
    }
    return out.EndArray().Text();
}

}

PgRecordStore::PgRecordStore(std::string connection, std::string password)
    : m_pDb(std::make_shared<PgConnection>(std::move(connection), kStudentLimits, std::move(password))),
      m_pending(
          {{PendingPath(), PendingPath() + ".lock", true}},
          {DataFolder() + "/quillet/server.refused", DataFolder() + "/quillet/server.refused.lock", true},
          kRecordLockTimeoutMs)
{
}

std::string PgRecordStore::PendingPath()
{
    return DataFolder() + "/quillet/server.pending";
}

std::string PgRecordStore::ResultKey(const std::string& student, const CResultEntry& result)
{
    std::string fields = student;
    for (const std::string& field :
         {std::string(result.StoredAsTest() ? "t" : "q"), std::string(result.StoredAsPreTest() ? "p" : "-"),
          result.m_strTitle, result.m_strChapter, std::to_string(result.m_timeGraded),
          result.m_strDateText.value_or(""), std::to_string(result.m_spanTaken),
          std::to_string(result.m_nRight), std::to_string(result.m_nTotal)})
    {
        fields += '\0';
        fields += field;
    }
    return Hex(HashBytes(fields)) + Hex(HashBytes(fields + '\1'));
}

std::vector<CResultEntry> PgRecordStore::ResultsOf(const PgConnection::Result& read)
{
    std::vector<CResultEntry> results;
    results.reserve(read.rows.size());
    for (const PgConnection::Row& row : read.rows)
        results.push_back(ResultOf(row));
    return results;
}

CResultEntry PgRecordStore::ResultOf(const PgConnection::Row& row, std::size_t first)
{
    CResultEntry entry;
    entry.SetStoredKind(PgConnection::IsTrue(row[first]), PgConnection::IsTrue(row[first + 1]));
    entry.m_strTitle = row[first + 2].value_or("");
    entry.m_strChapter = row[first + 3].value_or("");
    entry.m_timeGraded = PgConnection::Number(row[first + 4]);
    entry.m_strDateText = row[first + 5];
    entry.m_spanTaken = PgConnection::Number(row[first + 6]);
    entry.m_nRight = static_cast<int>(PgConnection::Number(row[first + 7]));
    entry.m_nTotal = static_cast<int>(PgConnection::Number(row[first + 8]));
    return entry;
}

std::string PgRecordStore::Place() const
{
    return "the record server " + m_pDb->Host();
}

PgRecordStore::Answer PgRecordStore::Ask(PgConnection& db, const char* function, const Student& student)
{
    // The server keeps UTF-8; records and banks of older systems may not be.
    const PgConnection::Result tried = db.Exec(std::string("SELECT quillet.try_") + function + "($1, $2)",
                                               {TextToUtf8(student.name), TextToUtf8(student.password)});
    if (!tried.status)
        return {tried.status, {}};
    const std::string attempt = tried.rows.size() == 1 ? tried.rows[0][0].value_or("") : std::string();
    if (attempt == "wait")
        return {
            StoreStatus::Failed(StoreError::Refused, "it takes no more tries from this machine for a minute"),
            {}};
    // The try is committed now: only then does the server answer it.
    const PgConnection::Result answer =
        db.Exec("SELECT status, token FROM quillet.try_answer($1)", {attempt});
    if (!answer.status)
        return {answer.status, {}};
    const std::string status = answer.rows.size() == 1 ? answer.rows[0][0].value_or("") : std::string();
    const std::string token = answer.rows.size() == 1 ? answer.rows[0][1].value_or("") : std::string();
    const auto known = std::find_if(std::begin(kTryAnswers), std::end(kTryAnswers),
                                    [&](const auto& entry) { return entry.first == status; });
    const StoreError error = known != std::end(kTryAnswers) ? known->second : StoreError::Unexpected;
    switch (error)
    {
    case StoreError::None:
        // A session's token is 32 random bytes in hex.
        if (token.size() == 64)
            return {{}, token};
        break;
    case StoreError::NotHeld:
        return {StoreStatus::Failed(error, "the record server does not hold " + student.name +
                                               " with this password"),
                {}};
    case StoreError::NameTaken:
        return {StoreStatus::Failed(error, "the record server holds " + student.name + " already"), {}};
    default:
        break;
    }
    return {
        StoreStatus::Failed(StoreError::Unexpected, "the record server gave an answer Quillet does not know"),
        {}};
}

// A student's session on the server: its token, opened again when the
// server ended it (after twelve hours, or with a new server), and opened
// by registering when his registration could not be written before.
class PgRecordStore::Session : public RecordSession
{
  public:
    Session(const PgRecordStore& store, Student student, std::string token)
        : m_pDb(store.m_pDb), m_pending(store.m_pending), m_strPlace(store.Place()),
          m_student(std::move(student)), m_strToken(std::move(token))
    {
    }

    Saved AddResult(const CResultEntry& result, const ResultAnswers& answers) override;
    JournalRead ReadJournal(const JournalKey& key) override;
    StoreStatus KeepJournal(const JournalKey& key, const std::string& text) override;
    void RemoveJournal(const JournalKey& key) override;
    void SetAsideJournal(const JournalKey& key) override;
    std::string JournalPlace() const override { return m_strPlace; }

    PgConnection::Result Call(const std::string& sql, PgConnection::Row parameters);

  private:
    StoreStatus Open();
    // Sends one result with the answers behind it (none for a result kept
    // pending); `results`, when given, receives his results.
    StoreStatus Send(const CResultEntry& result, const ResultAnswers& answers,
                     std::vector<CResultEntry>* results = nullptr);

    std::shared_ptr<PgConnection> m_pDb;
    PendingResults m_pending;
    std::string m_strPlace;
    Student m_student;
    std::string m_strToken;
};

StoreStatus PgRecordStore::Session::Open()
{
    if (!m_strToken.empty())
        return {};
    Answer answer = Ask(*m_pDb, "login", m_student);
    if (answer.status.error == StoreError::NotHeld)
        answer = Ask(*m_pDb, "register", m_student);
    m_strToken = answer.token;
    return answer.status;
}

PgConnection::Result PgRecordStore::Session::Call(const std::string& sql, PgConnection::Row parameters)
{
    parameters.insert(parameters.begin(), std::nullopt);
    for (int attempt = 0;; ++attempt)
    {
        if (StoreStatus opened = Open(); !opened)
            return {opened, false, {}, {}};
        parameters[0] = m_strToken;
        PgConnection::Result result = m_pDb->Exec(sql, parameters);
        // 28000: the session has ended.
        if (result.sqlState != "28000" || attempt > 0)
            return result;
        m_strToken.clear();
    }
}

StoreStatus PgRecordStore::Session::Send(const CResultEntry& result, const ResultAnswers& answers,
                                         std::vector<CResultEntry>* results)
{
    const bool any = !answers.responses.empty();
    const PgConnection::Result sent = Call(
        "SELECT * FROM quillet.add_result($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15)",
        {ResultKey(m_student.name, result), result.StoredAsTest() ? "t" : "f",
         result.StoredAsPreTest() ? "t" : "f", TextToUtf8(result.m_strTitle), TextToUtf8(result.m_strChapter),
         std::to_string(result.m_timeGraded), result.m_strDateText, std::to_string(result.m_spanTaken),
         std::to_string(result.m_nRight), std::to_string(result.m_nTotal),
         any ? std::optional<std::string>(TextToUtf8(answers.bank.path)) : std::nullopt,
         any ? std::optional<std::string>(std::to_string(answers.bank.size)) : std::nullopt,
         any ? std::optional<std::string>(Hex(answers.bank.hash)) : std::nullopt,
         any ? std::optional<std::string>(ResponsesJson(answers.responses)) : std::nullopt});
    if (sent.status && results)
        *results = ResultsOf(sent);
    return sent.status;
}

RecordSession::Saved PgRecordStore::Session::AddResult(const CResultEntry& result,
                                                       const ResultAnswers& answers)
{
    Saved saved;
    // Earlier results first, so that the history stays in the order taken.
    PendingResults::Delivery delivery = m_pending.Take(m_student.name);
    std::size_t sent = 0;
    std::vector<std::size_t> notTaken;
    for (const CResultEntry& pending : delivery.Accept(m_student.password))
    {
        const StoreStatus one = Send(pending, {});
        // One the server will never take goes aside rather than stop every later save.
        if (one.error == StoreError::Refused)
        {
            notTaken.push_back(sent);
            saved.notTaken = one.reason;
        }
        else if (saved.status = one; !saved.status)
            break;
        ++sent;
    }
    const std::string aside = delivery.Finish(sent, notTaken);
    if (delivery.AnyUnderOtherPassword())
        saved.setAside = aside;
    if (!notTaken.empty())
        saved.refusedIn = aside;
    saved.unreadablePending = delivery.Unreadable();
    if (saved.status)
        saved.status = Send(result, answers, &saved.results);
    if (!saved.status)
        saved.results.clear();
    return saved;
}

RecordSession::JournalRead PgRecordStore::Session::ReadJournal(const JournalKey& key)
{
    JournalRead read;
    const PgConnection::Result answer = Call("SELECT quillet.read_journal($1, $2)", {JournalFileName(key)});
    if (!answer.status)
    {
        read.found = true;
        read.status = answer.status;
        return read;
    }
    if (!answer.rows.empty() && answer.rows[0][0])
    {
        read.found = true;
        read.text = *answer.rows[0][0];
    }
    return read;
}

StoreStatus PgRecordStore::Session::KeepJournal(const JournalKey& key, const std::string& text)
{
    if (text.empty())
        return StoreStatus::Failed(StoreError::Refused, "the test cannot be described");
    return Call("SELECT quillet.keep_journal($1, $2, $3)", {JournalFileName(key), text}).status;
}

void PgRecordStore::Session::RemoveJournal(const JournalKey& key)
{
    Call("SELECT quillet.remove_journal($1, $2)", {JournalFileName(key)});
}

void PgRecordStore::Session::SetAsideJournal(const JournalKey& key)
{
    Call("SELECT quillet.set_aside_journal($1, $2)", {JournalFileName(key)});
}

RecordStore::Login PgRecordStore::LogIn(const Student& student)
{
    Answer answer = Ask(*m_pDb, "login", student);
    if (answer.status.error == StoreError::NotHeld)
    {
        // A student whose registration and results wait on this machine.
        PendingResults::Known known = m_pending.LoginOf(student);
        if (known.error != StoreError::None)
            return {answer.status, nullptr, {}};
        return {{}, std::make_unique<Session>(*this, student, std::string()), std::move(known.results)};
    }
    if (answer.status.error == StoreError::Refused)
        return {StoreStatus::Failed(answer.status.error, "the record server " + m_pDb->Host() +
                                                             " refused the login: " + answer.status.reason),
                nullptr,
                {}};
    if (!answer.status)
        return {StoreStatus::Failed(answer.status.error, "the record server " + m_pDb->Host() +
                                                             " cannot be reached: " + answer.status.reason),
                nullptr,
                {}};
    auto session = std::make_unique<Session>(*this, student, answer.token);
    const PgConnection::Result history = session->Call("SELECT * FROM quillet.history($1)", {});
    if (!history.status)
        return {StoreStatus::Failed("the record server " + m_pDb->Host() +
                                    " cannot be reached: " + history.status.reason),
                nullptr,
                {}};
    return {{}, std::move(session), ResultsOf(history)};
}

RecordStore::Login PgRecordStore::Register(const Student& student)
{
    Answer answer = Ask(*m_pDb, "register", student);
    // The login before it could not say whether the name is held: it is, so
    // the password typed is most likely not its own.
    if (answer.status.error == StoreError::NameTaken)
        return {StoreStatus::Failed(StoreError::WrongPassword,
                                    "the record server holds " + student.name + " with another password"),
                nullptr,
                {}};
    // One that could not be written is registered by his first saved result.
    return {answer.status, std::make_unique<Session>(*this, student, answer.token), {}};
}
}
