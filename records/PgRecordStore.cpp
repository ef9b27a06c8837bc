#include "records/PgRecordStore.h"

#include <cstdio>

#include "course/Complement.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

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

// The roster of a pending file of this account's, empty when there is none.
std::unique_ptr<CStudentRoster> ReadPendingFile(const std::string& path)
{
    std::string stored;
    if (!ReadOwnFile(path, stored))
        return std::make_unique<CStudentRoster>();
    auto roster = CStudentRoster::ParseRecordText(Complemented(stored));
    return roster ? std::move(roster) : std::make_unique<CStudentRoster>();
}

// A pending file may hold a name more than once, under other passwords: its
// students are joined as texts.
std::string RecordTextOf(const std::string& name, const std::string& password,
                         const std::vector<const CResultEntry*>& results)
{
    CStudentRoster one;
    one.AddStudent(name, password);
    for (const CResultEntry* result : results)
        one.GetStudent(0)->m_results.push_back(std::make_unique<CResultEntry>(*result));
    return one.ComposeRecordText();
}

FileStatus WritePendingFile(const std::string& path, const std::string& text)
{
    if (text.empty())
        return RemoveFile(path);
    return ReplaceFile(path, Complemented(text), true);
}

void AppendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            (out += '\\') += c;
        else if (byte < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        }
        else
            out += c;
    }
    out += '"';
}

// The answers as add_result takes them.
std::string ResponsesJson(const std::vector<Response>& responses)
{
    std::string json = "[";
    for (const Response& response : responses)
    {
        json += json.size() > 1 ? ",{\"c\":" : "{\"c\":";
        AppendJsonString(json, TextToUtf8(response.chapter));
        json += ",\"q\":";
        AppendJsonString(json, response.question);
        json += ",\"a\":" + (response.answer < 0 ? std::string("null") : std::to_string(response.answer));
        json += std::string(",\"r\":") + (response.right ? "true" : "false");
        json += std::string(",\"f\":") + (response.flagged ? "true" : "false") + "}";
    }
    return json + "]";
}

}

PgRecordStore::PgRecordStore(std::string connection) : m_db(std::move(connection)) {}

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

std::string PgRecordStore::Location() const
{
    return "the record server " + m_db.Host();
}

std::string PgRecordStore::Unavailable(const std::string& reason) const
{
    return "The record server " + m_db.Host() + " cannot be reached: " + reason + ".";
}

StoreStatus PgRecordStore::OpenSession(const Student& student)
{
    if (!m_strSession.empty() && m_student.name == student.name && m_student.password == student.password)
        return {};
    m_strSession.clear();
    // The server keeps UTF-8; records and banks of older systems may not be.
    const PgConnection::Row login = {TextToUtf8(student.name), TextToUtf8(student.password)};
    PgConnection::Result answer = m_db.Exec("SELECT quillet.login($1, $2)", login);
    if (answer.status && !answer.rows.empty() && answer.rows[0][0] == std::optional<std::string>("no"))
        answer = m_db.Exec("SELECT quillet.register($1, $2)", login);
    if (!answer.status)
        return answer.status;
    const std::string said = answer.rows.empty() ? std::string() : answer.rows[0][0].value_or("");
    if (said == "wrong" || said == "taken")
        return StoreStatus::Failed("the record server holds " + student.name + " with another password");
    if (said.size() != 64)
        return StoreStatus::Failed("the record server gave an answer Quillet does not know");
    m_student = student;
    m_strSession = said;
    return {};
}

PgConnection::Result PgRecordStore::Call(const Student& student, const std::string& sql,
                                         PgConnection::Row parameters)
{
    parameters.insert(parameters.begin(), std::nullopt);
    for (int attempt = 0;; ++attempt)
    {
        if (StoreStatus opened = OpenSession(student); !opened)
            return {opened, false, {}, {}};
        parameters[0] = m_strSession;
        PgConnection::Result result = m_db.Exec(sql, parameters);
        // Sessions end after twelve hours, and with a new server.
        if (result.sqlState != "28000" || attempt > 0)
            return result;
        m_strSession.clear();
    }
}

