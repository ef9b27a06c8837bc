// A copy of the program as another process, or as another account, sees it.
//   quillet_record_writer PATH NAME COUNT [--hold]: adds COUNT results for
//     the student NAME to the record file at PATH, one change at a time, as
//     separate copies of the program do. With --hold it takes the lock, says
//     "holding" and waits to be killed. Exit 1, with the reason, when a
//     change fails.
//   quillet_record_writer --journal NAME COURSE: what the record store of
//     the record folder finds of NAME's unfinished Test of COURSE: "none",
//     "found", or "failed: <reason>".
//   quillet_record_writer --runtime-folder: the runtime folder, on one line.
//   quillet_record_writer --server CONNECTION NAME COUNT: adds COUNT results
//     for NAME to the record server, as a lab machine does.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/Folders.h"
#include "records/FileRecordStore.h"
#include "records/PgRecordStore.h"

namespace
{
int Journal(const std::string& name, const std::string& course)
{
    quillet::FileRecordStore store;
    const auto login = store.LogIn({name, "pw"});
    if (!login.session)
        return std::printf("none\n") > 0 ? 0 : 1;
    const quillet::RecordSession::JournalRead read =
        login.session->ReadJournal({name, course, TestKind::Test, 0});
    std::printf("%s\n", !read.found   ? "none"
                        : read.status ? "found"
                                      : ("failed: " + read.status.reason).c_str());
    return 0;
}

int Serve(const std::string& connection, const std::string& name, int count)
{
    quillet::PgRecordStore store(connection);
    quillet::RecordStore::Login login = store.LogIn({name, "pw"});
    if (login.status.error == quillet::StoreError::NotHeld)
        login = store.Register({name, "pw"});
    if (!login.session)
    {
        std::fprintf(stderr, "%s\n", login.status.reason.c_str());
        return 1;
    }
    for (int i = 0; i < count; ++i)
    {
        CResultEntry result;
        result.m_strTitle = "Networks";
        result.m_nRight = i % 21;
        result.m_nTotal = 20;
        result.m_timeGraded = 1'765'000'000 + i * 60;
        if (const quillet::StoreStatus added = login.session->AddResult(result, {}).status; !added)
        {
            std::fprintf(stderr, "%s\n", added.reason.c_str());
            return 1;
        }
    }
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--journal")
        return Journal(argv[2], argv[3]);
    if (argc == 5 && std::string(argv[1]) == "--server")
        return Serve(argv[2], argv[3], std::atoi(argv[4]));
    if (argc == 2 && std::string(argv[1]) == "--runtime-folder")
        return std::printf("%s\n", quillet::RuntimeFolder().c_str()) > 0 ? 0 : 1;
    if (argc < 4)
        return 2;
    const quillet::CRecordFile file(argv[1]);
    const std::string name = argv[2];
    const int count = std::stoi(argv[3]);
    const bool hold = argc > 4 && std::string(argv[4]) == "--hold";
    for (int i = 0; i < count || hold; ++i)
    {
        const quillet::FileStatus status = file.Update(
            [&](CStudentRoster& roster) -> std::string
            {
                if (hold)
                {
                    std::puts("holding");
                    std::fflush(stdout);
                    for (;;)
                        ::pause();
                }
                if (roster.FindStudent(name) < 0)
                    roster.AddStudent(name, "pw");
                auto result = std::make_unique<CResultEntry>();
                result->m_strTitle = "Networks";
                result->m_nRight = i % 21;
                result->m_nTotal = 20;
                result->m_timeGraded = 1'765'000'000 + i * 60;
                roster.AddResult(name, "pw", std::move(result));
                return {};
            });
        if (!status)
        {
            std::fprintf(stderr, "%s\n", status.reason.c_str());
            return 1;
        }
    }
    return 0;
}
