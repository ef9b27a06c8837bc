#include "records/FileRecordStore.h"

#include "platform/Files.h"
#include "platform/Folders.h"

namespace quillet
{
namespace
{
// A journal is a few kilobytes; anything much larger is not one.
constexpr std::size_t kJournalLimit = 1 << 20;

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

std::string FileRecordStore::Name() const
{
    return "record file " + m_file.GetPath();
}

std::string FileRecordStore::Location() const
{
    return m_file.GetFolder();
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
        return login;
    if (!reading.roster->CheckPassword(student.name, student.password))
    {
        login.known = Known::WrongPassword;
        return login;
    }
    login.known = Known::Yes;
    login.results = ResultsOf(*reading.roster, at);
    return login;
}

RecordStore::Registering FileRecordStore::Register(const Student& student)
{
    bool taken = false;
    const FileStatus saved = m_file.Update(
        [&](CStudentRoster& roster) -> std::string
        {
            taken = roster.FindStudent(student.name) != -1;
            if (taken)
                return "the name is taken";
            return roster.AddStudent(student.name, student.password) ? std::string()
                                                                     : "the name cannot be stored";
        });
    if (taken)
        return {Registration::Taken, {}};
    if (!saved)
        return {Registration::Failed, StoreStatus::Failed(saved.reason)};
    return {Registration::Registered, {}};
}

StoreStatus FileRecordStore::AddResult(const Student& student, const CResultEntry& result,
                                       std::vector<CResultEntry>* results)
{
    std::unique_ptr<CStudentRoster> written;
    const FileStatus saved = m_file.Update(
        [&](CStudentRoster& roster) -> std::string
        {
            if (roster.FindStudent(student.name) < 0 && !roster.AddStudent(student.name, student.password))
                return "the user name cannot be stored";
            if (!roster.AddResult(student.name, student.password, std::make_unique<CResultEntry>(result)))
                return "the record file holds " + student.name + " with another password";
            return {};
        },
        &written);
    if (!saved)
        return StoreStatus::Failed(saved.reason);
    if (results && written)
        *results = ResultsOf(*written, written->FindStudent(student.name));
    return {};
}

StoreStatus FileRecordStore::KeepPending(const Student& student, const CResultEntry& result,
                                         std::string& keptIn)
{
    const FileStatus kept = m_file.KeepPending(student.name, student.password, result, &keptIn);
    return kept ? StoreStatus() : StoreStatus::Failed(kept.reason);
}

std::string FileRecordStore::JournalLocation() const
{
    // The record folder, unless it is shared and this account may not write there.
    std::string records = RecordDirectory();
    if (MakeDirectories(records) && IsWritableFolder(records))
        return records;
    std::string own = DataFolder() + "/quillet";
    MakeDirectories(own);
    return own;
}

std::string FileRecordStore::JournalPath(const JournalKey& key) const
{
    return JournalLocation() + "/" + JournalFileName(key);
}

RecordStore::JournalRead FileRecordStore::ReadJournal(const JournalKey& key)
{
    JournalRead read;
    const FileStatus status = ReadRegularFile(JournalPath(key), read.text, kJournalLimit);
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
    const std::string path = JournalPath(key);
    RenameFile(path, path + ".bad");
}
}
