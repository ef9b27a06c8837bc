#include "records/FileRecordStore.h"

#include <optional>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/Folders.h"
#include "records/JournalFolders.h"
#include "records/ResponseFile.h"

namespace quillet
{
namespace
{
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

std::string JournalFolderOf(const std::string& records)
{
    // Where nobody else can plant, read or replace a journal.
    if (MakeDirectories(records))
    {
        if (!IsOpenToOthers(records))
            return records;
        if (std::string own = records + "/" + JournalFolderName(AccountTag()); MakePrivateFolder(own))
            return own;
    }
    std::string data = DataFolder() + "/quillet";
    MakePrivateFolder(data);
    return data;
}

PendingResults PendingOf(const CRecordFile& file, int lockTimeoutMs)
{
    const std::string own = file.GetOwnPendingPath();
    return PendingResults(
        {{file.GetSharedPendingPath(), file.GetLockPath(), false}, {own, own + ".lock", true}},
        {file.GetRefusedPath(), file.GetLockPath(), false}, lockTimeoutMs);
}
}

// A student of the record file: every change re-reads the file under its
// lock, so another copy's students and results stay.
class FileRecordStore::Session : public RecordSession
{
  public:
    // A copy of the store's parts: the session may outlive the store object.
    Session(const FileRecordStore& store, Student student)
        : m_file(store.m_file), m_pending(store.m_pending), m_student(std::move(student))
    {
    }

    Saved AddResult(const CResultEntry& result, const ResultAnswers& answers) override;
    JournalRead ReadJournal(const JournalKey& key) override;
    StoreStatus KeepJournal(const JournalKey& key, const std::string& text) override;
    void RemoveJournal(const JournalKey& key) override;
    void SetAsideJournal(const JournalKey& key) override;
    std::string JournalPlace() const override { return JournalFolderOf(m_file.GetFolder()); }

    // Writes the change with his pending results: those kept under the
    // password the file holds for his name (for a name it does not hold
    // yet, his own). Answers the roster as written, and in `report` what
    // went aside and the pending files that did not read.
    StoreStatus Update(const std::function<std::string(CStudentRoster&, CStudentRecord&)>& change,
                       std::unique_ptr<CStudentRoster>* written, UpdateOptions options, Saved* report);

  private:
    std::string JournalPath(const JournalKey& key) const
    {
        return JournalFolderOf(m_file.GetFolder()) + "/" + JournalFileName(key);
    }