std::vector<CResultEntry> PgRecordStore::History(const Student& student, StoreStatus& status)
{
    const PgConnection::Result read = Call(student, "SELECT * FROM quillet.history($1)", {});
    status = read.status;
    return ResultsOf(read);
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

RecordStore::Login PgRecordStore::CheckLogin(const Student& student)
{
    Login login;
    m_strSession.clear();
    const PgConnection::Result answer =
        m_db.Exec("SELECT quillet.login($1, $2)", {TextToUtf8(student.name), TextToUtf8(student.password)});
    if (!answer.status)
    {
        login.status = answer.status;
        return login;
    }
    const std::string said = answer.rows.empty() ? std::string() : answer.rows[0][0].value_or("");
    if (said == "wrong")
        login.known = Known::WrongPassword;
    else if (said == "no")
        return PendingLogin(student);
    else if (said.size() == 64)
    {
        m_student = student;
        m_strSession = said;
        login.known = Known::Yes;
        login.results = History(student, login.status);
    }
    else
        login.status = StoreStatus::Failed("the record server gave an answer Quillet does not know");
    return login;
}

RecordStore::Login PgRecordStore::PendingLogin(const Student& student) const
{
    // A student whose registration and results wait on this machine.
    return LoginOfPending(*ReadPendingFile(PendingPath()), student);
}

RecordStore::Registering PgRecordStore::Register(const Student& student)
{
    const PgConnection::Result answer = m_db.Exec("SELECT quillet.register($1, $2)",
                                                  {TextToUtf8(student.name), TextToUtf8(student.password)});
    if (!answer.status)
        return {Registration::Failed, answer.status};
    const std::string said = answer.rows.empty() ? std::string() : answer.rows[0][0].value_or("");
    if (said == "taken")
        return {Registration::Taken, {}};
    m_student = student;
    m_strSession = said;
    return {Registration::Registered, {}};
}

StoreStatus PgRecordStore::Send(const Student& student, const CResultEntry& result,
                                const ResultAnswers& answers, std::vector<CResultEntry>* results)
{
    const bool any = !answers.responses.empty();
    const PgConnection::Result sent = Call(
        student,
        "SELECT * FROM quillet.add_result($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15)",
        {ResultKey(student.name, result), result.StoredAsTest() ? "t" : "f", result.StoredAsPreTest() ? "t" : "f",
         TextToUtf8(result.m_strTitle), TextToUtf8(result.m_strChapter), std::to_string(result.m_timeGraded),
         result.m_strDateText, std::to_string(result.m_spanTaken), std::to_string(result.m_nRight),
         std::to_string(result.m_nTotal),
         any ? std::optional<std::string>(TextToUtf8(answers.bank.path)) : std::nullopt,
         any ? std::optional<std::string>(std::to_string(answers.bank.size)) : std::nullopt,
         any ? std::optional<std::string>(Hex(answers.bank.hash)) : std::nullopt,
         any ? std::optional<std::string>(ResponsesJson(answers.responses)) : std::nullopt});
    if (sent.status && results)
        *results = ResultsOf(sent);
    return sent.status;
}

std::string PgRecordStore::SendPending(const Student& student, StoreStatus& status)
{
    const auto pending = ReadPendingFile(PendingPath());
    std::string left;
    std::string aside;
    for (int i = 0; i < pending->GetStudentCount(); ++i)
    {
        const CStudentRecord& kept = *pending->GetStudent(i);
        std::vector<const CResultEntry*> unsent;
        for (const auto& result : kept.m_results)
        {
            if (kept.m_strName != student.name)
                unsent.push_back(result.get());
            else if (kept.m_strPassword == student.password)
            {
                if (status)
                    status = Send(student, *result, {});
                if (!status)
                    unsent.push_back(result.get());
            }
        }
        if (kept.m_strName == student.name && kept.m_strPassword != student.password)
        {
            std::vector<const CResultEntry*> all;
            for (const auto& result : kept.m_results)
                all.push_back(result.get());
            aside += RecordTextOf(kept.m_strName, kept.m_strPassword, all);
        }
        else if (!unsent.empty())
            left += RecordTextOf(kept.m_strName, kept.m_strPassword, unsent);
    }
    WritePendingFile(PendingPath(), left);
    if (aside.empty())
        return {};
    std::string refused = DataFolder() + "/quillet/server.refused";
    const auto before = ReadPendingFile(refused);
    WritePendingFile(refused, before->ComposeRecordText() + aside);
    return refused;
}

RecordStore::Saved PgRecordStore::AddResult(const Student& student, const CResultEntry& result,
                                            const ResultAnswers& answers)
{
    Saved saved;
    // Earlier results first, so that the history stays in the order taken.
    saved.setAside = SendPending(student, saved.status);
    if (saved.status)
        saved.status = Send(student, result, answers, &saved.results);
    if (!saved.status)
        saved.results.clear();
    return saved;
}

StoreStatus PgRecordStore::KeepPending(const Student& student, const CResultEntry& result,
                                       std::string& keptIn)
{
    const std::string path = PendingPath();
    if (!MakeDirectories(ParentFolder(path)))
        return StoreStatus::Failed("the folder " + ParentFolder(path) + " cannot be made");
    const auto pending = ReadPendingFile(path);
    std::string text = pending->ComposeRecordText() + RecordTextOf(student.name, student.password, {&result});
    if (const FileStatus written = WritePendingFile(path, text); !written)
        return StoreStatus::Failed(written.reason);
    keptIn = path;
    return {};
}

RecordStore::JournalRead PgRecordStore::ReadJournal(const JournalKey& key)
{
    JournalRead read;
    const PgConnection::Result answer = Call({key.student, m_student.password},
                                             "SELECT quillet.read_journal($1, $2)", {JournalFileName(key)});
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

StoreStatus PgRecordStore::KeepJournal(const JournalKey& key, const std::string& text)
{
    if (text.empty())
        return StoreStatus::Failed("the test cannot be described");
    return Call({key.student, m_student.password}, "SELECT quillet.keep_journal($1, $2, $3)",
                {JournalFileName(key), text})
        .status;
}

void PgRecordStore::RemoveJournal(const JournalKey& key)
{
    Call({key.student, m_student.password}, "SELECT quillet.remove_journal($1, $2)", {JournalFileName(key)});
}

void PgRecordStore::SetAsideJournal(const JournalKey& key)
{
    Call({key.student, m_student.password}, "SELECT quillet.set_aside_journal($1, $2)",
         {JournalFileName(key)});
}

std::string PgRecordStore::JournalLocation() const
{
    return Location();
}
}
