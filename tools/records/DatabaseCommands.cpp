#include "tools/records/DatabaseCommands.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "course/Complement.h"
#include "course/CourseReader.h"
#include "course/Response.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/TimeText.h"
#include "records/PgBankKeys.h"
#include "records/PgRecordAdmin.h"
#include "records/PgSchema.h"

namespace quillet
{
namespace
{
int Fail(const std::string& what, const std::string& reason)
{
    std::fprintf(stderr, "quillet-records: %s: %s\n", what.c_str(), reason.c_str());
    return 1;
}

int Init(const std::string& connection)
{
    PgRecordAdmin admin(connection);
    int from = 0;
    int to = 0;
    if (const StoreStatus upgraded = admin.Upgrade(from, to); !upgraded)
        return Fail("cannot set up the records on " + admin.Host(), upgraded.reason);
    std::printf(from == to ? "the records on %s are at version %d\n"
                           : "the records on %s were upgraded from version %d to %d\n",
                admin.Host().c_str(), from, to);
    return 0;
}

int Status(const std::string& connection)
{
    PgRecordAdmin admin(connection);
    StoreStatus status;
    const int version = admin.Version(status);
    if (!status)
        return Fail("cannot read the records on " + admin.Host(), status.reason);
    std::printf("version %d of %d%s\n", version, PgSchema::Latest(),
                version < PgSchema::Latest() ? ": run quillet-records db init" : "");
    return version == PgSchema::Latest() ? 0 : 1;
}

// The students of a record file, in the database's terms: the name the
// student gets there (renamed on a conflict), or none when he conflicts.
struct Arrival
{
    const CStudentRecord* student;
    std::string name;
    bool known; // the database holds him already, under the same password
};

int Import(const std::string& connection, const std::vector<std::string>& files, bool renameConflicts)
{
    PgRecordAdmin admin(connection);
    if (const StoreStatus begun = admin.Begin(); !begun)
        return Fail("cannot reach " + admin.Host(), begun.reason);
    std::vector<std::unique_ptr<CStudentRoster>> rosters;
    std::vector<std::string> conflicts;
    std::vector<std::vector<Arrival>> arrivals;
    StoreStatus status;
    for (const std::string& file : files)
    {
        rosters.push_back(CStudentRoster::ReadFile(file));
        if (!rosters.back())
            return Fail("cannot read " + file, "it cannot be read or holds no student");
        arrivals.emplace_back();
        for (int i = 0; i < rosters.back()->GetStudentCount(); ++i)
        {
            const CStudentRecord* student = rosters.back()->GetStudent(i);
            // The server keeps UTF-8; an older record file may hold Windows-1252.
            std::string name = TextToUtf8(student->m_strName);
            std::optional<bool> same = admin.SamePassword(name, student->m_strPassword, status);
            for (int n = 2; status && same && !*same && renameConflicts; ++n)
            {
                name = TextToUtf8(student->m_strName) + " (" + std::to_string(n) + ")";
                same = admin.SamePassword(name, student->m_strPassword, status);
            }
            if (!status)
                return Fail("cannot read " + admin.Host(), status.reason);
            if (same && !*same)
            {
                conflicts.push_back(student->m_strName);
                continue;
            }
            if (name != TextToUtf8(student->m_strName))
                conflicts.push_back(student->m_strName + " -> " + name);
            // Held from here on, so that a later file meets the same rules.
            const StoreStatus added = same ? StoreStatus() : admin.AddStudent(name, student->m_strPassword);
            if (!added)
                return Fail("cannot add " + name, added.reason);
            arrivals.back().push_back({student, name, same.has_value()});
        }
    }
    for (const std::string& conflict : conflicts)
        std::fprintf(stderr, "quillet-records: %s: %s\n",
                     renameConflicts ? "renamed" : "held with another password", conflict.c_str());
    if (!conflicts.empty() && !renameConflicts)
    {
        admin.Rollback();
        return Fail("nothing was imported", "the names above conflict; --rename-conflicts adds them renamed");
    }
    for (std::size_t f = 0; f < files.size(); ++f)
    {
        int students = 0, results = 0, duplicates = 0;
        for (const Arrival& arrival : arrivals[f])
        {
            students += arrival.known ? 0 : 1;
            for (const auto& result : arrival.student->m_results)
            {
                bool added = false;
                if (const StoreStatus sent = admin.AddResult(arrival.name, *result, added); !sent)
                    return Fail("cannot add a result of " + arrival.name, sent.reason);
                (added ? results : duplicates) += 1;
            }
        }
        std::printf("%s: %d students, %d results added, %d already there\n", files[f].c_str(), students,
                    results, duplicates);
    }
    if (const StoreStatus done = admin.Commit(); !done)
        return Fail("nothing was imported", done.reason);
    return 0;
}

int Export(const std::string& connection, const std::string& out)
{
    PgRecordAdmin admin(connection);
    StoreStatus status;
    // The password field carries the hash, which the record file store
    // checks as it is.
    const auto roster = admin.Export(status);
    if (!roster)
        return Fail("cannot read the records on " + admin.Host(), status.reason);
    if (const FileStatus written = ReplaceFile(out, Complemented(roster->ComposeRecordText()), true);
        !written)
        return Fail("cannot write " + out, written.reason);
    return 0;
}

// The bank is read as the test window reads it, so that its hash is the one
// the lab machines send with their results.
int AddBank(const std::string& connection, const std::string& path)
{
    BankFile bank = ReadBankFile(path);
    if (!bank.course)
        return Fail("cannot load " + path, bank.problem);
    PgBankKeys keys(connection);
    int disagreeing = 0;
    if (const StoreStatus added = keys.Add(*bank.course, bank.storedSize, bank.storedHash, disagreeing);
        !added)
        return Fail("cannot load " + path + " into " + keys.Host(), added.reason);
    if (disagreeing > 0)
        std::fprintf(stderr,
                     "quillet-records: %d questions share their chapter and text with one of another right "
                     "answer: the server takes the lab machines' word for them\n",
                     disagreeing);
    std::printf("bank %s: %d questions in %d chapters loaded (hash %s)\n",
                TextToUtf8(bank.course->GetName()).c_str(), bank.course->GetQuestionCount(),
                bank.course->GetCount(), HashText(bank.storedHash).c_str());
    return 0;
}

int ListBanks(const std::string& connection)
{
    PgBankKeys keys(connection);
    StoreStatus status;
    const std::vector<PgBankKeys::Bank> banks = keys.List(status);
    if (!status)
        return Fail("cannot read the banks on " + keys.Host(), status.reason);
    for (const PgBankKeys::Bank& bank : banks)
        std::printf("%s  %s: %d questions, %lld bytes, loaded %s\n", bank.hash.c_str(), bank.title.c_str(),
                    bank.questions, bank.size, FormatLocalTime(bank.added, "%Y-%m-%d %H:%M").c_str());
    if (banks.empty())
        std::printf("no banks loaded\n");
    return 0;
}
}

int DatabaseCommand(const std::vector<std::string>& args)
{
    if (args.size() == 2 && args[0] == "init")
        return Init(args[1]);
    if (args.size() == 2 && args[0] == "status")
        return Status(args[1]);
    if (args.size() == 3 && args[0] == "export")
        return Export(args[1], args[2]);
    if (args.size() == 4 && args[0] == "bank" && args[1] == "add")
        return AddBank(args[2], args[3]);
    if (args.size() == 3 && args[0] == "bank" && args[1] == "list")
        return ListBanks(args[2]);
    if (args.size() >= 3 && args[0] == "import")
    {
        const bool rename = args[1] == "--rename-conflicts";
        const std::size_t first = rename ? 3 : 2;
        if (args.size() > first)
            return Import(args[first - 1], {args.begin() + static_cast<long>(first), args.end()}, rename);
    }
    std::fputs(
        "usage: quillet-records db init URL | db status URL | db import URL [--rename-conflicts] FILE... "
        "| db export URL OUT | db bank add URL BANK | db bank list URL\n",
        stderr);
    return 2;
}
}
