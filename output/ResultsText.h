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

// "the file NAME in the folder FOLDER": where a saved file went, for the
// student to find it.
std::string SavedFileText(const std::string& path);
// Tells where a print-out saved as a PDF file went.
std::string PdfSavedText(const std::string& path);
}
