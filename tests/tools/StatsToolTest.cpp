// quillet-records stats and report --html run as programs on stores written
// to a temporary folder. The figures behind them are worked out by hand in
// tests/records/QuestionStatsTest.cpp; here, what each output shows of them.
#include <regex>

#include "ToolFixture.h"
#include "course/Response.h"

namespace
{
// Three tests of two questions, graded at 10:00 UTC on 1, 2 and 3 March 2026:
//   ann (Test):     q1 right, q2 answer 3, flagged  -> 1 right
//   bob (Pre-Test): q1 right, q2 right               -> 2 right
//   cat (Quiz):     q1 answer 2, q2 no answer       -> 0 right
// By hand: q1 x = 1 1 0, rest y = 0 1 0; q2 x = 0 1 0, rest y = 1 1 0; for
// both the deviations' products sum to 1/3 and the squares to 2/3 each, so
// r = (1/3) / (2/3) = 0.5.
constexpr const char* kResponses = "t\t1772359200\tTest\tann\tNetworks\t\t10\t0000000000000001\t/b.blh\n"
                                   "r\t=SUM(1)\t00000000000000aa\t0\t1\t0\n"
                                   "r\tCh\x1b[2J\t00000000000000bb\t2\t0\t1\n"
                                   "t\t1772445600\tPre-Test\tbob\tNetworks\t\t10\t0000000000000001\t/b.blh\n"
                                   "r\t=SUM(1)\t00000000000000aa\t0\t1\t0\n"
                                   "r\tCh\x1b[2J\t00000000000000bb\t0\t1\t0\n"
                                   "t\t1772532000\tQuiz\tcat\tNetworks\tCh1\t10\t0000000000000001\t/b.blh\n"
                                   "r\t=SUM(1)\t00000000000000aa\t1\t0\t0\n"
                                   "r\tCh\x1b[2J\t00000000000000bb\t-\t0\t0\n";

class StatsTool : public ToolFixture
{
  protected:
    void SetUp() override
    {
        ToolFixture::SetUp();
        std::ofstream(PathOf("quillet2.responses"), std::ios::binary) << kResponses;
        m_store = PathOf("quillet2.blh");
    }

    ToolRun Tool(const std::vector<std::string>& args, const std::string& environment = "") const
    {
        return Run(environment + QUILLET_RECORDS_TOOL, args);
    }

    // Writes a bank text as a stored bank.
    std::string Bank(const std::string& text) const
    {
        std::ofstream(PathOf("bank.txt"), std::ios::binary) << text;
        EXPECT_EQ(Run(QUILLET_BANK_TOOL, {"encode", PathOf("bank.txt"), PathOf("bank.blh")}).exit, 0);
        return PathOf("bank.blh");
    }

    std::string m_store;
};
}

