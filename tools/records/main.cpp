// quillet-records: reads, converts and reports on the student record file.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "course/Complement.h"
#include "course/TestJournal.h"
#include "output/ResultsDoc.h"
#include "platform/Files.h"
#include "platform/Json.h"
#include "platform/ProgramOptions.h"
#include "platform/Text.h"
#include "records/RecordFile.h"
#include "records/RecordSource.h"
#include "records/ResultHistory.h"
#include "records/StudentRoster.h"
#include "tools/records/DatabaseCommands.h"
#include "tools/records/RecordsFormat.h"
#include "tools/records/RegradeCommand.h"
#include "tools/records/StatsCommands.h"

namespace
{
constexpr const char* kUsage =
    "usage: quillet-records decode FILE           print the record text of a record file\n"
    "       quillet-records encode TEXT FILE      store a record text as a record file\n"
    "       quillet-records dump FILE             list students and results as JSON\n"
    "       quillet-records rewrite FILE OUT      read a record file and write it back out\n"
    "       quillet-records history FILE SELECTION\n"
    "                                             one student's results of one test, as JSON\n"
    "       quillet-records report FILE SELECTION the results e-mail of the newest such result\n"
    "       quillet-records export-csv FILE       every result as CSV\n"
    "       quillet-records merge [--rename-conflicts] OUT FILE...\n"
    "                                             join record files collected from several machines\n"
    "       quillet-records unfinished FOLDER     the unfinished tests whose journals are in FOLDER\n"
    "       quillet-records stats STORE [--bank BANK] [--since DATE] [--kind test|pretest|quiz|all] "
    "[--json | --csv]\n"
    "                                             how each question fares, those to check first\n"
    "       quillet-records report --html OUT STORE [--bank BANK] [--since DATE] [--kind KIND]\n"
    "                                             the class report with charts, as one HTML page\n"
    "       quillet-records regrade STORE --bank BANK [--was EARLIER-BANK]... [--dry-run]\n"
    "                                             score every kept test of the bank's course again\n"
    "       quillet-records db init URL           make or upgrade the records on a PostgreSQL server\n"
    "       quillet-records db status URL         the version of the records there\n"
    "       quillet-records db import URL [--rename-conflicts] FILE...\n"
    "                                             load record files into the server, as merge joins them\n"
    "       quillet-records db export URL OUT     write the server's records as a record file\n"
    "       quillet-records db add-machine URL NAME [--server HOST[:PORT]] [--out FILE]\n"
    "                                             a lab machine's own login, and its credential file\n"
    "       quillet-records db add-teacher URL NAME [--server HOST[:PORT]] [--out PREFIX]\n"
    "                                             a teacher's own login, as a service entry and pgpass line\n"
    "       quillet-records db remove-machine URL NAME | db remove-teacher URL NAME\n"
    "                                             end the login's connections and drop it\n"
    "       quillet-records db bank add URL BANK  load a bank's answer keys, to score its results\n"
    "       quillet-records db bank list URL      the banks loaded\n"
    "       quillet-records --help | --version\n"
    "FILE may also name a record server (a PostgreSQL URI or connection string) for dump,\n"
    "history, report and export-csv, and so may FOLDER for unfinished.\n"
    "where SELECTION is --user NAME --course TITLE (--test | --pretest | --quiz CHAPTER)\n"
    "and CHAPTER is the chapter's name. STORE is a record file, whose answers lie beside it in\n"
    "quillet2.responses, or a record server; DATE is YYYY-MM-DD, local time.\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

// Fails when stdout cannot take the text, e.g. on a full disk.
int Print(const std::string& text, bool endLine = true)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (endLine && (text.empty() || text.back() != '\n'))
        std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fputs("quillet-records: cannot write the output\n", stderr);
        return 1;
    }
    return 0;
}

// Every output file is written beside and renamed, never in place.
int Write(const std::string& path, const std::string& stored)
{
    if (const quillet::FileStatus written = quillet::ReplaceFile(path, stored); !written)
    {
        std::fprintf(stderr, "quillet-records: cannot write %s: %s\n", path.c_str(), written.reason.c_str());
        return 1;
    }
    return 0;
}

