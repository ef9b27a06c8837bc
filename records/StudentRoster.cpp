#include "records/StudentRoster.h"

#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <crypt.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <openssl/sha.h>
#include <unordered_map>

#include "course/Complement.h"
#include "platform/Files.h"

namespace
{
bool HoldsLineBreak(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// printf's "%02d".
void AppendTwoDigits(std::string& text, int value)
{
    char buffer[16];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    if (value >= 0 && value < 10)
        text += '0';
    text.append(buffer, end);
}

// Local dates as the record file writes them ("%Y%m%d%H%M%S"), the date
// of each day worked out once: results of a file fall on few days.
class LocalDates
{
  public:
    void Append(std::string& text, quillet::TimeStamp time)
    {
        const auto found = m_days.find(time / 3600);
        if (found != m_days.end() && time >= found->second.start && time < found->second.start + 3600)
        {
            const Hour& hour = found->second;
            text += hour.text;
            AppendTwoDigits(text, static_cast<int>((time - hour.start) / 60));
            AppendTwoDigits(text, static_cast<int>((time - hour.start) % 60));
            return;
        }
        const std::string full = quillet::FormatLocalTime(time, "%Y%m%d%H%M%S");
        text += full;
        // An hour that starts on a whole local hour keeps its date and hour
        // for every second in it (no zone shifts by a part of an hour
        // within one).
        if (full.size() == 14)
        {
            const int minutes = (full[10] - '0') * 10 + (full[11] - '0');
            const int seconds = (full[12] - '0') * 10 + (full[13] - '0');
            const quillet::TimeStamp start = time - minutes * 60 - seconds;
            if (start / 3600 == time / 3600 &&
                quillet::FormatLocalTime(start, "%Y%m%d%H") == full.substr(0, 10) &&
                quillet::FormatLocalTime(start + 3599, "%Y%m%d%H") == full.substr(0, 10))
                m_days[time / 3600] = {start, full.substr(0, 10)};
        }
    }

  private:
    struct Hour
    {
        quillet::TimeStamp start;
        std::string text; // "YYYYMMDDHH"
    };
    std::unordered_map<quillet::TimeStamp, Hour> m_days;
};

// Turning a date into a time through mktime costs microseconds, since it
// consults the time zone on every call; a record file holds many results of
// the same days. A day with no change of UTC offset in it is turned into a
// time once, and its times of day are added to its midnight. A day with a
// daylight-saving change, or a date the fast way cannot vouch for, takes
// mktime for every result.
class DayTimes
{
  public:
    // The time of a 14-digit date text, when the fast way can tell it.
    std::optional<quillet::TimeStamp> Lookup(std::string_view digits)
    {
        if (digits.size() != 14 || digits.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const auto number = [&](std::size_t at, std::size_t length)
        {
            int value = 0;
            for (std::size_t i = at; i < at + length; ++i)
                value = value * 10 + (digits[i] - '0');
            return value;
        };
        const int year = number(0, 4), month = number(4, 2), day = number(6, 2);
        const int hour = number(8, 2), minute = number(10, 2), second = number(12, 2);
        if (hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
        const int key = (year * 100 + month) * 100 + day;
        auto found = m_days.find(key);
        if (found == m_days.end())
            found = m_days.emplace(key, PlainMidnight(year, month, day)).first;
        if (!found->second)
            return std::nullopt;
        return *found->second + hour * 3600 + minute * 60 + second;
    }

  private:
    static long UtcOffset(quillet::TimeStamp time)
    {
        const std::time_t t = static_cast<std::time_t>(time);
        std::tm local{};
        return localtime_r(&t, &local) ? local.tm_gmtoff : LONG_MIN;
    }

    // Midnight of a valid day that is 24 hours long at one UTC offset.
    static std::optional<quillet::TimeStamp> PlainMidnight(int year, int month, int day)
    {
        const auto midnight = quillet::MakeLocalTime(year, month, day, 0, 0, 0);
        if (!midnight)
            return std::nullopt;
        const quillet::TimeStamp next = *midnight + 86400;
        const long offset = UtcOffset(*midnight);
        if (offset == LONG_MIN || UtcOffset(next - 1) != offset || UtcOffset(next) != offset)
            return std::nullopt;
        return midnight;
    }

    std::unordered_map<int, std::optional<quillet::TimeStamp>> m_days;
};

void ReadDateLine(CResultEntry& result, std::string_view line, DayTimes& days)
{
    const std::string_view value = line.substr(1);
    if (const auto time = days.Lookup(value))
    {
        result.m_timeGraded = *time;
        result.m_strDateText.reset();
        return;
    }
    using quillet::AtoiField;
    const auto time =
        quillet::MakeLocalTime(AtoiField(line, 1, 4), AtoiField(line, 5, 2), AtoiField(line, 7, 2),
                               AtoiField(line, 9, 2), AtoiField(line, 11, 2), AtoiField(line, 13, 2));
    result.m_timeGraded = time.value_or(0);
    // What would not be written back the same is kept as it was read.
    if (time && quillet::FormatLocalTime(*time, "%Y%m%d%H%M%S") == value)
        result.m_strDateText.reset();
    else
        result.m_strDateText = std::string(value);
}

// The next line of a text: up to its first CR or LF (CR LF leaves an empty
// line); `text` moves past it.
std::string_view NextLine(std::string_view& text)
{
    // A plain scan: find_first_of calls memchr once for every byte.
    std::size_t stop = 0;
    while (stop < text.size() && text[stop] != '\n' && text[stop] != '\r')
        ++stop;
    const std::string_view line = text.substr(0, stop);
    text = stop == text.size() ? std::string_view() : text.substr(stop + 1);
    return line;
}

// "g<seconds since 1970> <score before>"; a line that does not read so is passed over.
void ReadRegradeLine(CResultEntry& result, std::string_view value)
{
    const auto blank = value.find(' ');
    CRegrade regrade;
    if (blank == std::string_view::npos)
        return;
    const auto [whenEnd, whenError] =
        std::from_chars(value.data(), value.data() + blank, regrade.m_timeRegraded);
    const auto [rightEnd, rightError] =
        std::from_chars(value.data() + blank + 1, value.data() + value.size(), regrade.m_nRight);
    if (whenError == std::errc() && whenEnd == value.data() + blank && rightError == std::errc() &&
        rightEnd == value.data() + value.size() && regrade.m_nRight >= 0)
        result.m_regrades.push_back(regrade);
}

// The results among a student's lines (the ones after his u line).
void ReadStudentLines(CStudentRecord& student, std::string_view lines, DayTimes& days)
{
    CResultEntry* result = nullptr;
    while (!lines.empty())
    {
        const std::string_view line = NextLine(lines);
        if (line.empty())
            continue;
        const std::string_view value = line.substr(1);
        if (line[0] == 't')
        {
            auto added = std::make_unique<CResultEntry>();
            added->m_strTitle = value;
            result = added.get();
            student.m_results.push_back(std::move(added));
            continue;
        }
        if (!result)
            continue;
        switch (line[0])
        {
        case 'c':
            result->m_bQuizMarkedPreTest = result->m_kind == TestKind::PreTest;
            result->m_kind = TestKind::Quiz;
            result->m_strChapter = value;
            break;
        case 'd':
            ReadDateLine(*result, line, days);
            break;
        case 's':
            result->m_spanTaken = quillet::AtoiField(line, 5, 2) + 60ll * quillet::AtoiField(line, 3, 2) +
                                  3600ll * quillet::AtoiField(line, 1, 2);
            break;
        case 'r':
            result->m_nRight = quillet::AtoiField(value, 0);
            break;
        case 'a':
            result->m_nTotal = quillet::AtoiField(value, 0);
            break;
        case 'g':
            ReadRegradeLine(*result, value);
            break;
        case 'q':
            if (result->m_kind == TestKind::Quiz)
                result->m_bQuizMarkedPreTest = true;
            else
                result->m_kind = TestKind::PreTest;
            break;
        default:
            break;
        }
    }
}
}

struct CStudentRoster::DateCache
{
    DayTimes days;
    LocalDates dates;
};

CStudentRoster::CStudentRoster() = default;
CStudentRoster::~CStudentRoster() = default;
CStudentRoster::CStudentRoster(CStudentRoster&&) noexcept = default;
CStudentRoster& CStudentRoster::operator=(CStudentRoster&&) noexcept = default;

int CStudentRoster::FindStudent(std::string_view name) const
{
    const auto found = m_firstOfName.find(name);
    return found == m_firstOfName.end() ? -1 : found->second;
}

void CStudentRoster::Append(std::unique_ptr<CStudentRecord> student)
{
    m_firstOfName.try_emplace(student->m_strName, GetStudentCount());
    m_students.push_back(std::move(student));
    m_unread.emplace_back();
}

bool CStudentRoster::IsPasswordHash(std::string_view stored)
{
    return stored.starts_with("$2a$") || stored.starts_with("$2b$") || stored.starts_with("$2y$");
}

std::string CStudentRoster::PasswordKey(std::string_view password)
{
    // Blowfish counts a password's first 72 bytes only.
    if (password.size() <= 72)
        return std::string(password);
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest);
    return quillet::Base64(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest), false);
}

bool CStudentRoster::PasswordMatches(std::string_view stored, std::string_view typed)
{
    if (!IsPasswordHash(stored))
        return stored == typed;
    const std::string setting(stored);
    const auto hashes = [&](const std::string& key)
    {
        crypt_data work{};
        const char* hash = crypt_r(key.c_str(), setting.c_str(), &work);
        return hash && stored == hash;
    };
    // A hash made before long passwords were pre-hashed holds their first 72 bytes.
    return hashes(PasswordKey(typed)) || (typed.size() > 72 && hashes(std::string(typed)));
}

bool CStudentRoster::CheckPassword(std::string_view name, std::string_view password) const
{
    const int index = FindStudent(name);
    return index >= 0 &&
           PasswordMatches(m_students[static_cast<std::size_t>(index)]->m_strPassword, password);
}

bool CStudentRoster::AddStudent(std::string name, std::string password)
{
    if (FindStudent(name) != -1 || HoldsLineBreak(name) || HoldsLineBreak(password))
        return false;
    auto student = std::make_unique<CStudentRecord>();
    student->m_strName = std::move(name);
    student->m_strPassword = std::move(password);
    Append(std::move(student));
    return true;
}

bool CStudentRoster::AddResult(std::string_view name, std::string_view password,
                               std::unique_ptr<CResultEntry>&& entry)
{
    const int index = FindStudent(name);
    if (index < 0 || !entry || !CheckPassword(name, password))
        return false;
    ReadResults(static_cast<std::size_t>(index));
    m_students[static_cast<std::size_t>(index)]->m_results.push_back(std::move(entry));
    return true;
}

CStudentRecord* CStudentRoster::GetStudent(int index) const
{
    if (index < 0 || index >= GetStudentCount())
        return nullptr;
    ReadResults(static_cast<std::size_t>(index));
    return m_students[static_cast<std::size_t>(index)].get();
}

const std::string& CStudentRoster::GetName(int index) const
{
    return m_students[static_cast<std::size_t>(index)]->m_strName;
}

int CStudentRoster::GetResultCount(int student) const
{
    const CStudentRecord* record = GetStudent(student);
    return record ? static_cast<int>(record->m_results.size()) : 0;
}

CResultEntry* CStudentRoster::GetResult(int student, int result) const
{
    const CStudentRecord* record = GetStudent(student);
    if (!record || result < 0 || result >= static_cast<int>(record->m_results.size()))
        return nullptr;
    return record->m_results[static_cast<std::size_t>(result)].get();
}

void CStudentRoster::ComposeStudent(std::string& text, const CStudentRecord& student) const
{
    text += 'u';
    text += student.m_strName;
    text += "\np";
    text += student.m_strPassword;
    text += '\n';
    for (const auto& result : student.m_results)
    {
        text += 't';
        text += result->m_strTitle;
        text += '\n';
        if (result->m_kind == TestKind::Quiz)
        {
            text += 'c';
            text += result->m_strChapter;
            text += '\n';
        }
        text += 'd';
        if (result->m_strDateText)
            text += *result->m_strDateText;
        else
        {
            if (!m_pDates)
                m_pDates = std::make_unique<DateCache>();
            m_pDates->dates.Append(text, result->m_timeGraded);
        }
        text += "\ns";
        // Whole days are not kept, as the time of day shows them.
        const quillet::TimeSpan span = std::max<quillet::TimeSpan>(result->m_spanTaken, 0);
        AppendTwoDigits(text, static_cast<int>(span / 3600 % 24));
        AppendTwoDigits(text, static_cast<int>(span / 60 % 60));
        AppendTwoDigits(text, static_cast<int>(span % 60));
        text += "\nr";
        AppendTwoDigits(text, result->m_nRight);
        text += "\na";
        AppendTwoDigits(text, result->m_nTotal);
        text += '\n';
        if (result->m_kind == TestKind::PreTest || result->m_bQuizMarkedPreTest)
            text += "q\n";
        for (const CRegrade& regrade : result->m_regrades)
        {
            text += 'g';
            text += std::to_string(regrade.m_timeRegraded);
            text += ' ';
            AppendTwoDigits(text, regrade.m_nRight);
            text += '\n';
        }
    }
}

std::string CStudentRoster::ComposeRecordText() const
{
    // About the right size: a student's lines rarely take more than they did.
    std::string text;
    quillet::ReserveLarge(text, m_pText ? m_pText->size() + m_pText->size() / 8 + 4096 : 4096);
    for (std::size_t i = 0; i < m_students.size(); ++i)
    {
        const CStudentRecord& student = *m_students[i];
        if (m_unread[i].empty())
        {
            ComposeStudent(text, student);
            continue;
        }
        // Read, written anew and let go one at a time, so that a large
        // file never lies in memory as objects all at once.
        CStudentRecord read;
        read.m_strName = student.m_strName;
        read.m_strPassword = student.m_strPassword;
        std::string_view lines = m_unread[i];
        NextLine(lines);
        if (!m_pDates)
            m_pDates = std::make_unique<DateCache>();
        ReadStudentLines(read, lines, m_pDates->days);
        ComposeStudent(text, read);
    }
    return text;
}

std::string CStudentRoster::ComposeForSave() const
{
    std::string text;
    quillet::ReserveLarge(text, m_pText ? m_pText->size() + 4096 : 4096);
    for (std::size_t i = 0; i < m_students.size(); ++i)
    {
        const std::string_view block = m_unread[i];
        if (block.empty())
        {
            ComposeStudent(text, *m_students[i]);
            continue;
        }
        text += block;
        if (block.back() != '\n' && block.back() != '\r')
            text += '\n';
    }
    return text;
}

std::unique_ptr<CStudentRoster> CStudentRoster::ParseRecordText(std::string_view text)
{
    return ParseOwnedText(std::string(text));
}

std::unique_ptr<CStudentRoster> CStudentRoster::ParseOwnedText(std::string&& owned)
{
    // Only the names and passwords are read now: a save looks at one
    // student of thousands, and copies the others' lines as they are.
    auto text = std::make_shared<const std::string>(std::move(owned));
    std::unique_ptr<CStudentRoster> roster;
    CStudentRecord* student = nullptr;
    const char* blockStart = nullptr;
    const auto closeBlock = [&](const char* end)
    {
        if (roster && blockStart)
            roster->m_unread.back() =
                std::string_view(blockStart, static_cast<std::size_t>(end - blockStart));
    };
    std::string_view rest = *text;
    while (!rest.empty())
    {
        const char* lineStart = rest.data();
        const std::string_view line = NextLine(rest);
        if (line.empty())
            continue;
        if (line[0] == 'u')
        {
            closeBlock(lineStart);
            if (!roster)
                roster = std::make_unique<CStudentRoster>();
            auto added = std::make_unique<CStudentRecord>();
            added->m_strName = line.substr(1);
            student = added.get();
            roster->Append(std::move(added));
            blockStart = lineStart;
        }
        else if (line[0] == 'p' && student)
            student->m_strPassword = line.substr(1);
    }
    closeBlock(text->data() + text->size());
    if (roster)
        roster->m_pText = std::move(text);
    return roster;
}

void CStudentRoster::ReadResults(std::size_t index) const
{
    const std::string_view block = m_unread[index];
    if (block.empty())
        return;
    m_unread[index] = {};
    if (!m_pDates)
        m_pDates = std::make_unique<DateCache>();
    std::string_view lines = block;
    NextLine(lines); // the u line
    ReadStudentLines(*m_students[index], lines, m_pDates->days);
}

std::unique_ptr<CStudentRoster> CStudentRoster::ReadFile(const std::string& path)
{
    std::string stored;
    if (!quillet::ReadWholeFile(path, stored))
        return nullptr;
    quillet::ComplementInPlace(stored);
    return ParseOwnedText(std::move(stored));
}