TEST_F(StatsTool, JsonCsvAndTextShowTheSameFiguresSafely)
{
    // The three tests as Tests, so that their scores compare. By hand, beyond
    // the figures above: the upper group is 2 of 3 (the top half). q1: bob
    // (rest 1, right), then half of ann (right) and cat (answer 2): 0.750
    // right, answer 2 0.250. q2: ann (answer 3) and bob (right), rest 1: 0.500
    // each. Neither is to check (3 answers): ranks 1, 2 in the table's order.
    // KR-20: scores 1 2 0, variance 5/3 - 1 = 2/3; p q 2/9 each question;
    // 2 * (1 - (4/9) / (2/3)) = 0.667.
    std::string tests = kResponses;
    for (const std::string kind : {"Pre-Test", "Quiz"})
        tests.replace(tests.find(kind), kind.size(), "Test");
    std::ofstream(PathOf("quillet2.responses"), std::ios::binary) << tests;

    const ToolRun json = Tool({"stats", m_store, "--json"});
    EXPECT_EQ(json.exit, 0) << json.err;
    EXPECT_EQ(
        json.out,
        R"j({"tests":3,"responses":6,"unreadable":0,"enough_to_judge":20,"questions":[)j"
        R"j({"chapter":"=SUM(1)","question":"00000000000000aa","asked":3,"right":2,"facility":0.667,)j"
        R"j("discrimination":0.500,"flagged":0,"no_answer":0.000,"answers":[)j"
        R"j({"answer":1,"right":true,"chosen":2,"share":0.667,"upper_share":0.750},)j"
        R"j({"answer":2,"right":false,"chosen":1,"share":0.333,"upper_share":0.250}],)j"
        R"j("judged":false,"check":[],"rank":1,"past_bound":0.000,"upper_group":2,"upper_right":0.750,)j"
        R"j("kinds":[{"kind":"test","asked":3,"right":2,"facility":0.667,"discrimination":0.500}]},)j"
        R"j({"chapter":"Ch\u001b[2J","question":"00000000000000bb","asked":3,"right":1,"facility":0.333,)j"
        R"j("discrimination":0.500,"flagged":1,"no_answer":0.333,"answers":[)j"
        R"j({"answer":1,"right":true,"chosen":1,"share":0.333,"upper_share":0.500},)j"
        R"j({"answer":3,"right":false,"chosen":1,"share":0.333,"upper_share":0.500}],)j"
        R"j("judged":false,"check":[],"rank":2,"past_bound":0.000,"upper_group":2,"upper_right":0.500,)j"
        R"j("kinds":[{"kind":"test","asked":3,"right":1,"facility":0.333,"discrimination":0.500}]}],)j"
        R"j("never_asked":[],"kind":"test","reliability":[{"kind":"test","quiz_chapter":"","bank":"/b.blh",)j"
        R"j("bank_hash":"0000000000000001","questions":2,"tests":3,"alpha":0.667}],)j"
        R"j("chapters":[{"chapter":"=SUM(1)","asked":3,"right":2,"share":0.667,)j"
        R"j("kinds":[{"kind":"test","asked":3,"right":2,"share":0.667}]},)j"
        R"j({"chapter":"Ch\u001b[2J","asked":3,"right":1,"share":0.333,)j"
        R"j("kinds":[{"kind":"test","asked":3,"right":1,"share":0.333}]}]})j"
        "\n");

    // A chapter that a spreadsheet would take for a formula is quoted after
    // an apostrophe; control characters are escaped.
    const ToolRun csv = Tool({"stats", m_store, "--csv"});
    EXPECT_EQ(csv.exit, 0) << csv.err;
    EXPECT_EQ(csv.out,
              "chapter,question,text,asked,right,facility,discrimination,flagged,no_answer,right_answer,"
              "answer_1,answer_2,answer_3,judged,check,rank,past_bound,upper_group,upper_right,"
              "upper_answer_1,upper_answer_2,upper_answer_3\r\n"
              "\"'=SUM(1)\",00000000000000aa,,3,2,0.667,0.500,0,0.000,1,0.667,0.333,,no,,1,0.000,2,0.750,"
              "0.750,0.250,\r\n"
              "Ch\\x1b[2J,00000000000000bb,,3,1,0.333,0.500,1,0.333,1,0.333,,0.333,no,,2,0.000,2,0.500,"
              "0.500,,0.500\r\n");

    const ToolRun text = Tool({"stats", m_store});
    EXPECT_EQ(text.exit, 0) << text.err;
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
    for (const char* line :
         {"Question statistics of 3 graded tests, 6 answers to 2 questions\n",
          "\nCh\\x1b[2J  00000000000000bb\n"
          "  asked 3, right 33.3%, discrimination 0.500, flagged 1 (33.3%), no answer 33.3%\n"
          "    answer 1 (right)  33.3%\n"
          "    answer 3          33.3%\n"
          "  too few answers to judge: 3 of the 20 needed\n",
          "\nReliability (Cronbach's alpha, as KR-20), tests of every kind:\n  Tests from /b.blh, 2 "
          "questions: 0.667 over 3 "
          "tests\n",
          "\n  Ch\\x1b[2J: 1 of 3 (33.3%); Tests 1 of 3 (33.3%)\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\nin\n" << text.out;
}

TEST_F(StatsTool, SinceAndKindChooseTheTests)
{
    const struct
    {
        std::vector<std::string> options;
        const char* tests;
    } cases[] = {
        {{}, R"("tests":1,)"}, // Tests unless told
        {{"--kind", "all"}, R"("tests":3,)"},
        {{"--since", "2026-03-02", "--kind", "all"}, R"("tests":2,)"},
        {{"--since", "2026-03-04", "--kind", "all"}, R"("tests":0,)"},
        {{"--kind", "test"}, R"("tests":1,)"},
        {{"--kind", "pretest"}, R"("tests":1,)"},
        {{"--kind", "quiz", "--since", "2026-03-02"}, R"("tests":1,)"},
        {{"--kind", "quiz", "--since", "2026-03-04"}, R"("tests":0,)"},
    };
    for (const auto& c : cases)
    {
        std::vector<std::string> args = {"stats", "--json", m_store};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.exit, 0) << run.err;
        EXPECT_TRUE(run.out.starts_with(std::string("{") + c.tests))
            << testing::PrintToString(c.options) << run.out;
    }
}

TEST_F(StatsTool, WrongWordsAndMissingFilesAreRefused)
{
    const std::string missing = PathOf("nowhere/quillet2.blh");
    const struct
    {
        std::vector<std::string> args;
        int exit;
        const char* said;
    } cases[] = {
        {{"stats"}, 2, "usage: quillet-records stats STORE"},
        {{"stats", m_store, m_store}, 2, "usage:"},
        {{"stats", m_store, "--since", "2026-3-1"},
         2,
         "--since takes a date as YYYY-MM-DD, not \"2026-3-1\""},
        {{"stats", m_store, "--since", "2026-02-30"}, 2, "--since takes a date"},
        {{"stats", m_store, "--kind", "exam"}, 2, "--kind is test, pretest, quiz or all"},
        {{"stats", m_store, "--kind", "test", "--kind", "all"}, 2, "usage:"},
        {{"stats", m_store, "--json", "--csv"}, 2, "usage:"},
        {{"stats", m_store, "--html", "out.html"}, 2, "usage:"},
        {{"report", "--html", PathOf("out.html")}, 2, "usage:"},
        {{"report", "--html", PathOf("out.html"), m_store, "--kind", "exam"}, 2, "--kind is"},
        {{"report", "--html", PathOf("out.html"), m_store, "--json"}, 2, "usage:"},
        {{"stats", missing}, 1, "cannot read"},
        {{"stats", m_store, "--bank", PathOf("missing.blh")}, 1, "missing.blh"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const ToolRun run = Tool(c.args);
        EXPECT_EQ(run.exit, c.exit);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.html")));

    // Parts that do not read are passed over and counted.
    std::ofstream(PathOf("quillet2.responses"), std::ios::app) << "t\tnot a test\nr\tCh\tkey\t0\t1\t0\n";
    const ToolRun odd = Tool({"stats", m_store, "--json", "--kind", "all"});
    EXPECT_EQ(odd.exit, 0);
    EXPECT_TRUE(odd.out.starts_with(R"({"tests":3,"responses":6,"unreadable":1,)")) << odd.out;
    EXPECT_NE(odd.err.find("1 parts of " + PathOf("quillet2.responses") + " do not read"), std::string::npos);
}

TEST_F(StatsTool, ABankShowsItsTextsAndTheQuestionsNeverAsked)
{
    const ToolRun run = Tool(
        {"stats", m_store, "--bank", Bank("!Networks\n@=SUM(1)\n#Asked nowhere?\n^Yes\n^No\n"), "--json"});
    EXPECT_EQ(run.exit, 0) << run.err;
    const std::string key = quillet::QuestionKey("Asked nowhere?");
    EXPECT_NE(run.out.find(R"j("never_asked":[{"chapter":"=SUM(1)","question":")j" + key +
                           R"j(","text":"Asked nowhere?"}])j"),
              std::string::npos)
        << run.out;
    const ToolRun text = Tool({"stats", m_store, "--bank", PathOf("bank.blh")});
    EXPECT_NE(text.out.find("\nNever asked:\n=SUM(1)  " + key + "\n  Asked nowhere?\n"), std::string::npos)
        << text.out;

    // The bank's course holds none of the tests: its title may have changed.
    const ToolRun other = Tool({"stats", m_store, "--bank", Bank("!Networking\n@Ch1\n#Q?\n^A\n")});
    EXPECT_EQ(other.exit, 0);
    EXPECT_NE(other.err.find("no graded test of the course \"Networking\""), std::string::npos) << other.err;
    EXPECT_NE(other.err.find("the answers kept are of \"Networks\""), std::string::npos) << other.err;
}

TEST_F(StatsTool, TheClassReportNeedsChartJsAndShowsNamesAsText)
{
    WriteStored("quillet2.blh",
                "u<img src=x onerror=alert(1)>\np\ntNetworks\nd20260301100000\ns000500\nr01\na02\n"
                "tNetworks\nd20260301143000\ns000500\nr02\na02\n");
    std::ofstream(PathOf("fake-chart.js")) << "/* stands in for Chart.js */";
    std::ofstream(PathOf("closing.js")) << "var a = '</SCRIPT>';";
    const std::string page = PathOf("report.html");
    const struct
    {
        std::string library;
        int exit;
        const char* said;
    } cases[] = {
        {PathOf("missing.js"), 1, "install the package libjs-chart.js"},
        {PathOf("closing.js"), 1, "cannot stand inside a page's script"},
        {PathOf("fake-chart.js"), 0, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.library);
        const ToolRun run = Tool({"report", "--html", page, m_store}, "QUILLET_CHART_JS=" + c.library + " ");
        EXPECT_EQ(run.exit, c.exit);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(std::filesystem::exists(page), c.exit == 0);
    }
    const std::string html = ReadFile(page);
    EXPECT_NE(html.find("/* stands in for Chart.js */"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_NE(html.find("<td>&lt;img src=x onerror=alert(1)&gt;</td>"), std::string::npos);
    // In the charts' figures too, where no < may stand.
    EXPECT_NE(html.find(R"j({"name":"\u003cimg src=x onerror=alert(1)\u003e",)j"
                        R"j("scores":[[1772359200,50,0],[1772375400,100,0]]})j"),
              std::string::npos);

    // The policy lets only the page's own scripts and style run, the sorting among them.
    static const std::regex policy("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                                   "'none'; script-src 'nonce-([0-9a-f]{32})'; "
                                   "style-src 'nonce-\\1'; img-src data:\">");
    std::smatch nonce;
    ASSERT_TRUE(std::regex_search(html, nonce, policy));
    const auto count = [&](const std::string& what)
    {
        std::ptrdiff_t n = 0;
        for (auto at = html.find(what); at != std::string::npos; at = html.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<script"), 4);
    EXPECT_EQ(count("<script nonce=\"" + nonce[1].str() + "\">"), 3);
    EXPECT_NE(html.find("document.querySelectorAll('table.sortable')"), std::string::npos);
    for (const char* part : {
             // Two scores on one day show their times.
             "<td>2026-03-01 10:00 50%, 2026-03-01 14:30 100%</td>",
             "<table id=\"question-table\" class=\"sortable\"><caption>Question statistics</caption>",
             "<th scope=\"col\" data-sort=\"facility\" class=\"number\"><button "
             "type=\"button\">Right</button></th>",
             "<th scope=\"col\" data-sort=\"rank\" class=\"number\" aria-sort=\"ascending\">",
             // The grid of the Tests: ann's one Test, its questions by their number.
             "<table id=\"answer-grid\"><caption>Answers by student and question</caption>",
             "<th scope=\"col\">Student</th><th scope=\"col\" class=\"number\"><a href=\"#q-1\"",
             "<tr><th scope=\"row\">ann</th><td class=\"right\">right</td><td class=\"wrong\">wrong, "
             "3</td></tr>",
             "<tr><th scope=\"row\">=SUM(1)</th><td class=\"number\">1 of 1 (100.0%)</td>",
         })
        EXPECT_NE(html.find(part), std::string::npos) << part;

    // Without --html, report is still one student's results e-mail.
    const ToolRun mail =
        Tool({"report", m_store, "--user", "<img src=x onerror=alert(1)>", "--course", "Networks", "--test"});
    EXPECT_EQ(mail.exit, 0) << mail.err;
    EXPECT_NE(mail.out.find("\nStudent: <img src=x onerror=alert(1)>\n"), std::string::npos) << mail.out;
}
