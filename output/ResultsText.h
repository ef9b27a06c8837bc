#pragma once

#include <string>
#include <vector>

#include "records/StudentRoster.h"

namespace quillet
{
// "Pre-Test", "Test" or "Quiz", as the result was stored.
const char* ResultKindWord(const CResultEntry& result);

// The Compare Previous table: a header line, then one row per result in the
// order given (oldest first).
std::string ComparePreviousText(const std::vector<CResultEntry*>& results);

// The address of the national-average page for a Test result: the page's
// address with the result in its query; empty when the page's address is
// not a web address (WebAddress).
inline constexpr const char* kNationalAverageAddress = "http://www.pellmark.example/tovrin/worldave.asp";
std::string NationalAverageAddress(const CResultEntry& result,
                                   const std::string& pageAddress = kNationalAverageAddress);
}
