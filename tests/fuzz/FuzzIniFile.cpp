// Feeds arbitrary bytes to the player's ini file as its whole content, reads
// keys from it, and writes keys into it. Checked with abort():
// - a value read never holds a line break and has no blanks around it;
// - a write is refused exactly when platform/IniFile.h says it is (or when the
//   name could never be read back), and a refused write leaves the file alone;
// - a value written reads back (without the blanks around it);
// - every other line keeps its bytes: the file changes by one replaced entry
//   line, one added entry line, or one added section with its entry (a last
//   line without an ending may gain one);
// - every other key of the file reads as it did before the write;
// - no temporary file stays behind, and a new file and its folder are
//   owner-only.
// The names and values come from the content itself (its section and key
// names, case flipped, its lines), so the replace and insert paths are hit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/IniFile.h"

namespace
{
std::string g_dir;    // per process, removed at exit
std::string g_path;   // g_dir/tovrin.ini
std::string g_nested; // g_dir/new/sub/tovrin.ini, for creating folders

void RemoveDir();

[[noreturn]] void Fail(const char* what, const std::string& detail = {})
{
    RemoveDir();
    std::fprintf(stderr, "FuzzIniFile: %s\n", what);
    if (!detail.empty())
    {
        std::fprintf(stderr, "  detail (escaped): ");
        for (unsigned char c : detail)
            c >= 0x20 && c < 0x7f && c != '\\' ? std::fputc(c, stderr) : std::fprintf(stderr, "\\x%02x", c);
        std::fputc('\n', stderr);
    }
    std::abort();
}

void RemoveDir()
{
    std::error_code ignored;
    if (!g_dir.empty())
        std::filesystem::remove_all(g_dir, ignored);
}

std::string MakeTempDir()
{
    // A memory-backed folder keeps the file system's syncs cheap.
    std::string base;
    if (const char* chosen = std::getenv("QUILLET_FUZZ_TMPDIR"); chosen && *chosen)
        base = chosen;
    else if (::access("/dev/shm", W_OK | X_OK) == 0)
        base = "/dev/shm";
    else if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        base = tmp;
    else
        base = "/tmp";
    std::string pattern = base + "/quillet-fuzz-ini-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        Fail("cannot make a temporary folder", pattern);
    return pattern;
}

std::uint64_t Hash(std::string_view bytes)
{
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string FlipCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
    {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

struct RawLine
{
    std::string_view text;   // without its ending
    std::string_view ending; // "\n", "\r\n" or "" (a last line without one)
    std::string_view whole;  // text and ending
};

std::vector<RawLine> Lines(std::string_view content)
{
    std::vector<RawLine> lines;
    while (!content.empty())
    {
        const auto lf = content.find('\n');
        const std::string_view whole =
            content.substr(0, lf == std::string_view::npos ? content.size() : lf + 1);
        content.remove_prefix(whole.size());
        std::size_t ending = 0;
        if (whole.back() == '\n')
            ending = whole.size() >= 2 && whole[whole.size() - 2] == '\r' ? 2 : 1;
        lines.push_back({whole.substr(0, whole.size() - ending), whole.substr(whole.size() - ending), whole});
    }
    return lines;
}

std::string ReadFile(const std::string& path, bool* exists = nullptr)
{
    std::string content;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (exists)
        *exists = fd >= 0;
    if (fd < 0)
        return content;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return content;
}

void StoreFile(const std::string& path, std::string_view content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail("cannot store the input", path);
    for (std::string_view rest = content; !rest.empty();)
    {
        const ssize_t put = ::write(fd, rest.data(), rest.size());
        if (put <= 0)
            Fail("cannot store the input", path);
        rest.remove_prefix(static_cast<std::size_t>(put));
    }
    ::close(fd);
}

// The names in the folder other than the ones expected.
std::vector<std::string> StrayFiles(const std::string& dir, const std::vector<std::string>& expected)
{
    std::vector<std::string> stray;
    if (DIR* d = ::opendir(dir.c_str()))
    {
        while (const dirent* entry = ::readdir(d))
        {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            bool known = false;
            for (const std::string& e : expected)
                known = known || name == e;
            if (!known)
                stray.push_back(name);
        }
        ::closedir(d);
    }
    return stray;
}

bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// What platform/IniFile.h says WriteValue refuses, plus the names that could never
// be read back as written (blanks around them, a key read as a header).
bool ShouldRefuse(const std::string& section, const std::string& key, const std::string& value)
{
    const auto unusable = [](const std::string& name)
    { return name.empty() || HasLineBreakOrNul(name) || Trim(name).size() != name.size(); };
    if (unusable(section) || section.find(']') != std::string::npos)
        return true;
    if (unusable(key) || key.find('=') != std::string::npos || key.front() == ';' || key.front() == '[')
        return true;
    return HasLineBreakOrNul(value);
}

void CheckRead(const std::string& value)
{
    if (value.find('\n') != std::string::npos || Trim(value).size() != value.size())
        Fail("ReadValue gave a value with a line break or blanks around it", value);
}

struct Pair
{
    std::string section, key;
};

// The file after a successful WriteValue must be the file before with one of
// these changes, and nothing else.
void CheckOnlyTheEntryChanged(std::string_view before, std::string_view after, const std::string& section,
                              const std::string& key, const std::string& value)
{
    const std::vector<RawLine> old = Lines(before);
    const std::vector<RawLine> now = Lines(after);
    std::size_t prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix].whole == now[prefix].whole)
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           old[old.size() - 1 - suffix].whole == now[now.size() - 1 - suffix].whole)
        ++suffix;
    const std::vector<RawLine> gone(old.begin() + static_cast<std::ptrdiff_t>(prefix),
                                    old.end() - static_cast<std::ptrdiff_t>(suffix));
    const std::vector<RawLine> added(now.begin() + static_cast<std::ptrdiff_t>(prefix),
                                     now.end() - static_cast<std::ptrdiff_t>(suffix));

