#include "records/PgRecordStore.h"

#include <cstdio>

#include "course/Complement.h"
#include "platform/Files.h"
#include "platform/Folders.h"

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

bool Yes(const std::optional<std::string>& value)
{
    return value && *value == "t";
}

long long Number(const std::optional<std::string>& value)
{
    return value ? std::atoll(value->c_str()) : 0;
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
         {std::string(result.m_bTest ? "t" : "q"), std::string(result.m_bPreTest ? "p" : "-"),
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

std::vector<CResultEntry> PgRecordStore::History(const Student& student, StoreStatus& status)
{
    std::vector<CResultEntry> results;
    const PgConnection::Result read = m_db.Exec(
        "SELECT is_test, is_pretest, title, chapter, graded, date_text, taken, right_answers, total "
        "FROM quillet.history($1, $2)",
        {student.name, student.password});
    status = read.status;
    for (const PgConnection::Row& row : read.rows)
    {
        CResultEntry entry;
        entry.m_bTest = Yes(row[0]);
        entry.m_bPreTest = Yes(row[1]);
        entry.m_strTitle = row[2].value_or("");
        entry.m_strChapter = row[3].value_or("");
        entry.m_timeGraded = Number(row[4]);
        entry.m_strDateText = row[5];
        entry.m_spanTaken = Number(row[6]);
        entry.m_nRight = static_cast<int>(Number(row[7]));
        entry.m_nTotal = static_cast<int>(Number(row[8]));
        results.push_back(std::move(entry));
    }
    return results;
}

RecordStore::Login PgRecordStore::CheckLogin(const Student& student)
{
    Login login;
    const PgConnection::Result answer =
        m_db.Exec("SELECT quillet.login($1, $2)", {student.name, student.password});
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
    else if (said == "yes")
    {
        // The journal calls are made for the student logged in.
        m_student = student;
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
    Login login;
    const auto pending = ReadPendingFile(PendingPath());
    for (int i = 0; i < pending->GetStudentCount(); ++i)
    {
        const CStudentRecord& kept = *pending->GetStudent(i);
        if (kept.m_strName != student.name)
            continue;
        if (kept.m_strPassword != student.password)
        {
            if (login.known == Known::No)
                login.known = Known::WrongPassword;
            continue;
        }
        login.known = Known::Yes;
        for (const auto& result : kept.m_results)
            login.results.push_back(*result);
    }
    if (login.known != Known::Yes)
        login.results.clear();
    return login;
}

RecordStore::Registering PgRecordStore::Register(const Student& student)
{
    const PgConnection::Result answer =
        m_db.Exec("SELECT quillet.register($1, $2)", {student.name, student.password});
    if (!answer.status)
        return {Registration::Failed, answer.status};
    if (!answer.rows.empty() && answer.rows[0][0] == std::optional<std::string>("taken"))
        return {Registration::Taken, {}};
    m_student = student;
    return {Registration::Registered, {}};
}

StoreStatus PgRecordStore::Send(const Student& student, const CResultEntry& result)
{
    const PgConnection::Result sent = m_db.Exec(
        "SELECT quillet.add_result($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12)",
        {student.name, student.password, ResultKey(student.name, result), result.m_bTest ? "t" : "f",
         result.m_bPreTest ? "t" : "f", result.m_strTitle, result.m_strChapter,
         std::to_string(result.m_timeGraded), result.m_strDateText, std::to_string(result.m_spanTaken),
         std::to_string(result.m_nRight), std::to_string(result.m_nTotal)});
    if (sent.sqlState == "28P01")
        return StoreStatus::Failed("the record server holds " + student.name + " with another password");
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
                    status = Send(student, *result);
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
    const std::string refused = DataFolder() + "/quillet/server.refused";
    const auto before = ReadPendingFile(refused);
    WritePendingFile(refused, before->ComposeRecordText() + aside);
    return refused;
}

RecordStore::Saved PgRecordStore::AddResult(const Student& student, const CResultEntry& result)
{
    Saved saved;
    // Earlier results first, so that the history stays in the order taken.
    saved.setAside = SendPending(student, saved.status);
    if (saved.status)
        saved.status = Send(student, result);
    if (saved.status)
    {
        m_student = student;
        saved.results = History(student, saved.status);
    }
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

PgConnection::Row PgRecordStore::JournalParameters(const JournalKey& key) const
{
    return {key.student, key.student == m_student.name ? m_student.password : std::string(),
            JournalFileName(key)};
}

RecordStore::JournalRead PgRecordStore::ReadJournal(const JournalKey& key)
{
    JournalRead read;
    const PgConnection::Result answer =
        m_db.Exec("SELECT quillet.read_journal($1, $2, $3)", JournalParameters(key));
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
    PgConnection::Row parameters = JournalParameters(key);
    parameters.emplace_back(text);
    return m_db.Exec("SELECT quillet.keep_journal($1, $2, $3, $4)", parameters).status;
}

void PgRecordStore::RemoveJournal(const JournalKey& key)
{
    m_db.Exec("SELECT quillet.remove_journal($1, $2, $3)", JournalParameters(key));
}

void PgRecordStore::SetAsideJournal(const JournalKey& key)
{
    m_db.Exec("SELECT quillet.set_aside_journal($1, $2, $3)", JournalParameters(key));
}

std::string PgRecordStore::JournalLocation() const
{
    return Location();
}
}
