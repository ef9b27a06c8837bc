#include "records/JournalFolders.h"

#include "course/TestJournal.h"

namespace quillet
{
namespace
{
constexpr std::string_view kJournalFolderPrefix = "journals-";
}

std::string JournalFolderName(const std::string& account)
{
    return std::string(kJournalFolderPrefix) + account;
}

bool IsJournalFolderName(std::string_view name)
{
    return name.starts_with(kJournalFolderPrefix);
}

bool IsJournalFileName(std::string_view name)
{
    return name.starts_with(kJournalPrefix) && name.ends_with(kJournalSuffix);
}
}