    const std::string entry = key + "=" + value;
    const auto isNewline = [](std::string_view e) { return e == "\n" || e == "\r\n"; };
    // A last line without an ending that gained one, its bytes kept.
    const auto gainedEnding = [](const RawLine& was, const RawLine& is)
    {
        return was.ending.empty() &&
               (is.whole == std::string(was.whole) + "\n" || is.whole == std::string(was.whole) + "\r\n");
    };
    const auto isKeyLine = [&](std::string_view text)
    {
        const auto equals = text.find('=');
        return equals != std::string_view::npos && SameIgnoringCase(Trim(text.substr(0, equals)), key);
    };
    const auto isSectionThenEntry = [&](const RawLine& header, const RawLine& line)
    {
        return header.text == "[" + section + "]" && isNewline(header.ending) && line.text == entry &&
               line.ending == header.ending;
    };

    bool fine = false;
    if (gone.empty() && added.empty())
        fine = true; // the key's line already said exactly this
    else if (gone.size() == 1 && added.size() == 1)
        fine = added[0].text == entry && added[0].ending == gone[0].ending && isKeyLine(gone[0].text);
    else if (gone.empty() && added.size() == 1)
        fine = added[0].text == entry && isNewline(added[0].ending);
    else if (gone.size() == 1 && added.size() == 2)
        fine = gainedEnding(gone[0], added[0]) && added[1].text == entry && added[1].ending.empty();
    else if (gone.empty() && added.size() == 2)
        fine = suffix == 0 && isSectionThenEntry(added[0], added[1]);
    else if (gone.size() == 1 && added.size() == 3)
        fine = suffix == 0 && gainedEnding(gone[0], added[0]) && isSectionThenEntry(added[1], added[2]);
    if (!fine)
        Fail("WriteValue changed more than the entry's line",
             "section=" + section + " key=" + key + " value=" + value + " || before=" + std::string(before) +
                 " || after=" + std::string(after));
}

void WriteAndCheck(const std::string& section, const std::string& key, const std::string& value,
                   const std::vector<Pair>& pairs)
{
    const std::string before = ReadFile(g_path);
    std::vector<std::string> valuesBefore;
    for (const Pair& p : pairs)
        valuesBefore.push_back(quillet::ini::ReadValue(g_path, p.section, p.key));

    const bool written = static_cast<bool>(quillet::ini::WriteValue(g_path, section, key, value));
    const std::string after = ReadFile(g_path);
    if (written == ShouldRefuse(section, key, value))
        Fail(written ? "WriteValue took what it must refuse" : "WriteValue refused a usable entry",
             "section=" + section + " key=" + key + " value=" + value + " || file=" + before);
    if (const auto stray = StrayFiles(g_dir, {"tovrin.ini", "new"}); !stray.empty())
        Fail("WriteValue left a file behind", stray.front());
    if (!written)
    {
        if (after != before)
            Fail("a refused WriteValue changed the file", after);
        return;
    }

    const std::string expected(Trim(value));
    if (quillet::ini::ReadValue(g_path, section, key) != expected)
        Fail("the value written does not read back",
             "section=" + section + " key=" + key + " value=" + value + " || after=" + after);
    CheckOnlyTheEntryChanged(before, after, section, key, value);
    for (std::size_t i = 0; i < pairs.size(); ++i)
    {
        const Pair& p = pairs[i];
        const bool same = SameIgnoringCase(p.section, section) && SameIgnoringCase(p.key, key);
        const std::string now = quillet::ini::ReadValue(g_path, p.section, p.key);
        if (now != (same ? expected : valuesBefore[i]))
            Fail("WriteValue changed the value of another key",
                 "written " + section + "/" + key + "=" + value + "; " + p.section + "/" + p.key + " was " +
                     valuesBefore[i] + " and is " + now + " || before=" + before + " || after=" + after);
    }
}

