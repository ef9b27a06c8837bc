#pragma once

#include <string>
#include <string_view>

#include "platform/Json.h"
#include "records/ResultHistory.h"
#include "records/StudentRoster.h"

namespace quillet
{
// One result as an object of the fixed keys that dump and history share.
void WriteResultJson(json::Writer& out, const CResultEntry& result);

// Every student with their password and results, in file order.
std::string RosterToJson(const CStudentRoster& roster);

// The history's latest result, count, average, previous results and the
// Compare Previous table, as the history command prints them.
std::string HistoryToJson(const CResultHistory& history);

// "test", "pretest" or "quiz".
const char* ResultKindKey(const CResultEntry& result);

// The text of names and titles as a terminal is to show it: in UTF-8, as the
// e-mail has it, its control characters (which a terminal would act on)
// shown as \xNN: C0 but tab and line feed, DEL, and U+0080 to U+009F.
std::string TerminalText(std::string_view text);

// A CSV field, control characters escaped as \xNN; quoted when it holds a comma, a
// double quote, CR or LF, and quoted after an apostrophe when it starts with
// what a spreadsheet takes for a formula (=, +, -, @, tab or CR).
std::string CsvField(std::string_view text);

// A header row, then one row per result; every row ends in CR LF.
std::string RosterToCsv(const CStudentRoster& roster);
}
