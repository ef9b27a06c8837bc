// The teacher's loop as a teacher goes through it: a GIFT bank with a
// mis-keyed question is imported and taken by a class through the program's
// own draw, scoring and store; the statistics put the bad question first;
// the GIFT file is fixed and imported again; the regrade corrects the scores
// and the statistics follow.
#include <map>

#include "course/CourseReader.h"
#include "course/Random.h"
#include "course/Response.h"
#include "course/TestRun.h"
#include "records/FileRecordStore.h"
#include "records/RecordSession.h"
#include "tools/ToolFixture.h"

namespace
{
// Two chapters of eleven questions; "France" is keyed to Lyon, though
// Paris is right, which the students who know it choose.
std::string Gift(bool fixed)
{
    std::string gift;
    for (int c = 1; c <= 2; ++c)
    {
        gift += "$CATEGORY: Chapter " + std::to_string(c) + "\n\n";
        for (int q = 1; q <= 11; ++q)
        {
            if (c == 1 && q == 5)
                gift += fixed ? "::France::Capital of France? {~Lyon =Paris ~Nice}\n\n"
                              : "::France::Capital of France? {=Lyon ~Paris ~Nice}\n\n";
            else
                gift += "Question " + std::to_string(q) + " of chapter " + std::to_string(c) +
                        "? {=Right ~Wrong one ~Wrong two}\n\n";
        }
    }
    return gift;
}

// The answer a student gives: the one he knows to be right, or a wrong one.
std::string Choice(const std::string& question, int student, int sitting)
{
    const bool knows = (student * 7 + sitting * 3 + static_cast<int>(question.size())) % 10 < 3 + 2 * student;
    if (question == "Capital of France?")
        return knows ? "Paris" : "Nice";
    return knows ? "Right" : (sitting % 2 ? "Wrong one" : "Wrong two");
}

class TeacherLoop : public ToolFixture
{
  protected:
    void Import(bool fixed)
    {
        std::ofstream(PathOf("networks.gift")) << Gift(fixed);
        const ToolRun run = Run(QUILLET_BANK_TOOL, {"import", "--from", "gift", PathOf("networks.gift"),
                                                    PathOf("networks.blh"), "--title", "Networks"});
        ASSERT_EQ(run.exit, 0) << run.err;
    }

    // Four students, six Tests each, drawn, answered and saved as the program does.
    void SitTheClass()
    {
        quillet::FileRecordStore store(PathOf("quillet2.blh"));
        CRandom random(7);
        for (int student = 0; student < 4; ++student)
        {
            const quillet::Student who{"student" + std::to_string(student), "pw"};
            quillet::RecordStore::Login login = store.Register(who);
            ASSERT_TRUE(login.status) << login.status.reason;
            for (int sitting = 0; sitting < 6; ++sitting)
            {
                quillet::BankFile file = quillet::ReadBankFile(PathOf("networks.blh"));
                ASSERT_TRUE(file.course) << file.problem;
                const quillet::BankIdentity identity{PathOf("networks.blh"), file.storedSize,
                                                     file.storedHash};
                auto run = quillet::TestRun::DrawTest(std::move(file.course), false, random);
                run->SetBankIdentity(identity);
                for (CQuestion* q = run->Begin(); q;
                     q = run->Go(quillet::TestRun::Move::Next, false) ? run->GetCurrent() : nullptr)
                    for (int a = 0; a < q->GetAnswerCount(); ++a)
                        if (*q->GetAnswerText(a) == Choice(q->GetText(), student, sitting))
                            run->ChooseAnswer(a);
                CResultEntry result;
                result.m_strTitle = run->GetCourseTitle();
                result.m_timeGraded = 1'765'000'000 + (student * 6 + sitting) * 600;
                result.m_spanTaken = 300;
                result.m_nRight = run->GetScore().right;
                result.m_nTotal = run->GetQuestionCount();
                ASSERT_TRUE(
                    login.session
                        ->AddResult(result, quillet::ResultAnswers{identity, quillet::ResponsesOf(*run)})
                        .status);
            }
        }
    }

    // Each question's row of stats --csv by its text, column by column; the
    // texts here hold no comma or quote.
    using Row = std::map<std::string, std::string>;
    std::map<std::string, Row> Stats()
    {
        const ToolRun run = Run(QUILLET_RECORDS_TOOL,
                                {"stats", PathOf("quillet2.blh"), "--bank", PathOf("networks.blh"), "--csv"});
        EXPECT_EQ(run.exit, 0) << run.err;
        const auto cells = [](const std::string& line)
        {
            std::vector<std::string> out(1);
            for (const char c : line)
                if (c == ',')
                    out.emplace_back();
                else
                    out.back().push_back(c);
            return out;
        };
        std::istringstream lines(run.out);
        std::string line;
        std::getline(lines, line, '\r');
        const std::vector<std::string> header = cells(line);
        std::map<std::string, Row> questions;
        while (std::getline(lines >> std::ws, line, '\r'))
        {
            const std::vector<std::string> row = cells(line);
            Row& question = questions[row.at(2)];
            for (std::size_t i = 0; i < header.size() && i < row.size(); ++i)
                question[header[i]] = row[i];
        }
        return questions;
    }
};
}

TEST_F(TeacherLoop, TheMisKeyedQuestionComesFirstAndItsFixRegradesTheClass)
{
    ASSERT_NO_FATAL_FAILURE(Import(false));
    ASSERT_NO_FATAL_FAILURE(SitTheClass());
    auto before = Stats();
    ASSERT_TRUE(before.count("Capital of France?"));
    EXPECT_EQ(before["Capital of France?"]["rank"], "1");
    EXPECT_EQ(before["Capital of France?"]["check"].substr(0, 17), "probably_miskeyed");

    ASSERT_NO_FATAL_FAILURE(Import(true));
    const ToolRun regrade =
        Run(QUILLET_RECORDS_TOOL, {"regrade", PathOf("quillet2.blh"), "--bank", PathOf("networks.blh")});
    ASSERT_EQ(regrade.exit, 0) << regrade.err;
    EXPECT_NE(regrade.out.find(" -> "), std::string::npos) << regrade.out;

    auto after = Stats();
    Row& fixed = after["Capital of France?"];
    EXPECT_EQ(fixed["check"].find("probably_miskeyed"), std::string::npos) << fixed["check"];
    EXPECT_EQ(fixed["asked"], before["Capital of France?"]["asked"]);
    // Paris is the key now (the bank lists the right answer first), and those who chose it are the ones
    // right.
    EXPECT_EQ(fixed["right_answer"], "1");
    EXPECT_EQ(fixed["facility"], fixed["answer_1"]);
    EXPECT_NE(fixed["right"], "0");
    after.erase("Capital of France?");
    for (auto& [text, question] : after)
        EXPECT_EQ(question["right"], before[text]["right"]) << text;

    const ToolRun again =
        Run(QUILLET_RECORDS_TOOL, {"regrade", PathOf("quillet2.blh"), "--bank", PathOf("networks.blh")});
    EXPECT_NE(again.out.find("0 results of Networks regraded"), std::string::npos) << again.out;
}