std::optional<std::string> ReadComplemented(const std::string& path)
{
    std::string bytes;
    if (const quillet::FileStatus read = quillet::ReadRegularFile(path, bytes); !read)
    {
        std::fprintf(stderr, "quillet-records: cannot read %s: %s\n", path.c_str(), read.reason.c_str());
        return std::nullopt;
    }
    quillet::ComplementInPlace(bytes);
    return bytes;
}

int Decode(const std::string& in)
{
    const auto text = ReadComplemented(in);
    return text ? Print(*text, false) : 1;
}

int Encode(const std::string& in, const std::string& out)
{
    const auto bytes = ReadComplemented(in);
    if (!bytes)
        return 1;
    return Write(out, *bytes);
}

// Names held twice: only the first of them logs in, and only its results count.
void WarnAboutDuplicates(const CStudentRoster& roster, const std::string& path)
{
    for (const std::string& name : quillet::DuplicateNames(roster))
        std::fprintf(stderr,
                     "quillet-records: %s holds the student \"%s\" more than once; only the first logs in\n",
                     path.c_str(), quillet::TerminalText(name).c_str());
}

// A record file's students, or a record server's as a teacher reads them
// (without passwords); null, having said so, when there are none. A record
// file that does not read holds no students to the reader; a server that
// cannot be read is named, with the reason.
std::unique_ptr<CStudentRoster> ReadOrComplain(quillet::RecordSource& source)
{
    quillet::RecordSource::RosterRead read = source.Students();
    if (read.status.Failed())
    {
        const quillet::SourceError error = read.status.Error();
        if (error == quillet::SourceError::Unreachable || error == quillet::SourceError::Refused)
            std::fprintf(stderr, "quillet-records: %s\n", read.status.ErrorText().c_str());
        std::fputs("no students\n", stderr);
        return nullptr;
    }
    WarnAboutDuplicates(*read.roster, source.Where());
    return std::move(read.roster);
}

std::unique_ptr<CStudentRoster> ReadOrComplain(const std::string& where)
{
    return ReadOrComplain(*quillet::RecordSource::Open(where));
}

int Dump(const std::string& path)
{
    const auto roster = ReadOrComplain(path);
    return roster ? Print(quillet::RosterToJson(*roster)) : 1;
}

int ExportCsv(const std::string& path)
{
    const auto roster = ReadOrComplain(path);
    return roster ? Print(quillet::RosterToCsv(*roster), false) : 1;
}

int Rewrite(const std::string& in, const std::string& out)
{
    const auto roster = ReadOrComplain(in);
    if (!roster)
        return 1;
    std::string stored = roster->ComposeRecordText();
    quillet::ComplementInPlace(stored);
    return Write(out, stored);
}

int Merge(std::vector<std::string> args)
{
    const bool rename = !args.empty() && args[0] == "--rename-conflicts";
    if (rename)
        args.erase(args.begin());
    if (args.size() < 2)
        return Usage();
    CStudentRoster merged;
    std::vector<std::string> conflicts;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        const auto roster = ReadOrComplain(args[i]);
        if (!roster)
            return 1;
        const quillet::MergeOutcome outcome = quillet::MergeRoster(merged, *roster, rename);
        for (const std::string& conflict : outcome.conflicts)
            conflicts.push_back(args[i] + ": " + conflict);
        std::fprintf(stderr, "%s: %d students and %d results added, %d duplicate results left out\n",
                     args[i].c_str(), outcome.students, outcome.results, outcome.duplicates);
    }
    for (const std::string& conflict : conflicts)
        std::fprintf(stderr, rename ? "renamed: %s\n" : "conflict: %s has another password here\n",
                     quillet::TerminalText(conflict).c_str());
    if (!conflicts.empty() && !rename)
    {
        std::fputs("quillet-records: nothing written; merge again with --rename-conflicts to keep both\n",
                   stderr);
        return 1;
    }
    return Write(args[0], quillet::Complemented(merged.ComposeRecordText()));
}

