#include "platform/IniFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Files.h"
#include "platform/Folders.h"

namespace quillet::ini
{
namespace
{
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// One line of the file: its text without the line ending, and the ending
// ("\n", "\r\n" or nothing on a last line without one).
struct Line
{
    std::string_view text;
    std::string_view ending;
};

std::vector<Line> SplitLines(std::string_view content)
{
    std::vector<Line> lines;
    while (!content.empty())
    {
        const auto lf = content.find('\n');
        std::string_view whole = content.substr(0, lf == std::string_view::npos ? content.size() : lf + 1);
        content.remove_prefix(whole.size());
        std::size_t endingSize = 0;
        if (!whole.empty() && whole.back() == '\n')
            endingSize = whole.size() >= 2 && whole[whole.size() - 2] == '\r' ? 2 : 1;
        lines.push_back(
            {whole.substr(0, whole.size() - endingSize), whole.substr(whole.size() - endingSize)});
    }
    return lines;
}

enum class LineKind
{
    Other,
    Blank,
    Comment,
    Header,
    Entry
};

struct Parsed
{
    LineKind kind = LineKind::Other;
    std::string_view name;  // section of a header, key of an entry
    std::string_view value; // value of an entry
};

Parsed ParseLine(std::string_view text, bool first)
{
    if (first && text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    text = TrimBlanks(text);
    if (text.empty())
        return {LineKind::Blank, {}, {}};
    if (text.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (text.front() == '[')
    {
        const auto close = text.find(']');
        if (close != std::string_view::npos)
            return {LineKind::Header, TrimBlanks(text.substr(1, close - 1)), {}};
        return {};
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {LineKind::Entry, TrimBlanks(text.substr(0, equals)), TrimBlanks(text.substr(equals + 1))};
}

bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsUsableName(std::string_view name)
{
    return !name.empty() && !HasLineBreakOrNul(name) && TrimBlanks(name).size() == name.size();
}

// The player and the test program both rewrite the file; the lock on its
// folder makes each read-modify-write whole, so neither undoes the other's key.
class FolderLock
{
  public:
    explicit FolderLock(const std::string& dir)
        : m_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0)
        {
            if (errno != EINTR)
            {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return m_fd >= 0; }

  private:
    int m_fd;
};

std::string WithValue(std::string_view content, const std::string& section, const std::string& key,
                      const std::string& value)
{
    const std::vector<Line> lines = SplitLines(content);
    const std::string entry = key + "=" + value;
    const std::string_view newline = !lines.empty() && lines.front().ending == "\r\n" ? "\r\n" : "\n";

    int header = -1;
    int keyLine = -1;
    int lastFilled = -1; // the section's last non-blank line
    for (int i = 0; i < static_cast<int>(lines.size()); ++i)
    {
        const Parsed parsed = ParseLine(lines[static_cast<std::size_t>(i)].text, i == 0);
        if (parsed.kind == LineKind::Header)
        {
            if (header >= 0)
                break;
            if (SameIgnoringCase(parsed.name, section))
                header = lastFilled = i;
            continue;
        }
        if (header < 0)
            continue;
        if (parsed.kind == LineKind::Entry && keyLine < 0 && SameIgnoringCase(parsed.name, key))
            keyLine = i;
        if (parsed.kind != LineKind::Blank)
            lastFilled = i;
    }

    std::string out;
    out.reserve(content.size() + entry.size() + section.size() + 8);
    if (header < 0)
    {
        out.append(content);
        // A last line that ends in a bare CR keeps that CR as part of its
        // value: only a full line end may follow it.
        if (!out.empty() && out.back() != '\n')
            out.append(out.back() == '\r' ? "\r\n" : newline);
        return out.append("[").append(section).append("]").append(newline).append(entry).append(newline);
    }
    for (int i = 0; i < static_cast<int>(lines.size()); ++i)
    {
        const Line& line = lines[static_cast<std::size_t>(i)];
        out.append(i == keyLine ? std::string_view(entry) : line.text);
        if (keyLine < 0 && i == lastFilled)
        {
            out.append(!line.ending.empty()        ? std::string_view(line.ending)
                       : line.text.ends_with('\r') ? std::string_view("\r\n")
                                                   : newline);
            out.append(entry).append(line.ending.empty() ? std::string_view() : newline);
        }
        else
        {
            out.append(line.ending);
        }
    }
    return out;
}
}

std::string PlayerIniPath()
{
    return ConfigFolder() + "/tovrin.ini";
}

std::string ReadValue(const std::string& path, const std::string& section, const std::string& key)
{
    std::string content;
    if (!ReadWholeFile(path, content))
        return {};
    return ValueIn(content, section, key);
}

std::string ValueIn(std::string_view content, const std::string& section, const std::string& key)
{
    bool inSection = false;
    bool first = true;
    for (const Line& line : SplitLines(content))
    {
        const Parsed parsed = ParseLine(line.text, first);
        first = false;
        if (parsed.kind == LineKind::Header)
        {
            // Only the first section of that name counts, as with the original.
            if (inSection)
                return {};
            inSection = SameIgnoringCase(parsed.name, section);
        }
        else if (inSection && parsed.kind == LineKind::Entry && SameIgnoringCase(parsed.name, key))
        {
            return std::string(parsed.value);
        }
    }
    return {};
}

FileStatus WriteValue(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value)
{
    if (!IsUsableName(section) || section.find(']') != std::string::npos)
        return FileStatus::Failed("the section name cannot be written");
    if (!IsUsableName(key) || key.find('=') != std::string::npos || key.front() == ';' || key.front() == '[')
        return FileStatus::Failed("the key cannot be written");
    if (HasLineBreakOrNul(value))
        return FileStatus::Failed("the value holds a line break");

    const std::string dir = ParentFolder(path);
    if (!MakeDirectories(dir))
        return FileStatus::Failed(std::strerror(errno));
    const FolderLock lock(dir);
    if (!lock.Held())
        return FileStatus::Failed(std::strerror(errno));
    std::string content;
    if (FileStatus read = ReadRegularFile(path, content); !read && !read.missing)
        return read;
    return ReplaceFile(path, WithValue(content, section, key, value));
}
}
