// A writer killed at any moment leaves the record file whole: the old
// roster or the new one, never a mix or a cut.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <random>

#include "records/RecordsTestSupport.h"

using CrashSafety = recordtest::RecordDirTest;

TEST_F(CrashSafety, KilledWriterLeavesTheOldOrTheNewRosterWhole)
{
    // A few hundred KB each, of different sizes so that a cut file shows; long
    // names make writing, not composing, take most of the time.
    const std::string padding(300, '.');
    const auto a = CStudentRoster::ParseRecordText(recordtest::BigRecordText(500, 2, "A" + padding));
    const auto b = CStudentRoster::ParseRecordText(recordtest::BigRecordText(600, 2, "B" + padding));
    const std::string textA = a->ComposeRecordText();
    const std::string textB = b->ComposeRecordText();
    ASSERT_TRUE(recordtest::WriteRecordFile(*a));

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    int endedA = 0;
    int leftovers = 0;
    for (int round = 0; round < 40; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        int done[2];
        ASSERT_EQ(::pipe(done), 0);
        const pid_t child = fork();
        if (child == 0)
        {
            // Writes b, a, b, ... for ever, telling the parent after each whole write.
            for (int i = 0;; ++i)
            {
                const char mark = 'w';
                if (!recordtest::WriteRecordFile(i % 2 ? *a : *b, RecordPath()) ||
                    ::write(done[1], &mark, 1) != 1)
                    _exit(2);
            }
        }
        ::close(done[1]);
        // Let one write finish, so that the kill falls into a later one.
        char mark = 0;
        const bool wrote = ::read(done[0], &mark, 1) == 1;
        if (wrote)
            ::usleep(std::uniform_int_distribution<useconds_t>(0, 5000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ::close(done[0]);
        ASSERT_TRUE(wrote && WIFSIGNALED(status)) << "the writer failed, status " << status;

        const auto roster = recordtest::ReadRecordFile(RecordPath());
        const std::string text = roster ? roster->ComposeRecordText() : "";
        ASSERT_TRUE(text == textA || text == textB) << "read back " << text.size() << " bytes of text";
        endedA += text == textA;

        // A killed writer may leave its own temporary file, but only that one.
        int strays = 0;
        for (const std::string& name : recordtest::FolderEntries(m_dir))
        {
            if (name == kRecordFileName)
                continue;
            EXPECT_EQ(name.rfind(std::string(".") + kRecordFileName + ".", 0), 0u) << name;
            std::filesystem::remove(m_dir + "/" + name);
            ++strays;
        }
        EXPECT_LE(strays, 1);
        leftovers += strays;
    }
    std::cout << "rounds ending with roster A: " << endedA
              << " of 40; temporary files left by killed writers: " << leftovers << "\n";
}