// What a journal tells of its unfinished test, as unfinished lists it;
// one that does not read, or is no journal, is listed with "readable": false.
void WriteJournal(quillet::json::Writer& out, const std::string& name, const std::string* text)
{
    const auto journal = text ? quillet::ParseJournal(*text) : std::nullopt;
    out.BeginObject().Key("file").String(name).Key("readable").Bool(journal.has_value());
    if (journal)
    {
        out.Key("student").String(journal->student).Key("course").String(journal->course);
        out.Key("kind").String(TestKindWord(journal->kind)).Key("chapter").Number(journal->chapter);
        out.Key("answered").Number(journal->Answered());
        out.Key("questions").Number(static_cast<long long>(journal->entries.size()));
        out.Key("elapsed").Number(journal->elapsed);
        out.Key("saved").String(quillet::FormatLocalTime(journal->saved, "%Y-%m-%dT%H:%M:%S"));
    }
    out.EndObject();
}

// Every journal of an unfinished test that the source keeps, as JSON, by name.
int Unfinished(const std::string& where)
{
    const quillet::RecordSource::JournalsRead read = quillet::RecordSource::Open(where)->Journals();
    if (read.status.Failed())
    {
        std::fprintf(stderr, "quillet-records: %s\n", read.status.ErrorText().c_str());
        return 1;
    }
    quillet::json::Writer out;
    out.BeginObject().Key("unfinished").BeginArray();
    for (const quillet::UnfinishedJournal& journal : read.journals)
        WriteJournal(out, journal.name, journal.readable ? &journal.text : nullptr);
    out.EndArray().EndObject();
    return Print(out.Text());
}

// The history of the selection in args[1...], or nothing when they do not
// name exactly one user, one course and one kind of test.
std::optional<CResultHistory> ParseSelection(const std::vector<std::string>& args)
{
    std::optional<std::string> user;
    std::optional<std::string> course;
    std::optional<TestKind> kind;
    std::string chapter;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--user" && hasValue && !user)
            user = args[++i];
        else if (arg == "--course" && hasValue && !course)
            course = args[++i];
        else if ((arg == "--test" || arg == "--pretest") && !kind)
            kind = arg == "--test" ? TestKind::Test : TestKind::PreTest;
        else if (arg == "--quiz" && hasValue && !kind)
        {
            kind = TestKind::Quiz;
            chapter = args[++i];
        }
        else
            return std::nullopt;
    }
    if (!user || !course || !kind)
        return std::nullopt;
    CResultHistory history;
    history.m_strUserName = *user;
    history.m_strCourseTitle = *course;
    history.m_kind = *kind;
    history.m_strQuizChapter = chapter;
    return history;
}

// "; did you mean "a" or "b"?", or nothing without close matches.
std::string DidYouMean(const std::string& wanted, const std::vector<std::string>& known)
{
    const std::vector<std::string> close = quillet::CloseMatches(wanted, known);
    std::string text;
    for (std::size_t i = 0; i < close.size() && i < 3; ++i)
        text += (i == 0                                            ? "; did you mean \""
                 : i + 1 == std::min<std::size_t>(close.size(), 3) ? " or \""
                                                                   : ", \"") +
                quillet::TerminalText(close[i]) + "\"";
    return text.empty() ? text : text + "?";
}

