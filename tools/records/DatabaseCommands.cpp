#include "tools/records/DatabaseCommands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "course/Complement.h"
#include "course/CourseReader.h"
#include "course/Response.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/TimeText.h"
#include "records/MachineCredential.h"
#include "records/PgBankKeys.h"
#include "records/PgLoginRoles.h"
#include "records/PgRecordAdmin.h"
#include "records/PgSchema.h"
#include "tools/records/RecordsFormat.h"

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
                return Fail("nothing was imported", "cannot read " + admin.Host() + ": " + status.reason);
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
                return Fail("nothing was imported", "cannot add " + name + ": " + added.reason);
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
    // Told once committed: until then nothing is in.
    std::string told;
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
                    return Fail("nothing was imported",
                                "cannot add a result of " + arrival.name + ": " + sent.reason);
                (added ? results : duplicates) += 1;
            }
        }
        told += files[f] + ": " + std::to_string(students) + " students, " + std::to_string(results) +
                " results added, " + std::to_string(duplicates) + " already there\n";
    }
    if (const StoreStatus done = admin.Commit(); !done)
        return Fail("nothing was imported", done.reason);
    std::fputs(told.c_str(), stdout);
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

// The words of add-machine and the like: URL NAME, then --server HOST[:PORT]
// and --out FILE in any order.
struct LoginArgs
{
    std::string url;
    std::string name;
    std::string server;
    std::string out;
};

std::optional<LoginArgs> ParseLoginArgs(const std::vector<std::string>& args, bool options)
{
    LoginArgs parsed;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        std::string* value = args[i] == "--server" ? &parsed.server
                             : args[i] == "--out"  ? &parsed.out
                                                   : nullptr;
        if (!value)
            words.push_back(args[i]);
        else if (!options || i + 1 == args.size() || !value->empty())
            return std::nullopt;
        else
            *value = args[++i];
    }
    if (words.size() != 2)
        return std::nullopt;
    parsed.url = words[0];
    parsed.name = words[1];
    return parsed;
}

const char* KindWord(PgLoginRoles::Kind kind)
{
    return kind == PgLoginRoles::Kind::Machine ? "machine" : "teacher";
}

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// What the one who receives the files runs, as the file's comments and the
// tool's answer both tell it.
std::vector<std::string> InstallSteps(PgLoginRoles::Kind kind, const std::vector<std::string>& files)
{
    if (kind == PgLoginRoles::Kind::Machine)
        return {"install -d -m 0755 /etc/quillet",
                "install -o root -g quillet -m 0640 " + FileName(files[0]) + " /etc/quillet/record-server"};
    return {"cat " + FileName(files[0]) + " >> ~/.pg_service.conf",
            "(umask 077 && cat " + FileName(files[1]) + " >> ~/.pgpass) && chmod 0600 ~/.pgpass"};
}

std::string Comment(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "# " + line + "\n";
    return text;
}

// A .pgpass field: ':' and '\' escaped.
std::string PgpassField(const std::string& value)
{
    std::string field;
    for (const char c : value)
    {
        if (c == ':' || c == '\\')
            field += '\\';
        field += c;
    }
    return field;
}

// The files that carry the login: a machine's credential, or a teacher's
// service entry and password line; each owner-only.
std::vector<std::pair<std::string, std::string>> LoginFiles(PgLoginRoles::Kind kind, const LoginArgs& args,
                                                            const PgLoginRoles::Address& address,
                                                            const std::string& password)
{
    const std::string role = PgLoginRoles::RoleOf(kind, args.name);
    if (kind == PgLoginRoles::Kind::Machine)
    {
        const std::string file = args.out.empty() ? "./" + args.name + ".record-server" : args.out;
        const std::vector<std::string> steps = InstallSteps(kind, {file});
        const std::string text =
            Comment(
                {"The record server's login of the lab machine " + args.name + " (role " + role +
                     "), from quillet-records db add-machine.",
                 "Install it on that machine, as root, for its student accounts (group quillet) to read:"}) +
            Comment({"  " + steps[0], "  " + steps[1]}) +
            Comment({"Quillet reads it itself. It holds the machine's password: keep no other copy."}) +
            MachineCredential::Text(address.Connection(role), password);
        return {{file, text}};
    }
    const std::string prefix = args.out.empty() ? "./" + args.name : args.out;
    const std::vector<std::string> files = {prefix + ".pg_service.conf", prefix + ".pgpass"};
    const std::vector<std::string> steps = InstallSteps(kind, files);
    std::string service = Comment({"The record server's login of the teacher " + args.name + " (role " +
                                       role + "), from quillet-records db add-teacher.",
                                   "Install it in the teacher's own account, as the teacher, with " +
                                       FileName(files[1]) + " beside it:",
                                   "  " + steps[0], "  " + steps[1],
                                   "then give quillet-records the URL \"service=quillet\", e.g.",
                                   "  quillet-records export-csv \"service=quillet\" > results.csv"}) +
                          "[quillet]\nhost=" + address.host + "\nport=" + address.port +
                          "\ndbname=" + address.dbname + "\nuser=" + role + "\n";
    for (const auto& [keyword, value] : address.options)
        service.append(keyword).append("=").append(value).append("\n");
    const std::string pgpass = PgpassField(address.host) + ":" + PgpassField(address.port) + ":" +
                               PgpassField(address.dbname) + ":" + PgpassField(role) + ":" +
                               PgpassField(password) + "\n";
    return {{files[0], service}, {files[1], pgpass}};
}

