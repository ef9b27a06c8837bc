#include "records/ResponseFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet
{
namespace
{
void AppendField(std::string& out, std::string_view field)
{
    out += '\t';
    for (const char c : field)
    {
        switch (c)
        {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
}

// The tab-separated fields after a line's letter, escapes undone, into
// `fields`, whose strings are reused from line to line.
void Fields(std::string_view line, std::vector<std::string>& fields)
{
    std::size_t count = 0;
    if (line.size() >= 2 && line[1] == '\t')
    {
        for (std::size_t at = 1; at < line.size();)
        {
            if (count == fields.size())
                fields.emplace_back();
            std::string& field = fields[count++];
            field.clear();
            for (++at; at < line.size() && line[at] != '\t';)
            {
                const std::size_t stop = std::min(line.find_first_of("\t\\", at), line.size());
                field.append(line, at, stop - at);
                at = stop;
                if (at + 1 < line.size() && line[at] == '\\')
                {
                    const char next = line[at + 1];
                    field += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
                    at += 2;
                }
                else if (at < line.size() && line[at] == '\\')
                {
                    field += '\\'; // a backslash that ends the line stands for itself
                    ++at;
                }
            }
        }
    }
    fields.resize(count);
}

template <typename Number> bool ReadNumber(const std::string& text, Number& value, int base = 10)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ReadFlag(const std::string& text, bool& value)
{
    if (text != "0" && text != "1")
        return false;
    value = text == "1";
    return true;
}

bool ReadTest(const std::vector<std::string>& f, ResponseRecord& record)
{
    if (f.size() != 8 || !ReadNumber(f[0], record.graded) || !ReadNumber(f[5], record.bank.size) ||
        !ReadNumber(f[6], record.bank.hash, 16))
        return false;
    const TestKind kinds[] = {TestKind::Test, TestKind::PreTest, TestKind::Quiz};
    const auto kind =
        std::find_if(std::begin(kinds), std::end(kinds), [&](TestKind k) { return f[1] == TestKindWord(k); });
    if (kind == std::end(kinds))
        return false;
    record.kind = *kind;
    record.student = f[2];
    record.course = f[3];
    record.quizChapter = f[4];
    record.bank.path = f[7];
    return true;
}

bool ReadResponse(const std::vector<std::string>& f, Response& response)
{
    if ((f.size() != 5 && f.size() != 6) || f[1].empty() || !ReadFlag(f[3], response.right) ||
        !ReadFlag(f[4], response.flagged))
        return false;
    response.chapter = f[0];
    response.question = f[1];
    response.answer = -1;
    response.answerKey.clear();
    if (f.size() == 6 && f[5] != "-")
    {
        std::uint64_t key = 0;
        if (f[5].size() != 16 || !ReadNumber(f[5], key, 16) || f[2] == "-")
            return false;
        response.answerKey = f[5];
    }
    return f[2] == "-" || (ReadNumber(f[2], response.answer) && response.answer >= 0 && response.answer < 64);
}
}

CResponseFile CResponseFile::Beside(const std::string& recordFile)
{
    return CResponseFile(ParentFolder(recordFile) + "/quillet2.responses");
}

std::string CResponseFile::Compose(const ResponseRecord& record)
{
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(record.bank.hash));
    std::string text = "t";
    for (const std::string& field : {std::to_string(record.graded), std::string(TestKindWord(record.kind)),
                                     record.student, record.course, record.quizChapter,
                                     std::to_string(record.bank.size), std::string(hash), record.bank.path})
        AppendField(text, field);
    text += '\n';
    for (const Response& response : record.responses)
    {
        text += 'r';
        AppendField(text, response.chapter);
        AppendField(text, response.question);
        AppendField(text, response.answer < 0 ? std::string("-") : std::to_string(response.answer));
        AppendField(text, response.right ? "1" : "0");
        AppendField(text, response.flagged ? "1" : "0");
        AppendField(text, response.answerKey.empty() ? std::string("-") : response.answerKey);
        text += '\n';
    }
    return text;
}

int CResponseFile::Visit(std::string_view text, const Visitor& visit)
{
    int bad = 0;
    ResponseRecord record;
    bool reading = false;  // a test line has been read and its record not yet visited
    bool skipping = false; // the rest of a block whose test line did not read
    std::vector<std::string> fields;
    while (!text.empty())
    {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty())
            continue;
        Fields(line, fields);
        if (line[0] == 't')
        {
            if (reading)
                visit(record);
            record.responses.clear();
            skipping = !ReadTest(fields, record);
            reading = !skipping;
            bad += skipping;
            continue;
        }
        Response response;
        if (line[0] != 'r' || skipping || !reading || !ReadResponse(fields, response))
        {
            bad += !skipping;
            continue;
        }
        record.responses.push_back(std::move(response));
    }
    if (reading)
        visit(record);
    return bad;
}

std::vector<ResponseRecord> CResponseFile::Parse(std::string_view text, int* unreadable)
{
    std::vector<ResponseRecord> records;
    const int bad = Visit(text, [&](ResponseRecord& record) { records.push_back(std::move(record)); });
    if (unreadable)
        *unreadable = bad;
    return records;
}

FileStatus CResponseFile::Append(const std::string& text) const
{
    if (FileStatus follow = MayFollow(m_strPath); !follow)
        return follow;
    const mode_t mode = IsSharedGroupFolder(ParentFolder(m_strPath)) ? 0660 : 0600;
    int fd = ::open(m_strPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    // The umask may have taken the group's bits from a new file.
    if (fd >= 0)
        (void)::fchmod(fd, mode);
    else if (errno == EEXIST)
        fd = ::open(m_strPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return FileStatus::Failed(std::strerror(errno));
    // Appends happen under the record file's lock, so the end is this append's start.
    struct stat info
    {
    };
    const off_t start = ::fstat(fd, &info) == 0 ? info.st_size : -1;
    std::size_t done = 0;
    int error = 0;
    while (done < text.size())
    {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
        {
            error = wrote < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    // A part of a test's answers would glue onto the next test's.
    if (error != 0 && start >= 0)
        (void)::ftruncate(fd, start);
    ::close(fd);
    return error == 0 ? FileStatus() : FileStatus::Failed(std::strerror(error));
}

FileStatus CResponseFile::Replace(const std::string& text) const
{
    return ReplaceFile(m_strPath, text);
}

FileStatus CResponseFile::Read(std::vector<ResponseRecord>& records, int* unreadable) const
{
    records.clear();
    return ReadEach([&](ResponseRecord& record) { records.push_back(std::move(record)); }, unreadable);
}

FileStatus CResponseFile::ReadEach(const Visitor& visit, int* unreadable) const
{
    if (unreadable)
        *unreadable = 0;
    std::string text;
    FileStatus read = ReadRegularFile(m_strPath, text);
    if (read.missing)
        return {};
    if (read)
    {
        const int bad = Visit(text, visit);
        if (unreadable)
            *unreadable = bad;
    }
    return read;
}
}