// The roster of a selection whose student, course and quiz chapter the
// records know; else says which of them is unknown, with close matches,
// and answers null. A course or chapter is known when anybody's result has
// it: a student who has not taken it yet has no results, which is no mistake.
std::unique_ptr<CStudentRoster> ReadSelected(const std::string& source, const CResultHistory& selection)
{
    auto roster = ReadOrComplain(source);
    if (!roster)
        return nullptr;
    const auto unknown =
        [&](const char* what, const std::string& wanted, const std::vector<std::string>& known)
    {
        if (std::find(known.begin(), known.end(), wanted) != known.end())
            return false;
        std::fprintf(stderr, "quillet-records: %s holds no %s \"%s\"%s\n", source.c_str(), what,
                     quillet::TerminalText(wanted).c_str(), DidYouMean(wanted, known).c_str());
        return true;
    };
    std::vector<std::string> names;
    names.reserve(roster->GetStudentCount());
    for (int s = 0; s < roster->GetStudentCount(); ++s)
        names.push_back(roster->GetStudent(s)->m_strName);
    if (unknown("student", selection.m_strUserName, names))
        return nullptr;

    std::vector<std::string> titles;
    std::vector<std::string> chapters;
    const auto collect = [&](int s)
    {
        for (int r = 0; r < roster->GetResultCount(s); ++r)
        {
            const CResultEntry& result = *roster->GetResult(s, r);
            titles.push_back(result.m_strTitle);
            if (result.m_kind == TestKind::Quiz && result.m_strTitle == selection.m_strCourseTitle)
                chapters.push_back(result.m_strChapter);
        }
    };
    const auto known = [&](const std::vector<std::string>& list, const std::string& wanted)
    { return std::find(list.begin(), list.end(), wanted) != list.end(); };
    // The student's own results mostly tell; the others' are read only when
    // they do not, as the file reads a student's results when asked for them.
    const int own = roster->FindStudent(selection.m_strUserName);
    collect(own);
    if (known(titles, selection.m_strCourseTitle) &&
        (selection.m_kind != TestKind::Quiz || known(chapters, selection.m_strQuizChapter)))
        return roster;
    for (int s = 0; s < roster->GetStudentCount(); ++s)
        if (s != own)
            collect(s);
    if (unknown("result of the course", selection.m_strCourseTitle, titles) ||
        (selection.m_kind == TestKind::Quiz &&
         unknown("quiz of the chapter", selection.m_strQuizChapter, chapters)))
        return nullptr;
    return roster;
}

int History(const std::vector<std::string>& args)
{
    auto history = args.empty() ? std::nullopt : ParseSelection(args);
    if (!history)
        return Usage();
    const auto roster = ReadSelected(args[0], *history);
    if (!roster)
        return 1;
    history->m_pRoster = roster.get();
    return Print(quillet::HistoryToJson(*history));
}

int Report(const std::vector<std::string>& args)
{
    auto history = args.empty() ? std::nullopt : ParseSelection(args);
    if (!history)
        return Usage();
    const auto roster = ReadSelected(args[0], *history);
    if (!roster)
        return 1;
    history->m_pRoster = roster.get();
    CResultsDoc doc;
    doc.m_pResult = history->FindLatestResult();
    if (!doc.m_pResult)
    {
        std::fprintf(stderr, "quillet-records: no %s result of that course for %s\n",
                     TestKindWord(history->m_kind), quillet::TerminalText(history->m_strUserName).c_str());
        return 1;
    }
    doc.m_nTimesTaken = history->CountResults();
    doc.m_nAverage = history->AverageScore();
    doc.m_pStudentName = &history->m_strUserName;
    std::string subject;
    std::string body;
    doc.ComposeResultsText(subject, body);
    return Print(quillet::TerminalText(subject + "\n\n" + body));
}
}

int main(int argc, char** argv)
{
    if (const auto status = quillet::AnswerInfoOption("quillet-records", kUsage, argc, argv))
        return *status;
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "help")
        return Print(kUsage, false);
    if (command == "decode")
        return args.size() == 1 ? Decode(args[0]) : Usage();
    if (command == "encode")
        return args.size() == 2 ? Encode(args[0], args[1]) : Usage();
    if (command == "regrade")
        return quillet::RegradeCommand(args);
    if (command == "dump")
        return args.size() == 1 ? Dump(args[0]) : Usage();
    if (command == "rewrite")
        return args.size() == 2 ? Rewrite(args[0], args[1]) : Usage();
    if (command == "export-csv")
        return args.size() == 1 ? ExportCsv(args[0]) : Usage();
    if (command == "stats" || (command == "report" && quillet::AsksForClassReport(args)))
    {
        const quillet::ToolIo io{[](const std::string& text) { return Print(text, false); }, Write,
                                 [](quillet::RecordSource& source) { return ReadOrComplain(source); }};
        return command == "stats" ? quillet::StatsCommand(args, io) : quillet::ClassReportCommand(args, io);
    }
    if (command == "history")
        return History(args);
    if (command == "report")
        return Report(args);
    if (command == "merge")
        return Merge(args);
    if (command == "db")
        return quillet::DatabaseCommand(args);
    if (command == "unfinished")
        return args.size() == 1 ? Unfinished(args[0]) : Usage();
    return Usage();
}