    CRecordFile m_file;
    PendingResults m_pending;
    Student m_student;
};

StoreStatus
FileRecordStore::Session::Update(const std::function<std::string(CStudentRoster&, CStudentRecord&)>& change,
                                 std::unique_ptr<CStudentRoster>* written, UpdateOptions options,
                                 Saved* report)
{
    const CRecordFile& file = m_file;
    std::optional<PendingResults::Delivery> delivery;
    StoreError why = StoreError::Unavailable;
    options.written = [&]
    {
        const std::string aside = delivery->Finish();
        if (report)
        {
            report->setAside = aside;
            report->unreadablePending = delivery->Unreadable();
        }
    };
    const FileStatus saved = file.Update(
        [&](CStudentRoster& roster) -> std::string
        {
            // The shared pending file is guarded by the record file's lock, held here.
            delivery.emplace(m_pending.Take(m_student.name, file.GetLockPath()));
            int at = roster.FindStudent(m_student.name);
            const std::string held = at >= 0 ? roster.GetStudent(at)->m_strPassword : m_student.password;
            if (!CStudentRoster::PasswordMatches(held, m_student.password))
            {
                why = StoreError::WrongPassword;
                return "the record file holds " + m_student.name + " with another password";
            }
            if (at < 0)
            {
                if (!roster.AddStudent(m_student.name, m_student.password))
                {
                    why = StoreError::Refused;
                    return "the user name cannot be stored";
                }
                at = roster.GetStudentCount() - 1;
            }
            CStudentRoster brought;
            brought.AddStudent(m_student.name, held);
            for (CResultEntry& result : delivery->Accept(held))
                brought.GetStudent(0)->m_results.push_back(std::make_unique<CResultEntry>(std::move(result)));
            MergeRoster(roster, brought);
            return change(roster, *roster.GetStudent(at));
        },
        written, options);
    if (saved)
        return {};
    return StoreStatus::Failed(why, saved.reason);
}

RecordSession::Saved FileRecordStore::Session::AddResult(const CResultEntry& result,
                                                         const ResultAnswers& answers)
{
    Saved saved;
    std::unique_ptr<CStudentRoster> written;
    UpdateOptions options;
    FileStatus responsesKept;
    if (!answers.responses.empty())
    {
        options.responses =
            CResponseFile::Compose({m_student.name, result.m_kind, result.m_strTitle, result.m_strChapter,
                                    result.m_timeGraded, answers.bank, answers.responses});
        options.responsesKept = &responsesKept;
    }
    saved.status = Update(
        [&](CStudentRoster&, CStudentRecord& student)
        {
            student.m_results.push_back(std::make_unique<CResultEntry>(result));
            return std::string();
        },
        &written, options, &saved);
    if (!saved.status)
        return saved;
    if (!responsesKept)
        saved.responsesKept = StoreStatus::Failed(responsesKept.reason);
    if (written)
        saved.results = ResultsOf(*written, written->FindStudent(m_student.name));
    return saved;
}

RecordSession::JournalRead FileRecordStore::Session::ReadJournal(const JournalKey& key)
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

StoreStatus FileRecordStore::Session::KeepJournal(const JournalKey& key, const std::string& text)
{
    if (text.empty())
        return StoreStatus::Failed(StoreError::Refused, "the test cannot be described");
    const FileStatus saved = ReplaceFile(JournalPath(key), text, true);
    return saved ? StoreStatus() : StoreStatus::Failed(saved.reason);
}

void FileRecordStore::Session::RemoveJournal(const JournalKey& key)
{
    RemoveFile(JournalPath(key));
}

void FileRecordStore::Session::SetAsideJournal(const JournalKey& key)
{
    RenameAside(JournalPath(key), ".bad");
}

FileRecordStore::FileRecordStore() : FileRecordStore(RecordDirectory() + "/" + kRecordFileName) {}

FileRecordStore::FileRecordStore(std::string recordFilePath, int lockTimeoutMs)
    : m_file(std::move(recordFilePath), lockTimeoutMs), m_pending(PendingOf(m_file, lockTimeoutMs))
{
}

std::string FileRecordStore::Place() const
{
    return "the record folder " + m_file.GetFolder();
}

RecordStore::Login FileRecordStore::Open(const Student& student, std::vector<CResultEntry> results)
{
    Login login;
    login.session = std::make_unique<Session>(*this, student);
    login.results = std::move(results);
    return login;
}

RecordStore::Login FileRecordStore::LogIn(const Student& student)
{
    const CRecordFile::Reading reading = m_file.Read();
    if (!reading.status)
        return {StoreStatus::Failed("the record file " + m_file.GetPath() +
                                    " cannot be checked now: " + reading.status.reason),
                nullptr,
                {}};
    const int at = reading.roster->FindStudent(student.name);
    if (at < 0)
    {
        // A student whose registration and results wait in a pending file
        // is the same student when the password is the same; the name is his.
        PendingResults::Known known = m_pending.LoginOf(student);
        if (known.error != StoreError::None)
            return {StoreStatus::Failed(known.error, "the record file does not hold " + student.name),
                    nullptr,
                    {}};
        return Open(student, std::move(known.results));
    }
    if (!reading.roster->CheckPassword(student.name, student.password))
        return {StoreStatus::Failed(StoreError::WrongPassword,
                                    "the record file holds " + student.name + " with another password"),
                nullptr,
                {}};
    return Open(student, ResultsOf(*reading.roster, at));
}

RecordStore::Login FileRecordStore::Register(const Student& student)
{
    Session session(*this, student);
    const StoreStatus saved =
        session.Update([](CStudentRoster&, CStudentRecord&) { return std::string(); }, nullptr, {}, nullptr);
    // His own pending registration may have brought him in already; any
    // other holder of the name took it first.
    if (saved.error == StoreError::WrongPassword)
        return {StoreStatus::Failed(StoreError::NameTaken, "the name is taken"), nullptr, {}};
    Login login = Open(student, {});
    login.status = saved;
    return login;
}

std::string FileRecordStore::JournalFolder() const
{
    return JournalFolderOf(m_file.GetFolder());
}
}
