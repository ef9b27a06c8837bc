// quillet_store_latency: how long one student's calls on a record store
// take, as lab machines make them, for docs/performance.md.
//   quillet_store_latency STORE CLIENTS CALLS [FIRST]
// STORE is a record file's path or a PostgreSQL connection string (as a lab
// machine's role). Students "bench-<client>" (password "pw"), clients
// numbered from FIRST (0), must exist;
// each of CLIENTS processes, at the same time, logs its student in (with
// and without connecting first) and adds CALLS results, each of which reads
// the student's history back as the program does. Prints the median and the
// 99th percentile of each kind of call, in milliseconds, and the adds a
// second of all clients together. "{machine}" in STORE stands for each
// client's own lab machine role, bench_m<client>; each client keeps its
// pending files in a data folder of its own, as a machine does.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "records/FileRecordStore.h"
#include "records/PgRecordStore.h"

namespace
{
std::unique_ptr<quillet::RecordStore> Open(const std::string& store)
{
    if (store.find('=') != std::string::npos || store.starts_with("postgres"))
        return std::make_unique<quillet::PgRecordStore>(store);
    return std::make_unique<quillet::FileRecordStore>(store, 60'000);
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// One client: "kind milliseconds" lines on its pipe.
// The clients log in first, then all add at once when `go` is closed: the
// adds a second are those of every client adding, not of logins and adds mixed.
int Client(std::string store, int client, int calls, int out, int ready, int go)
{
    if (const auto at = store.find("{machine}"); at != std::string::npos)
        store.replace(at, 9, "bench_m" + std::to_string(client));
    const std::string data = "/tmp/quillet-bench-data-" + std::to_string(::getpid());
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    const auto records = Open(store);
    const quillet::Student student{"bench-" + std::to_string(client), "pw"};
    std::string lines;
    auto start = std::chrono::steady_clock::now();
    const quillet::RecordStore::Login login = records->LogIn(student);
    const bool first = login.session != nullptr;
    if (!first)
        std::fprintf(stderr, "client %d: %s\n", client, login.status.reason.c_str());
    lines += "connect+login " + std::to_string(Since(start)) + "\n";
    // Logging in again on the open connection: a password check and the history.
    start = std::chrono::steady_clock::now();
    const bool again = first && records->LogIn(student).session;
    lines += "login " + std::to_string(Since(start)) + "\n";
    // Told either way, so that the others do not wait for a client that failed.
    char byte = 0;
    if (::write(ready, "r", 1) != 1 || !first || !again || ::read(go, &byte, 1) != 0)
        return 1;
    const auto adding = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
    {
        CResultEntry result;
        result.m_strTitle = "Home and Small-Office Networking";
        result.m_nRight = i % 21;
        result.m_nTotal = 20;
        result.m_spanTaken = 600;
        result.m_timeGraded = 1'800'000'000 + static_cast<long>(::getpid()) * 10'000 + i;
        start = std::chrono::steady_clock::now();
        if (!login.session->AddResult(result, {}).status)
            return 1;
        lines += "add " + std::to_string(Since(start)) + "\n";
    }
    // The steady clock is the system's monotonic one: spans of all clients compare.
    const auto stamp = [](std::chrono::steady_clock::time_point at)
    { return std::to_string(std::chrono::duration<double, std::milli>(at.time_since_epoch()).count()); };
    lines += "span " + stamp(adding) + " " + stamp(std::chrono::steady_clock::now()) + "\n";
    std::filesystem::remove_all(data);
    return ::write(out, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size()) ? 0 : 1;
}
}

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5)
    {
        std::fputs("usage: quillet_store_latency STORE CLIENTS CALLS [FIRST]\n", stderr);
        return 2;
    }
    // The first client's number: runs one after the other keep to students of their own.
    const int firstClient = argc == 5 ? std::atoi(argv[4]) : 0;
    const std::string store = argv[1];
    const int clients = std::atoi(argv[2]);
    const int calls = std::atoi(argv[3]);
    std::vector<int> outputs;
    std::vector<pid_t> children;
    int ready[2];
    int go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0)
        return 1;
    for (int client = 0; client < clients; ++client)
    {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return 1;
        const pid_t child = ::fork();
        if (child == 0)
        {
            ::close(pipe[0]);
            ::close(go[1]);
            ::_exit(Client(store, firstClient + client, calls, pipe[1], ready[1], go[0]));
        }
        ::close(pipe[1]);
        outputs.push_back(pipe[0]);
        children.push_back(child);
    }
    ::close(ready[1]);
    ::close(go[0]);
    // Every client logged in (or failed: its end closes): then all add.
    char byte = 0;
    for (int logged = 0; logged < clients && ::read(ready[0], &byte, 1) == 1;)
        ++logged;
    ::close(go[1]);
    std::map<std::string, std::vector<double>> times;
    double begun = 1e300;
    double ended = 0;
    int failed = 0;
    for (std::size_t i = 0; i < children.size(); ++i)
    {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::read(outputs[i], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(got));
        ::close(outputs[i]);
        int status = 0;
        ::waitpid(children[i], &status, 0);
        failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        char kind[32];
        double ms = 0;
        for (const char* line = text.c_str(); std::sscanf(line, "%31s %lf", kind, &ms) == 2;)
        {
            double until = 0;
            if (std::strcmp(kind, "span") == 0 && std::sscanf(line, "%*s %*f %lf", &until) == 1)
            {
                begun = std::min(begun, ms);
                ended = std::max(ended, until);
            }
            else
                times[kind].push_back(ms);
            line = std::strchr(line, '\n');
            if (!line)
                break;
            ++line;
        }
    }
    for (auto& [kind, values] : times)
    {
        std::sort(values.begin(), values.end());
        const auto at = [&](double q) { return values[static_cast<std::size_t>(q * (values.size() - 1))]; };
        std::printf("%-14s %6zu calls  median %8.2f ms  99th %8.2f ms\n", kind.c_str(), values.size(),
                    at(0.5), at(0.99));
    }
    if (ended > begun && times.count("add"))
        std::printf("adds a second   %8.0f (all clients, from the first add to the last)\n",
                    static_cast<double>(times["add"].size()) * 1000.0 / (ended - begun));
    if (failed)
        std::printf("%d clients failed\n", failed);
    return failed ? 1 : 0;
}