int AddLogin(PgLoginRoles::Kind kind, const LoginArgs& args)
{
    const std::string what =
        std::string("cannot add the ") + KindWord(kind) + " \"" + TerminalText(args.name) + "\"";
    if (!PgLoginRoles::IsValidName(args.name))
        return Fail(what, PgLoginRoles::kNameRule);
    // A line break would end the value in the files written.
    if (args.server.find_first_of("\r\n") != std::string::npos)
        return Fail(what, "--server names one host");
    PgLoginRoles logins(args.url);
    PgLoginRoles::Address address;
    if (const StoreStatus reached = logins.Reach(args.server, address); !reached)
        return Fail(what, reached.reason);
    const std::string role = PgLoginRoles::RoleOf(kind, args.name);
    std::string password;
    if (const StoreStatus added = logins.Add(kind, args.name, password); !added)
        return Fail(what,
                    added.error == StoreError::NameTaken
                        ? added.reason + "; quillet-records db remove-" + KindWord(kind) + " drops it first"
                        : added.reason);
    const auto files = LoginFiles(kind, args, address, password);
    std::vector<std::string> paths;
    for (const auto& [path, text] : files)
    {
        if (const FileStatus written = ReplaceFile(path, text, true); !written)
        {
            // A login whose password nobody holds is no use to anybody.
            long long ended = 0;
            logins.Remove(kind, args.name, ended);
            return Fail("cannot write " + path, written.reason + "; " + role + " was dropped again");
        }
        paths.push_back(path);
    }
    std::string said = role + " can log in to " + logins.Host() + "; its login is in " + paths[0];
    if (paths.size() > 1)
        said += " and " + paths[1];
    said += kind == PgLoginRoles::Kind::Machine
                ? " (owner-only). On the machine, as root:\n"
                : " (owner-only). In the teacher's account, as the teacher:\n";
    for (const std::string& step : InstallSteps(kind, paths))
        said += "  " + step + "\n";
    if (kind == PgLoginRoles::Kind::Teacher)
        said += "then the URL is \"service=quillet\".\n";
    std::fputs(said.c_str(), stdout);
    return 0;
}

int RemoveLogin(PgLoginRoles::Kind kind, const LoginArgs& args)
{
    const std::string what =
        std::string("cannot remove the ") + KindWord(kind) + " \"" + TerminalText(args.name) + "\"";
    PgLoginRoles logins(args.url);
    long long ended = 0;
    if (const StoreStatus removed = logins.Remove(kind, args.name, ended); !removed)
        return Fail(what, removed.error == StoreError::NotHeld
                              ? std::string("the record server has no such ") + KindWord(kind) +
                                    " (no role " + PgLoginRoles::RoleOf(kind, args.name) + ")"
                              : removed.reason);
    std::printf("%s dropped; %lld of its connections ended\n", PgLoginRoles::RoleOf(kind, args.name).c_str(),
                ended);
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
    const auto login = [&](PgLoginRoles::Kind kind, bool add)
    {
        const std::optional<LoginArgs> parsed = ParseLoginArgs(args, add);
        return !parsed ? -1 : add ? AddLogin(kind, *parsed) : RemoveLogin(kind, *parsed);
    };
    int done = -1;
    if (!args.empty() && args[0] == "add-machine")
        done = login(PgLoginRoles::Kind::Machine, true);
    else if (!args.empty() && args[0] == "add-teacher")
        done = login(PgLoginRoles::Kind::Teacher, true);
    else if (!args.empty() && args[0] == "remove-machine")
        done = login(PgLoginRoles::Kind::Machine, false);
    else if (!args.empty() && args[0] == "remove-teacher")
        done = login(PgLoginRoles::Kind::Teacher, false);
    if (done >= 0)
        return done;
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
        "| db export URL OUT | db bank add URL BANK | db bank list URL\n"
        "       | db add-machine URL NAME [--server HOST[:PORT]] [--out FILE] | db remove-machine URL NAME\n"
        "       | db add-teacher URL NAME [--server HOST[:PORT]] [--out PREFIX] | db remove-teacher URL "
        "NAME\n",
        stderr);
    return 2;
}
}
