// The logged-in student against the record file as a lab shares it: logins
// that cannot be checked, results kept pending, and the journals of
// unfinished tests, also as a second account sees them.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>

#include "CourseBuilders.h"
#include "records/FileRecordStore.h"
#include "records/PgRecordStore.h"
#include "records/RecordsTestSupport.h"
#include "records/StudentSession.h"

namespace
{
using namespace recordtest;
using quillet::StudentSession;
using Login = StudentSession::Login;

// What the student was told and asked; every question is declined.
struct Said
{
    std::vector<std::string> told;
    int asked = 0;

    quillet::RecordPrompts Prompts()
    {
        return {[this](const std::string& text) { told.push_back(text); },
                [this](const std::string&, const std::string&, bool)
                {
                    ++asked;
                    return false;
                }};
    }
    bool Heard(const std::string& part) const
    {
        return std::any_of(told.begin(), told.end(),
                           [&](const std::string& text) { return text.find(part) != std::string::npos; });
    }
};

// A quiz of three questions on "Networks", graded with the first `right` right.
quillet::TestSession Graded(const std::string& student, int right)
{
    CRandom random(5);
    auto bank = testbank::MakeCourse({3});
    bank->SetName("Networks");
    quillet::TestSession session(quillet::TestRun::DrawQuiz(std::move(bank), 1, random));
    session.SetStudent(student);
    session.Begin(1'765'000'000);
    int n = 0;
    for (const CQuestion* q : session.GetRun()->GetQuestions())
        const_cast<CQuestion*>(q)->SetAnswer(n++ < right ? q->GetCorrect() : -1);
    session.Grade(1'765'000'060);
    return session;
}

StudentSession Session(const std::string& path, int lockTimeoutMs = quillet::kRecordLockTimeoutMs)
{
    return StudentSession(std::make_unique<quillet::FileRecordStore>(path, lockTimeoutMs));
}

int ResultsOf(const std::string& path, const std::string& name)
{
    const auto roster = ReadRecordFile(path);
    return roster ? roster->GetResultCount(roster->FindStudent(name)) : -1;
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

using Student = RecordDirTest;
}

TEST_F(Student, ALoginThatCannotBeCheckedIsAGuestAndNeverANewStudent)
{
    CStudentRoster seeded;
    seeded.AddStudent("Bob", "secret");
    ASSERT_TRUE(WriteRecordFile(seeded));
    // Bob's unfinished test, which nobody unchecked may be offered.
    Said earlier;
    StudentSession bob = Session(RecordPath());
    ASSERT_EQ(bob.LogIn({"Bob", "secret"}, earlier.Prompts()), Login::Accepted);
    quillet::TestSession unfinished = Graded("Bob", 0);
    ASSERT_TRUE(quillet::FileRecordStore()
                    .LogIn({"Bob", "secret"})
                    .session->KeepJournal(unfinished.GetJournalKey(), "journal"));

    Writer holder = StartWriter({RecordPath(), "holder", "1", "--hold"});
    char said[16] = {};
    ASSERT_GT(::read(holder.output, said, sizeof said - 1), 0);
    Said guest;
    StudentSession impostor = Session(RecordPath(), 200);
    EXPECT_EQ(impostor.LogIn({"Bob", "guessed"}, guest.Prompts()), Login::Guest);
    EXPECT_TRUE(guest.Heard("cannot be checked now")) << guest.told.front();
    quillet::TestSession test = Graded("Bob", 3);
    EXPECT_FALSE(impostor.OfferJournal(test, guest.Prompts()));
    EXPECT_TRUE(impostor.SaveResult(test, guest.Prompts()));
    EXPECT_EQ(guest.asked, 0); // nothing to try again: it waits for the records
    // The lock is held, so it waits in the account's own pending file.
    EXPECT_TRUE(guest.Heard("is kept in " + m_dir + "/data/quillet/quillet2.blh.pending"));
    ::kill(holder.pid, SIGKILL);
    Finish(holder);

    // Bob's own next save brings in his own results only; the guess is told and put aside.
    Said owner;
    ASSERT_EQ(bob.LogIn({"Bob", "secret"}, owner.Prompts()), Login::Accepted);
    EXPECT_TRUE(bob.SaveResult(Graded("Bob", 1), owner.Prompts()));
    EXPECT_TRUE(owner.Heard("with another password was not added to your records; it is kept in " +
                            RecordPath() + ".refused"));
    EXPECT_EQ(ResultsOf(RecordPath(), "Bob"), 1);
    EXPECT_EQ(ResultsOf(RecordPath() + ".refused", "Bob"), 1);
}

TEST_F(Student, ARecordServerOutOfReachIsNamedAndTheStudentIsAGuest)
{
    Said said;
    StudentSession ann(
        std::make_unique<quillet::PgRecordStore>("host=" + m_dir + "/no-server dbname=quillet"));
    EXPECT_EQ(ann.LogIn({"Ann", "pw"}, said.Prompts()), Login::Guest);
    ASSERT_EQ(said.told.size(), 1u);
    EXPECT_EQ(said.told[0].rfind("The record server " + m_dir + "/no-server cannot be reached: ", 0), 0u)
        << said.told[0];
    // The result waits on this machine.
    EXPECT_TRUE(ann.SaveResult(Graded("Ann", 2), said.Prompts()));
    EXPECT_TRUE(said.Heard("is kept in " + m_dir + "/data/quillet/server.pending"));
}

TEST_F(Student, AStudentWhoseResultsOnlyWaitPendingLogsInAsHimself)
{
    CResultEntry kept;
    kept.m_strTitle = "Networks";
    kept.m_kind = TestKind::Quiz;
    kept.m_strChapter = "Ch1";
    kept.m_nRight = 2;
    kept.m_nTotal = 3;
    std::string keptIn;
    ASSERT_TRUE(quillet::FileRecordStore(RecordPath()).Pending().Keep({"Ann", "pw"}, kept, keptIn));
    const struct
    {
        std::string password;
        Login login;
    } cases[] = {{"pw", Login::Accepted}, {"other", Login::WrongPassword}};
    for (const auto& c : cases)
    {
        Said said;
        StudentSession ann = Session(RecordPath());
        EXPECT_EQ(ann.LogIn({"Ann", c.password}, said.Prompts()), c.login) << c.password;
    }
    Said said;
    StudentSession ann = Session(RecordPath());
    ASSERT_EQ(ann.LogIn({"Ann", "pw"}, said.Prompts()), Login::Accepted);
    EXPECT_EQ(ann.GetRecord()->m_results.size(), 1u);
    ASSERT_TRUE(ann.SaveResult(Graded("Ann", 3), said.Prompts()));
    EXPECT_EQ(ResultsOf(RecordPath(), "Ann"), 2);
    EXPECT_FALSE(std::filesystem::exists(RecordPath() + ".pending"));
    EXPECT_TRUE(said.told.empty());
}

TEST_F(Student, JournalsInASharedFolderAreTheAccountsOwnAndNothingIsLost)
{
    ASSERT_EQ(::chmod(m_dir.c_str(), 02770), 0);
    quillet::FileRecordStore store(RecordPath());
    const std::string folder = store.JournalFolder();
    EXPECT_EQ(folder.rfind(m_dir + "/journals-", 0), 0u) << folder;
    EXPECT_EQ(ModeOf(folder) & 0777, 0700u);

    quillet::TestSession test = Graded("Ann", 0);
    const quillet::JournalKey key = test.GetJournalKey();
    const std::string path = folder + "/" + quillet::JournalFileName(key);
    // A journal left open to others is closed again as it is kept.
    StoreText(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_TRUE(store.Register({"Ann", "pw"}).session->KeepJournal(key, "journal\n"));
    EXPECT_EQ(ModeOf(path), 0600u);

    // Two journals that do not fit in a row: neither overwrites the other.
    for (int i = 0; i < 2; ++i)
    {
        StoreText(path, "garbage " + std::to_string(i));
        Said said;
        StudentSession ann = Session(RecordPath());
        ann.LogIn({"Ann", "pw"}, said.Prompts());
        EXPECT_FALSE(ann.OfferJournal(test, said.Prompts()));
        EXPECT_TRUE(said.Heard("could not be restored: it does not read as one"));
    }
    EXPECT_TRUE(std::filesystem::exists(path + ".bad"));
    EXPECT_TRUE(std::filesystem::exists(path + ".bad-2"));

    if (!Root())
        GTEST_SKIP() << "a journal of another account needs root";
    // One that is not this account's own is told and left where it is.
    std::ofstream(path, std::ios::trunc) << "planted";
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    Said said;
    StudentSession ann = Session(RecordPath());
    ann.LogIn({"Ann", "pw"}, said.Prompts());
    EXPECT_FALSE(ann.OfferJournal(test, said.Prompts()));
    EXPECT_TRUE(said.Heard("could not be restored: it belongs to another account"));
    EXPECT_EQ(ReadBytes(path), "planted");
    EXPECT_FALSE(std::filesystem::exists(path + ".bad-3"));
}

TEST_F(Student, AnotherAccountNeitherSeesNorPlantsAJournal)
{
    if (!Root())
        GTEST_SKIP() << "a second account needs root and runuser";
    ASSERT_EQ(::chmod(m_dir.c_str(), 02777), 0);
    quillet::FileRecordStore store(RecordPath());
    quillet::TestSession test = Graded("Ann", 0);
    ASSERT_TRUE(store.Register({"Ann", "pw"}).session->KeepJournal(test.GetJournalKey(), "journal\n"));
    const std::string path = store.JournalFolder() + "/" + quillet::JournalFileName(test.GetJournalKey());

    Writer other = StartWriter({"--journal", "Ann", "Networks"}, "nobody");
    char said[64] = {};
    EXPECT_GT(::read(other.output, said, sizeof said - 1), 0);
    EXPECT_EQ(Finish(other), 0);
    EXPECT_STREQ(said, "none\n");
    const std::string plant =
        "/usr/sbin/runuser -u nobody -- sh -c 'echo planted > " + path + "' 2>/dev/null";
    EXPECT_NE(std::system(plant.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), "journal\n");
}

TEST(RuntimeFolder, OneThatAnotherAccountMadeFirstIsNotUsed)
{
    if (!Root())
        GTEST_SKIP() << "a second account needs root and runuser";
    const std::string taken = "/tmp/runtime-nobody";
    if (std::filesystem::exists(taken))
        GTEST_SKIP() << taken << " exists already";
    std::string home = testing::TempDir() + "quillet-nobody-XXXXXX";
    ASSERT_NE(::mkdtemp(home.data()), nullptr);
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::mkdir(taken.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(taken.c_str(), 0777), 0);
    const std::string command = "/usr/sbin/runuser -u nobody -- env -u XDG_RUNTIME_DIR HOME=" + home +
                                " XDG_CACHE_HOME=" + home + "/cache " + WriterForAnyone() +
                                " --runtime-folder 2>/dev/null";
    std::string folder;
    if (FILE* out = ::popen(command.c_str(), "r"))
    {
        char line[512] = {};
        if (std::fgets(line, sizeof line, out))
            folder = line;
        ::pclose(out);
    }
    std::filesystem::remove_all(taken);
    EXPECT_EQ(folder, home + "/cache/quillet-runtime\n");
    EXPECT_EQ(ModeOf(home + "/cache/quillet-runtime"), 0700u);
    std::filesystem::remove_all(home);
}
