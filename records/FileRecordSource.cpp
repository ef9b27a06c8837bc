#include "records/FileRecordSource.h"

#include <algorithm>
#include <filesystem>

#include "course/Complement.h"
#include "platform/Files.h"
#include "records/JournalFolders.h"

namespace quillet
{
FileRecordSource::FileRecordSource(std::string where) : RecordSource(std::move(where)) {}

RecordSource::RosterRead FileRecordSource::Students()
{
    RosterRead read;
    std::string stored;
    if (const FileStatus status = ReadRegularFile(Where(), stored); !status)
    {
        read.status = {status.missing ? SourceError::Missing : SourceError::Unreadable,
                       "cannot read " + Where() + ": " + status.reason};
        return read;
    }
    ComplementInPlace(stored);
    read.roster = CStudentRoster::ParseOwnedText(std::move(stored));
    if (!read.roster)
        read.status = {SourceError::NoStudents, Where() + " holds no student"};
    return read;
}

SourceStatus FileRecordSource::Responses(const CResponseFile::Visitor& visit, int* unreadable)
{
    const CResponseFile file = CResponseFile::Beside(Where());
    SourceStatus told;
    std::error_code error;
    if (!std::filesystem::exists(file.GetPath(), error))
    {
        if (!std::filesystem::exists(Where(), error))
            return {SourceError::Missing, "cannot read " + Where() + ": No such file or directory"};
        told = {SourceError::NothingKept,
                "no answers are kept beside " + Where() + " yet (" + file.GetPath() + ")"};
    }
    int passedOver = 0;
    if (const FileStatus read = file.ReadEach(visit, &passedOver); !read)
        return {SourceError::Unreadable, "cannot read " + file.GetPath() + ": " + read.reason};
    if (unreadable)
        *unreadable = passedOver;
    if (passedOver > 0)
        told = {SourceError::PassedOver, std::to_string(passedOver) + " parts of " + file.GetPath() +
                                             " do not read and were passed over"};
    return told;
}

std::string FileRecordSource::JournalFolder() const
{
    std::error_code error;
    return std::filesystem::is_regular_file(Where(), error) ? ParentFolder(Where()) : Where();
}

RecordSource::JournalsRead FileRecordSource::Journals()
{
    JournalsRead read;
    const std::string folder = JournalFolder();
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    {
        const std::string name = entry.path().filename().string();
        if (IsJournalFileName(name))
            names.push_back(name);
        else if (IsJournalFolderName(name) && entry.is_directory())
        {
            std::error_code inner;
            for (const auto& journal : std::filesystem::directory_iterator(entry.path(), inner))
                if (IsJournalFileName(journal.path().filename().string()))
                    names.push_back(name + "/" + journal.path().filename().string());
        }
    }
    if (error)
    {
        read.status = {error == std::errc::no_such_file_or_directory ? SourceError::Missing
                                                                     : SourceError::Unreadable,
                       "cannot list " + folder + ": " + error.message()};
        return read;
    }
    std::sort(names.begin(), names.end());
    for (std::string& name : names)
    {
        UnfinishedJournal journal;
        std::string path = folder;
        path += '/';
        path += name;
        journal.readable = ReadRegularFile(path, journal.text, kJournalLimit).ok;
        if (!journal.readable)
            journal.text.clear();
        journal.name = std::move(name);
        read.journals.push_back(std::move(journal));
    }
    return read;
}
}
