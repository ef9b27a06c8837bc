#include "records/StudentRoster.h"

#include <climits>
#include <crypt.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unordered_map>

#include "course/Complement.h"
#include "platform/Files.h"

namespace
{
bool HoldsLineBreak(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string TwoDigitNumber(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

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
}

int CStudentRoster::FindStudent(std::string_view name) const
{
    const auto found = m_firstOfName.find(name);
    return found == m_firstOfName.end() ? -1 : found->second;
}

void CStudentRoster::Append(std::unique_ptr<CStudentRecord> student)
{
    m_firstOfName.try_emplace(student->m_strName, GetStudentCount());
    m_students.push_back(std::move(student));
}

bool CStudentRoster::PasswordMatches(std::string_view stored, std::string_view typed)
{
    const bool hashed =
        stored.starts_with("$2a$") || stored.starts_with("$2b$") || stored.starts_with("$2y$");
    if (!hashed)
        return stored == typed;
    crypt_data work{};
    const std::string key(typed);
    const std::string setting(stored);
    const char* hash = crypt_r(key.c_str(), setting.c_str(), &work);
    return hash && stored == hash;
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
    m_students[static_cast<std::size_t>(index)]->m_results.push_back(std::move(entry));
    return true;
}

CStudentRecord* CStudentRoster::GetStudent(int index) const
{
    if (index < 0 || index >= GetStudentCount())
        return nullptr;
    return m_students[static_cast<std::size_t>(index)].get();
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

std::string CStudentRoster::ComposeRecordText() const
{
    std::string text;
    for (const auto& student : m_students)
    {
        text += 'u' + student->m_strName + "\np" + student->m_strPassword + '\n';
        for (const auto& result : student->m_results)
        {
            text += 't' + result->m_strTitle + '\n';
            if (!result->m_bTest)
                text += 'c' + result->m_strChapter + '\n';
            text += 'd';
            text += result->m_strDateText ? *result->m_strDateText
                                          : quillet::FormatLocalTime(result->m_timeGraded, "%Y%m%d%H%M%S");
            text += "\ns" + quillet::FormatSpan(result->m_spanTaken, "%H%M%S");
            text += "\nr" + TwoDigitNumber(result->m_nRight);
            text += "\na" + TwoDigitNumber(result->m_nTotal) + '\n';
            if (result->m_bPreTest)
                text += "q\n";
        }
    }
    return text;
}

std::unique_ptr<CStudentRoster> CStudentRoster::ParseRecordText(std::string_view text)
{
    std::unique_ptr<CStudentRoster> roster;
    CStudentRecord* student = nullptr;
    CResultEntry* result = nullptr;
    DayTimes days;
    while (!text.empty())
    {
        // A line ends at its first CR or LF; CR LF leaves an empty line.
        const auto stop = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, stop);
        text = stop == std::string_view::npos ? std::string_view() : text.substr(stop + 1);
        if (line.empty())
            continue;

        const std::string_view value = line.substr(1);
        switch (line[0])
        {
        case 'u':
        {
            if (!roster)
                roster = std::make_unique<CStudentRoster>();
            auto added = std::make_unique<CStudentRecord>();
            added->m_strName = value;
            student = added.get();
            result = nullptr;
            roster->Append(std::move(added));
            break;
        }
        case 'p':
            if (student)
                student->m_strPassword = value;
            break;
        case 't':
            if (student)
            {
                auto added = std::make_unique<CResultEntry>();
                added->m_strTitle = value;
                result = added.get();
                student->m_results.push_back(std::move(added));
            }
            break;
        default:
            if (!result)
                break;
            switch (line[0])
            {
            case 'c':
                result->m_bTest = false;
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
            case 'q':
                result->m_bPreTest = true;
                break;
            default:
                break;
            }
        }
    }
    return roster;
}

std::unique_ptr<CStudentRoster> CStudentRoster::ReadFile(const std::string& path)
{
    std::string stored;
    if (!quillet::ReadWholeFile(path, stored))
        return nullptr;
    quillet::ComplementInPlace(stored);
    return ParseRecordText(stored);
}
