#include "records/FileRecordStore.h"

#include <unistd.h>

#include "platform/Files.h"
#include "platform/Folders.h"
#include "records/ResponseFile.h"

namespace quillet
{
namespace
{
// A journal is a few kilobytes; anything much larger is not one.
constexpr std::size_t kJournalLimit = 1 << 20;

// The account's name as a folder name may hold it, else its number.
std::string AccountTag()
{
    std::string name = LogOnName();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name.empty() || name == "." || name == ".." ? std::to_string(::geteuid()) : name;
}

std::vector<CResultEntry> ResultsOf(const CStudentRoster& roster, int student)
{
    std::vector<CResultEntry> results;
    results.reserve(static_cast<std::size_t>(roster.GetResultCount(student)));
    for (int i = 0; i < roster.GetResultCount(student); ++i)
        results.push_back(*roster.GetResult(student, i));
    return results;
}
}

FileRecordStore::FileRecordStore() : FileRecordStore(RecordDirectory() + "/" + kRecordFileName) {}

FileRecordStore::FileRecordStore(std::string recordFilePath, int lockTimeoutMs)
    : m_file(std::move(recordFilePath), lockTimeoutMs)
{
}

std::string FileRecordStore::Location() const
{
    return "the record folder " + m_file.GetFolder();
}

std::string FileRecordStore::Unavailable(const std::string& reason) const
{
    return "The record file " + m_file.GetPath() + " cannot be checked now: " + reason + ".";
}

RecordStore::Login FileRecordStore::CheckLogin(const Student& student)
{
    Login login;
    const CRecordFile::Reading reading = m_file.Read();
    if (!reading.status)
    {
        login.status = StoreStatus::Failed(reading.status.reason);
        return login;
    }
    const int at = reading.roster->FindStudent(student.name);
    if (at < 0)
        return PendingLogin(student);
    if (!reading.roster->CheckPassword(student.name, student.password))
    {
        login.known = Known::WrongPassword;
        return login;
    }
    login.known = Known::Yes;
    login.results = ResultsOf(*reading.roster, at);
    return login;
}

RecordStore::Login FileRecordStore::PendingLogin(const Student& student) const
{
    // A student whose registration and results wait in a pending file is
    // the same student when the password is the same; the name is his.
    return LoginOfPending(*m_file.ReadPending().roster, student);
}

RecordStore::Registering FileRecordStore::Register(const Student& student)
{
    bool taken = false;
    const PendingOwner owner{student.name, student.password};
    UpdateOptions options;
    options.owner = &owner;
    const FileStatus saved = m_file.Update(
        [&](CStudentRoster& roster) -> std::string
        {
            // His own pending registration may have brought him in already.
            if (const int at = roster.FindStudent(student.name); at >= 0)
            {
                taken =
                    !CStudentRoster::PasswordMatches(roster.GetStudent(at)->m_strPassword, student.password);
                return taken ? "the name is taken" : std::string();
            }
            return roster.AddStudent(student.name, student.password) ? std::string()
                                                                     : "the name cannot be stored";
        },
        nullptr, options);
    if (taken)
        return {Registration::Taken, {}};
    if (!saved)
        return {Registration::Failed, StoreStatus::Failed(saved.reason)};
    return {Registration::Registered, {}};
}

RecordStore::Saved FileRecordStore::AddResult(const Student& student, const CResultEntry& result,
                                              const ResultAnswers& answers)
{
    Saved saved;
    std::unique_ptr<CStudentRoster> written;
    const PendingOwner owner{student.name, student.password};
    UpdateOptions options;
    options.owner = &owner;
    options.setAside = &saved.setAside;
    FileStatus responsesKept;
    if (!answers.responses.empty())
    {
        options.responses = CResponseFile::Compose(
            {student.name,
             result.m_kind,
             result.m_strTitle, result.m_strChapter, result.m_timeGraded, answers.bank, answers.responses});
        options.responsesKept = &responsesKept;
    }
    const FileStatus status = m_file.Update(
        [&](CStudentRoster& roster) -> std::string
        {
            if (roster.FindStudent(student.name) < 0 && !roster.AddStudent(student.name, student.password))
                return "the user name cannot be stored";
            if (!roster.AddResult(student.name, student.password, std::make_unique<CResultEntry>(result)))
                return "the record file holds " + student.name + " with another password";
            return {};
        },
        &written, options);
    if (!status)
    {
        saved.status = StoreStatus::Failed(status.reason);
        return saved;
    }
    if (!responsesKept)
        saved.responsesKept = StoreStatus::Failed(responsesKept.reason);
    if (written)
        saved.results = ResultsOf(*written, written->FindStudent(student.name));
    return saved;
}

StoreStatus FileRecordStore::KeepPending(const Student& student, const CResultEntry& result,
                                         std::string& keptIn)
{
    const FileStatus kept = m_file.KeepPending(student.name, student.password, result, &keptIn);
    return kept ? StoreStatus() : StoreStatus::Failed(kept.reason);
}

std::string FileRecordStore::JournalLocation() const
{
    // Where nobody else can plant, read or replace a journal.
    std::string records = RecordDirectory();
    if (MakeDirectories(records))
    {
        if (!IsOpenToOthers(records))
            return records;
        if (std::string own = records + "/journals-" + AccountTag(); MakePrivateFolder(own))
            return own;
    }
    std::string data = DataFolder() + "/quillet";
    MakePrivateFolder(data);
    return data;
}

std::string FileRecordStore::JournalPath(const JournalKey& key) const
{
    return JournalLocation() + "/" + JournalFileName(key);
}

RecordStore::JournalRead FileRecordStore::ReadJournal(const JournalKey& key)
{
    JournalRead read;
    const FileStatus status = ReadOwnFile(JournalPath(key), read.text, kJournalLimit);
    if (status.missing)
        return read;
    read.found = true;
    if (!status)
        read.status = StoreStatus::Failed(status.reason);
    return read;
}

StoreStatus FileRecordStore::KeepJournal(const JournalKey& key, const std::string& text)
{
    if (text.empty())
        return StoreStatus::Failed("the test cannot be described");
    const FileStatus saved = ReplaceFile(JournalPath(key), text, true);
    return saved ? StoreStatus() : StoreStatus::Failed(saved.reason);
}

void FileRecordStore::RemoveJournal(const JournalKey& key)
{
    RemoveFile(JournalPath(key));
}

void FileRecordStore::SetAsideJournal(const JournalKey& key)
{
    RenameAside(JournalPath(key), ".bad");
}
}
