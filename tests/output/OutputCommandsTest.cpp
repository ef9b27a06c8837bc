// The results page's commands driven through the window as a student uses
// them: Print into PDF files, E-Mail through msmtp to a local SMTP server,
// Compare Previous and Compare National.
#include <QClipboard>
#include <QDesktopServices>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <ctime>
#include <memory>

#include "OutputTestSupport.h"
#include "RecordFileSupport.h"
#include "course/CourseReader.h"
#include "output/MailSender.h"
#include "output/ResultsView.h"
#include "testwin/EmailAddressDlg.h"
#include "testwin/QuilletDlg.h"
#include "testwin/ResultsCommands.h"
#include "testwin/WindowTestSupport.h"

using namespace outputtest;

namespace
{
const std::string kCourse = "Intro Course";
constexpr quillet::TimeSpan kTaken = 12 * 60 + 5;
// Twelve chapters of three give sections of two (chapters 1 to 8) and of one:
// chapter 1 half right, chapter 2 all wrong, the rest right; 17 of 20.
const QString kMarks17 = "wrww" + QString(16, 'r');
const QString kCertificatePrompt =
    "promptBox: Congratulations!\nWould you like to print a\nCertificate of Completion?";
const QString kResultsPrompt = "promptBox: \nPrint Results?";
const QString kLetter = "Page size: 792 x 612 pts (letter)";

quillet::TimeStamp LocalTime(int year, int month, int day, int hour = 10, int minute = 30)
{
    return quillet::MakeLocalTime(year, month, day, hour, minute, 0).value_or(0);
}

// A stored result of "test", "pretest" or the quiz of that chapter.
CResultEntry Result(const std::string& title, const std::string& kind, quillet::TimeStamp graded,
                    quillet::TimeSpan taken, int right, int total)
{
    const bool test = kind == "test" || kind == "pretest";
    const TestKind stored = !test ? TestKind::Quiz : kind == "pretest" ? TestKind::PreTest : TestKind::Test;
    return {stored, false, title, test ? "" : kind, graded, taken, right, total, {}, {}};
}

QString Marks(int right, int total)
{
    return QString(right, 'r') + QString(total - right, 'w');
}

// -raw keeps the drawing order, so a label and its value share a line.
QString PdfText(const QString& pdf)
{
    return RunTool("pdftotext", {"-raw", pdf, "-"});
}

QString PagesOf(const QString& pdf)
{
    QStringList kept;
    for (const QString& line : RunTool("pdfinfo", {pdf}).split('\n'))
        if (line.startsWith("Pages:") || line.startsWith("Page size:"))
            kept << line.simplified();
    return kept.join("; ");
}

// The patterns that match nowhere in the text (^ and $ match at line ends),
// with the text; empty when all match.
QString NotShown(const QString& text, const QStringList& patterns)
{
    QStringList missing;
    for (const QString& pattern : patterns)
        if (!QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch())
            missing << pattern;
    return missing.isEmpty() ? QString() : missing.join(" | ") + " not in:\n" + text;
}
}

class UrlCatcher : public QObject
{
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened << url; }
};

class OutputCommandsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_dir; // this test's own folder
    int m_run = 0;
    quillet::TimeStamp m_now = 0;
    quillet::TimeStamp m_graded = 0;
    CRandom m_random;
    UrlCatcher m_urls; // every web address the program opens

    QString Path(const QString& name) const { return m_dir + "/" + name; }
    std::string RecordFile() const
    {
        return QFile::encodeName(Path("records/") + kRecordFileName).toStdString();
    }
    // The desktop: a stand-in xdg-open first on the path, writing down what it is given.
    QString Desktop(const QString& name) const { return m_home.filePath("desktop/" + name); }
    QStringList Opened() const
    {
        QFile file(Desktop("opened"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QString JobPath(int n) const { return Path(QStringLiteral("job%1.pdf").arg(n)); }

    // The student Ann, password "pw", with these earlier results.
    void Seed(const std::vector<CResultEntry>& results = {}) const
    {
        CStudentRoster roster;
        QVERIFY(roster.AddStudent("Ann", "pw"));
        for (const CResultEntry& result : results)
            QVERIFY(roster.AddResult("Ann", "pw", std::make_unique<CResultEntry>(result)));
        QVERIFY(testrecords::WriteRecordFile(roster, RecordFile()));
    }

    // A window on its results page: Ann logged in, answered by `marks` in
    // test order ('r' right, 'w' wrong), graded at m_graded after kTaken.
    // Null when the window did not get there.
    std::unique_ptr<CQuilletDlg> Graded(const QString& kind, const QString& marks,
                                        const std::string& title = kCourse)
    {
        auto w = windowtest::WindowOn(RecordFile());
        w->SetClock([this] { return m_now; });
        const bool quiz = kind == "quiz";
        auto course = CCourseReader::LoadText(Bank(title, std::vector<int>(quiz ? 3 : 12, quiz ? 12 : 3)));
        w->SetRun(quiz ? quillet::TestRun::DrawQuiz(std::move(course), 3, m_random)
                       : quillet::TestRun::DrawTest(std::move(course), kind == "pretest", m_random));
        if (marks.size() != w->GetRun()->GetQuestionCount())
            return nullptr;
        w->OnInitDialog();
        w->show();
        qobject_cast<QLineEdit*>(w->Control(IDC_USER_NAME))->setText("Ann");
        qobject_cast<QLineEdit*>(w->Control(IDC_PASSWORD))->setText("pw");
        m_now = m_graded - kTaken;
        w->OnLoginNext();
        for (qsizetype i = 0; i < marks.size() && w->GetCurrent(); ++i)
        {
            const int right = w->GetCurrent()->GetCorrect();
            w->SelectAnswer(marks[i] == 'r' ? right : (right + 1) % 4);
            if (i + 1 < marks.size())
                w->OnNext();
        }
        m_now = m_graded;
        const QStringList grading = Answering({{"okButton"}}, [&] { w->OnNext(); });
        return grading.size() == 1 && w->GetPage() == PageResults ? std::move(w) : nullptr;
    }

    // Sends the next print job into the first job file not yet written.
    void PrintIntoNextJob()
    {
        int n = 1;
        while (QFile::exists(JobPath(n)))
            ++n;
        qputenv("QUILLET_PRINT_PDF", QFile::encodeName(JobPath(n)));
    }

    // Each job file as "results" or "certificate", with the paper when it is
    // not landscape Letter, one page for a certificate; the results page is
    // followed by a page of the questions to review when there are some.
    QStringList Jobs() const
    {
        QStringList jobs;
        for (int n = 1; QFile::exists(JobPath(n)); ++n)
        {
            const QString text = PdfText(JobPath(n));
            const bool results = text.contains("Results for");
            jobs << (results ? "results" : text.contains("Ann") ? "certificate" : "unreadable");
            const QString pages = PagesOf(JobPath(n));
            const QString expected =
                QStringLiteral("Pages: %1; ").arg(results && text.contains("Questions to Review") ? 2 : 1);
            if (pages != expected + kLetter)
                jobs.last() += " on " + pages;
        }
        return jobs;
    }

    QString Script(const QString& name, const QString& body, bool executable = true) const
    {
        QFile file(Path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(("#!/bin/sh\n" + body + "\n").toUtf8()) < 0)
            return {};
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                            (executable ? QFile::ExeOwner : QFile::Permission()));
        return file.fileName();
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            qputenv(xdg, QFile::encodeName(m_home.filePath(xdg)));
        // The window is handed its store; a record folder set here would
        // still draw the store's journals out of the test's data folder.
        qunsetenv("QUILLET_RECORD_DIR");
        // West of Greenwich: a day taken in UTC instead of local time shows,
        // as 23:59 here is already the next day there.
        qputenv("TZ", "XST5");
        tzset();
        for (const char* tool : {"pdftotext", "pdfinfo", "msmtp"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), "scripts/setup.sh installs it");
        // No test may ever reach a real browser or mail client.
        for (const char* scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(scheme, &m_urls, "open");
        QVERIFY(QDir().mkpath(Desktop("bin")));
        QFile opener(Desktop("bin/xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write(("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + Desktop("opened") + "'\n").toUtf8());
        opener.close();
        QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(Desktop("bin")) + ":" + qgetenv("PATH"));
    }

    void cleanupTestCase()
    {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
    }

    // Each test: its own folder, records and data folder, Ann without
    // results, graded at 10:30 on 22 March 2023, the same draws, no mail
    // program.
    void init()
    {
        m_dir = m_home.filePath(QStringLiteral("run%1").arg(++m_run));
        QVERIFY(QDir().mkpath(m_dir + "/records") && QDir().mkpath(m_dir + "/mail"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir + "/data"));
        qputenv("QUILLET_PRINT_PDF", QFile::encodeName(JobPath(1)));
        qputenv("QUILLET_SENDMAIL", QFile::encodeName(Path("no-mailer")));
        m_random.Seed(7);
        CRandom::Global().Seed(11);
        m_graded = LocalTime(2023, 3, 22);
        m_urls.opened.clear();
        QFile::remove(Desktop("opened"));
        Seed();
    }

    void dayWithOrdinal_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* text : {"1st", "2nd", "3rd", "4th", "11th", "12th", "13th", "20th", "21st", "22nd",
                                 "23rd", "24th", "30th", "31st"})
            QTest::newRow(text) << QString(text);
    }
    void dayWithOrdinal()
    {
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(quillet::DayWithOrdinal(text.chopped(2).toInt())), text);
    }

    void printOffersTheCertificateOnlyAfterAPassedTest_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QStringList>("jobs");
        const QStringList both{kCertificatePrompt, kResultsPrompt};
        const QString test15 = "test:" + Marks(15, 20);
        // clang-format off
        QTest::newRow("test 15 of 20, both") << test15 << QStringList{"okButton", "okButton"} << both
                                             << QStringList{"certificate", "results"};
        QTest::newRow("test 15 of 20, results only") << test15 << QStringList{"cancelButton", "okButton"} << both
                                                     << QStringList{"results"};
        QTest::newRow("test 15 of 20, neither") << test15 << QStringList{"cancelButton", "cancelButton"} << both
                                                << QStringList{};
        QTest::newRow("test 14 of 20") << "test:" + Marks(14, 20) << QStringList{} << QStringList{}
                                       << QStringList{"results"};
        QTest::newRow("pre-test 20 of 20") << "pretest:" + Marks(20, 20) << QStringList{} << QStringList{}
                                           << QStringList{"results"};
        QTest::newRow("quiz 10 of 10") << "quiz:" + Marks(10, 10) << QStringList{} << QStringList{}
                                       << QStringList{"results"};
        // clang-format on
    }
    void printOffersTheCertificateOnlyAfterAPassedTest()
    {
        QFETCH(QString, marks);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, prompts);
        QFETCH(QStringList, jobs);
        auto w = Graded(marks.section(':', 0, 0), marks.section(':', 1));
        QVERIFY(w);
        std::vector<Reply> replies;
        for (const QString& button : buttons)
            replies.push_back({button, {}, [this] { PrintIntoNextJob(); }});
        QCOMPARE(Answering(replies, [&] { w->OnPrint(); }), prompts);
        QCOMPARE(Jobs(), jobs);
        QVERIFY(w->isEnabled());
    }

    void eachPrintJobGetsItsOwnFile()
    {
        auto w = Graded("test", Marks(15, 20));
        QVERIFY(w);
        QFile old(Path("x.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("yesterday") == 9);
        old.close();
        qputenv("QUILLET_PRINT_PDF", QFile::encodeName(Path("x.pdf")));
        QCOMPARE(Answering({{"okButton"}, {"okButton"}}, [&] { w->OnPrint(); }),
                 (QStringList{kCertificatePrompt, kResultsPrompt}));
        QFile kept(Path("x.pdf"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("yesterday"));
        QVERIFY(PdfText(Path("x-2.pdf")).contains("Ann"));
        QVERIFY(PdfText(Path("x-3.pdf")).contains("Results for"));
        QVERIFY(!QFile::exists(Path("x-4.pdf")));
    }

    void printFailuresAreNamed()
    {
        auto w = Graded("quiz", Marks(10, 10));
        QVERIFY(w);
        const QString missing = Path("no such folder/job.pdf");
        qputenv("QUILLET_PRINT_PDF", QFile::encodeName(missing));
        QCOMPARE(Answering({}, [&] { w->OnPrint(); }),
                 QStringList{"messageBox: Failed to start print job. The file " + missing +
                             " cannot be written."});
    }

    void withoutAPrinterThePrintOutIsOfferedAsPdfFilesAskingOnce_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QStringList>("replies"); // button, and the file typed for "save"
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("saved"); // what each file written holds
        const QString cert = kCertificatePrompt;
        const QString noPrinter = QString("promptBox: ") + kNoPrinterQuestion;
        const QString documents = m_home.filePath("home/Documents/");
        const QString certFile = "pdfFileDialog: " + documents + "Intro Course Certificate 2023-03-22.pdf";
        const QString resultsFile =
            "pdfFileDialog: " + documents + "Intro Course Test Results 2023-03-22.pdf";
        const QString savedIn = "messageBox: The print-out is saved as the file %1 in the folder {run}.";
        // clang-format off
        QTest::newRow("certificate and results saved") << Marks(15, 20)
            << QStringList{"okButton", "okButton", "save:cert.pdf", "okButton", "okButton", "save:results.pdf"}
            << QStringList{cert, noPrinter, certFile, savedIn.arg("cert.pdf"), kResultsPrompt, resultsFile,
                           savedIn.arg("results.pdf")}
            << QStringList{"certificate", "results"};
        QTest::newRow("declined: told once") << Marks(15, 20)
            << QStringList{"okButton", "cancelButton", "okButton"}
            << QStringList{cert, noPrinter, kResultsPrompt} << QStringList{};
        QTest::newRow("file dialog cancelled") << Marks(12, 20)
            << QStringList{"okButton", "cancel:"} << QStringList{noPrinter, resultsFile} << QStringList{};
        // clang-format on
    }
    void withoutAPrinterThePrintOutIsOfferedAsPdfFilesAskingOnce()
    {
        QFETCH(QString, marks);
        QFETCH(QStringList, replies);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, saved);
        // The documents folder the file dialog starts in.
        const QByteArray home = qgetenv("HOME");
        const auto restore = qScopeGuard([&] { qputenv("HOME", home); });
        qputenv("HOME", QFile::encodeName(m_home.filePath("home")));
        QVERIFY(QDir().mkpath(m_home.filePath("home/Documents")));
        struct NoPrinter : CResultsView
        {
            bool PreparePrinter(QPrinter&) override { return false; }
        } view;
        auto w = Graded("test", marks);
        QVERIFY(w);
        w->SetPrintView(&view);
        std::vector<Reply> answers;
        for (const QString& reply : replies)
            answers.push_back(
                {reply.section(':', 0, 0), reply.contains(':') ? Path(reply.section(':', 1)) : ""});
        QCOMPARE(Answering(answers, [&] { w->OnPrint(); }), boxes.replaceInStrings("{run}", m_dir));
        QStringList written;
        for (const QString file : {"cert.pdf", "results.pdf"})
            if (QFile::exists(Path(file)))
                written << (PdfText(Path(file)).contains("Results for") ? "results" : "certificate");
        QCOMPARE(written, saved);
        QVERIFY(w->isEnabled());
    }

    void printedResultsListTheQuestionsToReviewWithTheirNotes()
    {
        // Every answer with a note; the bank lists the right one first.
        std::string bank = "!Intro Course\n@Ch1\n";
        for (int q = 1; q <= 20; ++q)
            bank += "#Question " + std::to_string(q) + "\n^right\n}because it is right " + std::to_string(q) +
                    "\n^wrong\n}wrong for a reason " + std::to_string(q) + "\n";
        auto w = windowtest::WindowOn(RecordFile());
        m_now = m_graded;
        w->SetClock([this] { return m_now; });
        w->SetRun(quillet::TestRun::DrawTest(CCourseReader::LoadText(bank), false, m_random));
        w->OnInitDialog();
        qobject_cast<QLineEdit*>(w->Control(IDC_USER_NAME))->setText("Ann");
        qobject_cast<QLineEdit*>(w->Control(IDC_PASSWORD))->setText("pw");
        w->OnLoginNext();
        // The third question wrong, the fifth left open, the rest right.
        for (int i = 0; i < 20; ++i)
        {
            if (i != 4)
                w->SelectAnswer(i == 2 ? 1 - w->GetCurrent()->GetCorrect() : w->GetCurrent()->GetCorrect());
            if (i < 19)
                w->OnNext();
        }
        QCOMPARE(Answering({{"okButton"}}, [&] { w->OnNext(); }).size(), 1);
        QCOMPARE(Answering({{"cancelButton"}, {"okButton"}}, [&] { w->OnPrint(); }),
                 (QStringList{kCertificatePrompt, kResultsPrompt}));
        QCOMPARE(Jobs(), QStringList{"results"});
        // After the results page, the wrong and the open question, in test order, with their notes.
        const QString text = PdfText(JobPath(1));
        QCOMPARE(
            NotShown(text, {"Questions to Review$",
                            "^3\\) Question (\\d+)\nYour answer: wrong\nRight answer: right\n"
                            "Your answer: wrong for a reason \\1\nRight answer: because it is right \\1$",
                            "^5\\) Question (\\d+)\nNot answered\nRight answer: right\n"
                            "Right answer: because it is right \\1$"}),
            QString());
        QCOMPARE(text.count("Right answer: right"), 2);
    }

    void resultsPageShowsTheFiguresAndAtMostTenChapters_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("hidden");
        // clang-format off
        // With the earlier 5 of 10 the Test was taken twice: (5 + 17) / 30 = 73%.
        QTest::newRow("test of twelve chapters") << "test" << "Intro Course" << kMarks17 << QStringList{
            "^Test Results for Intro Course$", R"(^03/22/2023 10:30 AM$)", "^Test Duration: 00:12:05$",
            "^Total Number of Questions: 20$", "^Number of Correct Answers: 17$", "^This Test taken: 2 Times$",
            "^Average for this Test: 73%$", "^Percent Correct:$", "^85%$", "^Student: Ann$",
            R"(^Chapter 1: Ch1 50% \(1/2\)$)", R"(^Chapter 2: Ch2 0% \(0/2\)$)", R"(^Chapter 8: Ch8 100% \(2/2\)$)",
            R"(^Chapter 10: Ch10 100% \(1/1\)$)"} << "Chapter 11";
        // The quiz of chapter 2 taken earlier is another quiz.
        QTest::newRow("quiz of chapter 3") << "quiz" << "Intro Course" << "rrrwrrwrwr" << QStringList{
            "^Quiz Results for Intro Course: Chapter 3$", "^Quiz Duration: 00:12:05$",
            "^Total Number of Questions: 10$", "^This Quiz taken: 1 Times$", "^Average for this Quiz: 70%$"}
            << "Chapter 1:";
        QTest::newRow("quiz of a course titled with a printf format") << "quiz" << "C printf: %2d and %3d"
            << Marks(10, 10) << QStringList{"^Quiz Results for C printf: %2d and %3d: Chapter 3$"} << "";
        // clang-format on
    }
    void resultsPageShowsTheFiguresAndAtMostTenChapters()
    {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, marks);
        QFETCH(QStringList, shown);
        QFETCH(QString, hidden);
        Seed({Result(kCourse, "test", LocalTime(2023, 3, 1), 600, 5, 10),
              Result(kCourse, "Ch2", LocalTime(2023, 3, 2), 60, 1, 10)});
        auto w = Graded(kind, marks, title.toStdString());
        QVERIFY(w);
        // The Test's 85% is offered the certificate first: declined.
        Answering({{"cancelButton"}, {"okButton"}}, [&] { w->OnPrint(); });
        QCOMPARE(Jobs(), QStringList{"results"});
        const QString text = PdfText(JobPath(1));
        QCOMPARE(NotShown(text, shown), QString());
        QVERIFY(hidden.isEmpty() || !text.contains(hidden));
    }

    void certificateShowsCourseNameDateAndScore_data()
    {
        QTest::addColumn<quillet::TimeStamp>("graded");
        QTest::addColumn<int>("right");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("22 March") << LocalTime(2023, 3, 22) << 15
                                  << QStringList{"^22nd March, 2023$", "^75%$"};
        QTest::newRow("1 February, late")
            << LocalTime(2024, 2, 1, 23, 59) << 20 << QStringList{"^1st February, 2024$", "^100%$"};
        QTest::newRow("13 December") << LocalTime(2023, 12, 13, 0, 1) << 19
                                     << QStringList{"^13th December, 2023$", "^95%$"};
    }
    void certificateShowsCourseNameDateAndScore()
    {
        QFETCH(quillet::TimeStamp, graded);
        QFETCH(int, right);
        QFETCH(QStringList, shown);
        m_graded = graded;
        auto w = Graded("test", Marks(right, 20));
        QVERIFY(w);
        QCOMPARE(Answering({{"okButton"}, {"cancelButton"}}, [&] { w->OnPrint(); }),
                 (QStringList{kCertificatePrompt, kResultsPrompt}));
        QCOMPARE(Jobs(), QStringList{"certificate"});
        QCOMPARE(NotShown(PdfText(JobPath(1)), shown + QStringList{"^Intro Course$", "^Ann$"}), QString());
    }

    void emailGoesToTheMailProgram_data()
    {
        QTest::addColumn<QString>("mailer");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("to"); // the To line of the message sent; empty: none sent
        const QString box = "emailAddressBox";
        const QString failed = "messageBox: Send Mail failed to send message. The results were not sent.";
        const QString copy = QString("promptBox: ") + quillet::kMailCopyQuestion;
        const QString ann = "ann@example.org";
        // clang-format off
        const QString sent = "messageBox: Results sent to ann@example.org.";
        const QString one = "messageBox: Please enter one e-mail address, like name@example.org.";
        QTest::newRow("sent over SMTP") << "smtp" << "okButton" << ann << QStringList{box, sent}
                                        << "To: Test Result Recipient <ann@example.org>";
        QTest::newRow("login refused") << "smtp-refusing" << "okButton" << ann
                                       << QStringList{box, QString("messageBox: ") + quillet::kMailLoginRefused +
                                                      " The results were not sent.", copy} << "";
        QTest::newRow("server down") << "smtp-down" << "okButton" << ann << QStringList{box, failed, copy} << "";
        QTest::newRow("no mail program: the desktop's") << "missing" << "okButton" << ann
                                         << QStringList{box, "messageBox: Your mail program opens a message with "
                                                        "the results to ann@example.org: check it and press Send there."}
                                         << "";
        QTest::newRow("not executable") << "not-executable" << "okButton" << ann
                                        << QStringList{box, "messageBox: Mail system DLL is invalid. "
                                                       "The results were not sent.", copy} << "";
        QTest::newRow("address with blanks") << "capture" << "okButton" << "ann at example .org"
                                             << QStringList{box, one, box} << "";
        QTest::newRow("three addresses") << "capture" << "okButton"
                                         << "teacher@school.example>, spy@evil.example, <x@y.example"
                                         << QStringList{box, one, box} << "";
        QTest::newRow("captured") << "capture" << "okButton" << ann << QStringList{box, sent}
                                  << "To: Test Result Recipient <ann@example.org>";
        QTest::newRow("cancelled") << "capture" << "cancelButton" << ann << QStringList{box} << "";
        QTest::newRow("empty address") << "capture" << "okButton" << "" << QStringList{box} << "";
        QTest::newRow("line break in the address") << "capture" << "okButton" << ann + "\nBcc: eve@example.org"
                                                   << QStringList{box, one, box} << "";
        // clang-format on
    }
    void emailGoesToTheMailProgram()
    {
        QFETCH(QString, mailer);
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QStringList, boxes);
        QFETCH(QString, to);
        const QString mail = Path("mail");
        QProcess sink;
        const auto stopSink = qScopeGuard(
            [&]
            {
                sink.kill();
                sink.waitForFinished(10'000);
            });
        QString program = Path("no-mailer");
        if (mailer.startsWith("smtp"))
        {
            const int port = StartSmtpSink(sink, QUILLET_SMTP_SINK, mail, mailer == "smtp-refusing");
            QVERIFY2(port > 0, "no SMTP sink: scripts/setup.sh installs python3-aiosmtpd");
            if (mailer == "smtp-down")
            {
                sink.kill();
                sink.waitForFinished(10'000);
            }
            const QString login =
                mailer == "smtp-refusing" ? "--auth=plain --user=ann --passwordeval='echo no' " : "";
            program =
                Script("msmtp-wrapper", QStringLiteral("exec msmtp -C /dev/null --host=127.0.0.1 --port=%1 "
                                                       "--timeout=20 --from=testresults@pellmark.example ")
                                                .arg(port) +
                                            login + "\"$@\"");
        }
        else if (mailer == "capture")
            program = Script("capture", QString("printf '%s\\n' \"$@\" > '%1/message1.args'\n"
                                                "cat > '%1/part' && mv '%1/part' '%1/message1.eml'")
                                            .arg(mail));
        else if (mailer == "not-executable")
            program = Script("not-executable", "exit 0", false);
        qputenv("QUILLET_SENDMAIL", QFile::encodeName(program));

        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        // A refused address comes back in the box as typed; the offer of a copy is declined.
        QString reopened;
        const auto look = [&]
        {
            if (auto* again = qobject_cast<CEmailAddressDlg*>(QApplication::activeModalWidget()))
                reopened = again->findChild<QLineEdit*>()->text();
        };
        QCOMPARE(
            Answering({{button, typed}, {"okButton"}, {"cancelButton", {}, look}}, [&] { w->OnEMail(); }),
            boxes);
        QCOMPARE(reopened, boxes.size() == 3 && boxes[2] == "emailAddressBox" ? typed : QString());
        QVERIFY(w->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        const QStringList messages = Stored(mail, ".eml");
        QCOMPARE(messages.size(), to.isEmpty() ? 0 : 1);
        // Without a mail program, the desktop's mail client gets the message, to be sent by the student.
        if (mailer == "missing")
        {
            QTRY_COMPARE(Opened().size(), 1);
            QVERIFY2(
                Opened()[0].startsWith(
                    "mailto:ann@example.org?subject=Test%20Results%3A%20Ann%2C%20Intro%20Course%2C%2017%2F20"
                    "&body=Test%20Results%20for%20Intro%20Course%0D%0A%0D%0ADate"),
                qPrintable(Opened()[0]));
        }
        else
            QCOMPARE(Opened(), QStringList{});
        if (to.isEmpty())
            return;
        QCOMPARE(NotShown(messages[0], {"^From: Pellmark Testing <testresults@pellmark.example>$",
                                        "^" + QRegularExpression::escape(to) + "$",
                                        "^Subject: Test Results: Ann, Intro Course, 17/20$",
                                        "^Test Results for Intro Course$", "^Student: Ann$",
                                        "^Percent Correct: 85%$", R"(^Chapter 1: Ch1    50% \(1/2\)$)"}),
                 QString());
        if (mailer == "capture")
            QCOMPARE(Stored(mail, ".args"), QStringList{"-i\n-t\n"});
        else
            QCOMPARE(Stored(mail, ".rcpt"), QStringList{"ann@example.org\n"});
    }

    void mailProgramThatNeverEndsIsCancelledOrStopped_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("cancelled") << true << QStringList{"emailAddressBox"};
        QTest::newRow("deadline") << false
                                  << QStringList{"emailAddressBox",
                                                 QString("messageBox: ") + quillet::kMailTimedOut,
                                                 QString("promptBox: ") + quillet::kMailCopyQuestion};
    }
    void mailProgramThatNeverEndsIsCancelledOrStopped()
    {
        QFETCH(bool, cancel);
        QFETCH(QStringList, boxes);
        const QString pidFile = Path("mail/sleeper.pid");
        qputenv("QUILLET_SENDMAIL",
                QFile::encodeName(Script("sleeper", "echo $$ > '" + pidFile + "'\nexec sleep 300")));
        quillet::SetMailDeadline(cancel ? 60'000 : 300);
        const auto restore = qScopeGuard([] { quillet::SetMailDeadline(60'000); });
        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        // The window's loop runs while the mail program does: this timer sees the busy box.
        bool busy = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout,
                [&]
                {
                    auto* box = qobject_cast<CBusyDlg*>(QApplication::activeModalWidget());
                    if (!box || !QFile::exists(pidFile))
                        return;
                    busy = true;
                    if (cancel)
                        QTest::mouseClick(box->findChild<QAbstractButton*>("cancelButton"), Qt::LeftButton);
                });
        watch.start(20);
        QCOMPARE(Answering({{"okButton", "ann@example.org"}, {"okButton"}}, [&] { w->OnEMail(); }), boxes);
        QVERIFY(busy);
        QVERIFY(!QApplication::overrideCursor());
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        QCOMPARE(::kill(pid.readAll().trimmed().toInt(), 0), -1); // stopped and reaped
    }

    void failedMailOffersTheResultsToCopyWithAPdf_data()
    {
        QTest::addColumn<QString>(
            "failing"); // "opener": the desktop's xdg-open exits 3; "mailer": sendmail exits 1
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("copied");
        const QString told = "messageBox: %1 The results were not sent.";
        const QString copy = QString("promptBox: ") + quillet::kMailCopyQuestion;
        const QString dialog = "pdfFileDialog: " + m_home.filePath("home/Documents/") +
                               "Intro Course Test Results 2023-03-22.pdf";
        const QString pasted =
            "messageBox: The results are copied: paste them into a new message to ann@example.org.";
        const QString noClient = told.arg(quillet::kMailNoClient);
        // clang-format off
        QTest::newRow("opener fails: copied, PDF saved") << "opener"
            << QStringList{"okButton", "save:results.pdf"}
            << QStringList{noClient, copy, dialog, pasted + "\nAttach the file results.pdf in the folder {run}."}
            << true;
        QTest::newRow("opener fails: copied, no PDF") << "opener" << QStringList{"okButton", "cancel:"}
            << QStringList{noClient, copy, dialog, pasted} << true;
        QTest::newRow("mailer fails: declined") << "mailer" << QStringList{"cancelButton"}
            << QStringList{told.arg(quillet::kMailSendFailed), copy} << false;
        // clang-format on
    }
    void failedMailOffersTheResultsToCopyWithAPdf()
    {
        QFETCH(QString, failing);
        QFETCH(QStringList, replies);
        QFETCH(QStringList, boxes);
        QFETCH(bool, copied);
        const QByteArray home = qgetenv("HOME");
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard(
            [&]
            {
                qputenv("HOME", home);
                qputenv("PATH", path);
            });
        qputenv("HOME", QFile::encodeName(m_home.filePath("home")));
        QVERIFY(QDir().mkpath(m_home.filePath("home/Documents")) && QDir().mkpath(Path("bin")));
        // As xdg-open answers for mailto: on a desktop without a mail client.
        QVERIFY(!Script("bin/xdg-open", "echo 'xdg-open: no method available for opening' >&2\nexit 3")
                     .isEmpty());
        qputenv("PATH", QFile::encodeName(Path("bin")) + ":" + path);
        if (failing == "mailer")
            qputenv("QUILLET_SENDMAIL", QFile::encodeName(Script("failing", "exit 1")));
        QApplication::clipboard()->setText("the student's own");
        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        std::vector<Reply> answers{{"okButton", "ann@example.org"}, {"okButton"}};
        for (const QString& reply : replies)
            answers.push_back(
                {reply.section(':', 0, 0), reply.contains(':') ? Path(reply.section(':', 1)) : QString()});
        QCOMPARE(Answering(answers, [&] { w->OnEMail(); }),
                 QStringList{"emailAddressBox"} + boxes.replaceInStrings("{run}", m_dir));
        const QString clipboard = QApplication::clipboard()->text();
        if (copied)
            QVERIFY2(clipboard.startsWith(
                         "To: ann@example.org\nSubject: Test Results: Ann, Intro Course, 17/20\n\n"
                         "Test Results for Intro Course") &&
                         clipboard.contains("Percent Correct: 85%"),
                     qPrintable(clipboard));
        else
            QCOMPARE(clipboard, QString("the student's own"));
        QCOMPARE(QFile::exists(Path("results.pdf")), replies.contains("save:results.pdf"));
        QCOMPARE(Opened(), QStringList{});
    }

    void missingMailProgramIsLookedForAgain()
    {
        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        {
            // Nothing on the desktop opens mail either: no xdg-open on the path.
            const QByteArray path = qgetenv("PATH");
            qputenv("PATH", QFile::encodeName(Path("records")));
            const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
            QCOMPARE(Answering({{"okButton", "ann@example.org"}, {"okButton"}}, [&] { w->OnEMail(); }),
                     (QStringList{"emailAddressBox",
                                  QString("messageBox: ") + quillet::kMailLoadFailed +
                                      " The results were not sent.",
                                  QString("promptBox: ") + quillet::kMailCopyQuestion}));
        }
        qputenv("QUILLET_SENDMAIL",
                QFile::encodeName(Script("capture", "cat > '" + Path("mail/message1.eml") + "'")));
        QCOMPARE(Answering({{"okButton", "ann@example.org"}}, [&] { w->OnEMail(); }),
                 (QStringList{"emailAddressBox", "messageBox: Results sent to ann@example.org."}));
        QCOMPARE(NotShown(Stored(Path("mail"), ".eml").join(""), {"^Subject: Test Results: Ann, "}),
                 QString());
    }

    void compareNationalOpensTheAddressOnlyAfterATest_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("query"); // empty: nothing is opened
        QTest::newRow("test 17 of 20")
            << "test" << kMarks17 << "TN=%22Intro%20Course%22&TQ=20&CQ=17&HT=00&MT=12&ST=05";
        QTest::newRow("pre-test") << "pretest" << kMarks17 << "";
        QTest::newRow("quiz") << "quiz" << Marks(10, 10) << "";
    }
    void compareNationalOpensTheAddressOnlyAfterATest()
    {
        QFETCH(QString, kind);
        QFETCH(QString, marks);
        QFETCH(QString, query);
        auto w = Graded(kind, marks);
        QVERIFY(w);
        w->OnCompareNational();
        QCOMPARE(m_urls.opened.size(), query.isEmpty() ? 0 : 1);
        if (query.isEmpty())
            return;
        const QByteArray address = m_urls.opened[0].toEncoded();
        QVERIFY2(address.startsWith("http://") &&
                     address.endsWith("/tovrin/worldave.asp?" + query.toLatin1()),
                 address.constData());
    }

    void compareNationalTellsWhenThePageCannotBeOpened()
    {
        // openUrl answers false when the handler cannot be called, as it does
        // when the desktop refuses an address; UrlCatcher has no refuse().
        QDesktopServices::setUrlHandler("http", &m_urls, "refuse");
        const auto restore = qScopeGuard([&] { QDesktopServices::setUrlHandler("http", &m_urls, "open"); });
        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method UrlCatcher::refuse"));
        QCOMPARE(Answering({{"okButton"}}, [&] { w->OnCompareNational(); }),
                 QStringList{"messageBox: The national-average page could not be opened: "
                             "http://www.pellmark.example/tovrin/worldave.asp."});
    }

    void administratorSetsTheNationalPageAndTheSender()
    {
        const QString ini = qEnvironmentVariable("XDG_CONFIG_HOME") + "/quillet/quillet.ini";
        QVERIFY(QDir().mkpath(QFileInfo(ini).path()));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Results]\nNationalAverageAddress=https://stats.school.example/avg\n"
                   "MailSenderName=School Results\nMailSenderAddress=results@school.example\n");
        file.close();
        // The environment overrides the file; a value that cannot be used is passed over.
        qputenv("QUILLET_MAIL_FROM", "office@school.example");
        qputenv("QUILLET_NATIONAL_AVERAGE_URL", "javascript:alert(1)");
        const auto restore = qScopeGuard(
            [&]
            {
                QFile::remove(ini);
                qunsetenv("QUILLET_MAIL_FROM");
                qunsetenv("QUILLET_NATIONAL_AVERAGE_URL");
            });
        qputenv("QUILLET_SENDMAIL",
                QFile::encodeName(Script("capture", "cat > '" + Path("mail/message1.eml") + "'")));
        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        w->OnCompareNational();
        QCOMPARE(m_urls.opened.size(), 1);
        QVERIFY2(m_urls.opened[0].toEncoded().startsWith("https://stats.school.example/avg?TN="),
                 m_urls.opened[0].toEncoded().constData());
        QCOMPARE(Answering({{"okButton", "ann@example.org"}}, [&] { w->OnEMail(); }),
                 (QStringList{"emailAddressBox", "messageBox: Results sent to ann@example.org."}));
        QCOMPARE(NotShown(Stored(Path("mail"), ".eml").join(""),
                          {"^From: School Results <office@school.example>$"}),
                 QString());
    }

    void comparePreviousListsTheEightNewestResultsOfThisTest()
    {
        // Nine earlier Tests on 1 to 9 March at 9:05, the i-th i of 10 right
        // in i minutes 5 seconds; a Pre-Test and another course among them.
        std::vector<CResultEntry> earlier;
        for (int i = 1; i <= 9; ++i)
            earlier.push_back(Result(kCourse, "test", LocalTime(2023, 3, i, 9, 5), 60 * i + 5, i, 10));
        earlier.insert(earlier.begin() + 5,
                       {Result(kCourse, "pretest", LocalTime(2023, 3, 5, 11), 5, 1, 20),
                        Result("Other Course", "test", LocalTime(2023, 3, 5, 12), 5, 2, 20)});
        Seed(earlier);
        auto w = Graded("test", kMarks17);
        QVERIFY(w);
        QString table = "date      time     speed        score   \n";
        for (int i = 3; i <= 9; ++i)
            table += QStringLiteral("03/0%1/2023  09:05AM  00:0%1:05   %1/10   ").arg(i) +
                     QString::number(i * 10) + "%\n";
        table += "03/22/2023  10:30AM  00:12:05  17/20   85%\n";
        QCOMPARE(Answering({{"okButton"}}, [&] { w->OnComparePrevious(); }),
                 QStringList{"messageBox: " + table});
    }
};

QTEST_MAIN(OutputCommandsTest)
#include "OutputCommandsTest.moc"