// A missing file and folders are created owner-only with just the entry.
void CheckCreate(const std::string& value)
{
    std::error_code ignored;
    std::filesystem::remove_all(g_dir + "/new", ignored);
    const bool written = static_cast<bool>(quillet::ini::WriteValue(g_nested, "New", "CURRENT_TITLE", value));
    if (written == HasLineBreakOrNul(value))
        Fail("WriteValue on a missing file decided wrongly", value);
    bool exists = false;
    const std::string content = ReadFile(g_nested, &exists);
    if (!written)
    {
        if (exists)
            Fail("a refused WriteValue made a file", content);
        return;
    }
    if (content != "[New]\nCURRENT_TITLE=" + value + "\n")
        Fail("a new file holds more than its entry", content);
    for (const std::string& path : {g_dir + "/new", g_dir + "/new/sub", g_nested})
    {
        struct stat info = {};
        if (::stat(path.c_str(), &info) != 0 || (info.st_mode & 077) != 0)
            Fail("a new file or folder is not owner-only", path);
    }
    if (quillet::ini::ReadValue(g_nested, "new", "current_title") != std::string(Trim(value)))
        Fail("the value of a new file does not read back", content);
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_dir = MakeTempDir();
    g_path = g_dir + "/tovrin.ini";
    g_nested = g_dir + "/new/sub/tovrin.ini";
    std::atexit(RemoveDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::uint64_t h = Hash(content);
    const auto take = [&h](std::uint64_t n)
    {
        const std::uint64_t v = h % n;
        h = h / n ^ (h << 37) ^ 0x9e3779b97f4a7c15ull;
        return static_cast<std::size_t>(v);
    };

    // Names and values as the content holds them; untrimmed ones too, which
    // a write must refuse.
    std::vector<std::string> sections = {"New"};
    std::vector<std::string> keys = {"CURRENT_TITLE", "CURRENT_TITLE_QUILLET"};
    std::vector<std::string> values = {"Tovrin Video Player", " Test for Biology 101\t", ""};
    const std::vector<RawLine> lines = Lines(content);
    for (const RawLine& line : lines)
    {
        std::string_view text = Trim(line.text);
        if (text.starts_with("\xEF\xBB\xBF"))
            text = Trim(text.substr(3));
        if (text.starts_with('['))
        {
            const auto close = text.find(']');
            if (close != std::string_view::npos && sections.size() < 4)
                sections.emplace_back(take(4) == 0 ? text.substr(1, close - 1)
                                                   : Trim(text.substr(1, close - 1)));
        }
        else if (const auto equals = text.find('='); equals != std::string_view::npos)
        {
            if (keys.size() < 6)
                keys.emplace_back(take(4) == 0 ? text.substr(0, equals) : Trim(text.substr(0, equals)));
            if (values.size() < 6)
                values.emplace_back(text.substr(equals + 1));
        }
        if (values.size() < 6 && take(8) == 0)
            values.emplace_back(line.whole);
    }
    for (std::string& name : sections)
        if (take(2) == 0)
            name = FlipCase(name);
    for (std::string& name : keys)
        if (take(2) == 0)
            name = FlipCase(name);

    std::vector<Pair> pairs;
    for (const std::string& s : sections)
        for (const std::string& k : keys)
            pairs.push_back({s, k});

    StoreFile(g_path, content);
    for (const Pair& p : pairs)
        CheckRead(quillet::ini::ReadValue(g_path, p.section, p.key));

    // Two writes, the second into the file the first left.
    for (int round = 0; round < 2; ++round)
    {
        const std::string& section = sections[take(sections.size())];
        const std::string& key = keys[take(keys.size())];
        WriteAndCheck(section, key, values[take(values.size())], pairs);
    }
    if (take(8) == 0)
        CheckCreate(values[take(values.size())]);
    return 0;
}
