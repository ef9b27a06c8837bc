#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Where the file store keeps journals of unfinished tests: in the record
// folder itself, or, in a folder shared by several accounts, in a folder of
// each account's own inside it.
namespace quillet
{
// A journal is a few kilobytes; anything much larger is not one.
inline constexpr std::size_t kJournalLimit = 1 << 20;

// The journal folder of an account inside a shared record folder.
std::string JournalFolderName(const std::string& account);
bool IsJournalFolderName(std::string_view name);
// Whether a file name is a journal's (kJournalPrefix ... kJournalSuffix).
bool IsJournalFileName(std::string_view name);
}
