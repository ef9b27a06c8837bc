// The test window driven as a student drives it: every road runs inside the
// window's own modal loop, clicking its controls and answering its boxes.
#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>

#include "WindowTestSupport.h"
#include "course/CourseReader.h"
#include "records/StudentRoster.h"
#include "testwin/QuilletDlg.h"

using windowtest::Bank;

namespace
{
constexpr quillet::TimeStamp kLogin = 1'000'000'000;
constexpr int kLeftOpen = 99;

QLineEdit* Edit(CQuilletDlg& w, int id)
{
    return qobject_cast<QLineEdit*>(w.Control(id));
}

// The drawn questions in test order.
std::vector<CQuestion*> InOrder(const CQuilletDlg& w)
{
    std::vector<CQuestion*> all;
    if (w.m_pQuiz)
        for (int i = 0; i < w.m_pQuiz->GetCount(); ++i)
            all.push_back(w.m_pQuiz->GetAt(i));
    else if (w.m_pTest)
        for (int c = 0; c < w.m_pTest->GetCount(); ++c)
            for (int i = 0; i < w.m_pTest->GetAt(c)->GetCount(); ++i)
                all.push_back(w.m_pTest->GetAt(c)->GetAt(i));
    return all;
}

int WrongAnswer(const CQuestion& q)
{
    return (q.GetCorrect() + 1) % (q.IsTrueFalse() ? 2 : q.GetAnswerCount());
}

// Visible controls, the answer buttons left out.
QList<int> Shown(CQuilletDlg& w)
{
    QList<int> ids;
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        if ((id < IDC_ANSWER_A || id > IDC_ANSWER_D) && w.Control(id)->isVisible())
            ids << id;
    return ids;
}

int VisibleAnswers(CQuilletDlg& w)
{
    int count = 0;
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        count += w.Control(id)->isVisible() ? 1 : 0;
    return count;
}

// Compares the part of a grab that no text or focus frame can cover.
bool Shows(QWidget* control, int bitmap, const QRect& at, QPoint from)
{
    const QImage shown = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = LoadSkinBitmap(bitmap).convertToFormat(QImage::Format_RGB32);
    return shown.copy(at) == picture.copy(QRect(from, at.size()));
}

bool ShowsMarker(CQuilletDlg& w, int answer, int bitmap)
{
    return Shows(w.Control(IDC_ANSWER_A + answer), bitmap, QRect(4, 2, 21, 21), QPoint(2, 2));
}

int ResultCount(const CStudentRoster* roster, const std::string& name = "Ann")
{
    return roster ? roster->GetResultCount(roster->FindStudent(name)) : -1;
}
}

class WindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    int m_run = 0;
    quillet::TimeStamp m_now = kLogin;
    CRandom m_random;
    windowtest::BoxAnswerer* m_boxes = nullptr;

    std::unique_ptr<CQuilletDlg> Window(const QString& kind, const std::string& bank, int chapter = 1)
    {
        auto w = std::make_unique<CQuilletDlg>();
        w->m_clock = [this] { return m_now; };
        auto course = CCourseReader::LoadText(bank);
        if (kind == "none" || !course)
            return w;
        w->m_strCourseTitle = course->GetName();
        if (kind == "quiz")
        {
            w->m_nChapter = chapter;
            w->m_pSourceChapter = course->GetAt(chapter - 1);
            w->m_pQuiz = w->m_pSourceChapter->Draw(10, m_random);
        }
        else
        {
            w->m_bPreTest = kind == "pretest";
            w->m_pTest = course->DrawTest(20, w->m_bPreTest, m_random);
        }
        w->m_pCourse = std::move(course);
        return w;
    }

    // Runs the window with the script acting inside its modal loop; closes it
    // afterwards if the script left it open.
    int Drive(CQuilletDlg& w, const std::function<void()>& script)
    {
        QTimer::singleShot(0, &w, [&] {
            QApplication::setActiveWindow(&w);
            (void)QTest::qWaitForWindowActive(&w);
            script();
            if (w.isVisible())
                static_cast<QDialog&>(w).done(kLeftOpen);
        });
        return w.DoModal();
    }

    void Click(CQuilletDlg& w, int id)
    {
        QWidget* control = w.Control(id);
        QVERIFY2(control->isVisible(), qPrintable(QString::number(id)));
        QTest::mouseClick(control, Qt::LeftButton);
    }

    void Choose(CQuilletDlg& w, int answer) { Click(w, IDC_ANSWER_A + answer); }

    // Logs in as a new student, confirming the password.
    bool LogIn(CQuilletDlg& w, const QString& name = "Ann", const QString& password = "pw")
    {
        Edit(w, IDC_USER_NAME)->setText(name);
        Edit(w, IDC_PASSWORD)->setText(password);
        m_boxes->Plan("okButton", password);
        Click(w, IDC_LOGIN_NEXT);
        return m_boxes->Take() == QStringList{"confirmPasswordBox"} && w.GetPage() != PageLogin;
    }

    // From the first question: 'r' answers right, 'w' wrong, '-' nothing,
    // with Next in between; ends on the last question.
    bool AnswerAll(CQuilletDlg& w, const std::string& marks)
    {
        const auto all = InOrder(w);
        if (all.size() != marks.size())
            return false;
        for (std::size_t i = 0; i < all.size(); ++i)
        {
            if (w.GetCurrent() != all[i])
                return false;
            if (marks[i] != '-')
                Choose(w, marks[i] == 'r' ? all[i]->GetCorrect() : WrongAnswer(*all[i]));
            if (i + 1 < all.size())
                Click(w, IDC_NEXT);
        }
        return m_boxes->Take().isEmpty();
    }

    // Next past the last question, answering the grading prompt.
    QStringList Grade(CQuilletDlg& w, const QString& button = "okButton")
    {
        m_boxes->Plan(button);
        Click(w, IDC_NEXT);
        return m_boxes->Take();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        for (const char* dir : {"data", "config", "runtime", "records"})
            QVERIFY(QDir(m_home.path()).mkpath(dir));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.filePath("runtime")));
        qputenv("QUILLET_RECORD_DIR", QFile::encodeName(m_home.filePath("records")));
    }

    // Every test starts with no record file, the same draws and the login time.
    void init()
    {
        const QString records = m_home.filePath(QStringLiteral("records/%1").arg(++m_run));
        QVERIFY(QDir().mkpath(records));
        qputenv("QUILLET_RECORD_DIR", QFile::encodeName(records));
        m_random.Seed(7);
        CRandom::Global().Seed(11);
        m_now = kLogin;
        m_boxes = new windowtest::BoxAnswerer(this);
    }

    void cleanup()
    {
        delete m_boxes;
        m_boxes = nullptr;
    }

    void captionAndFirstPageFollowWhatWasDrawn_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("page");
        QTest::newRow("no course") << "none" << "Quillet" << int(PageEmpty);
        QTest::newRow("quiz") << "quiz" << "Skillstep Quiz for Networks: Chapter 3" << int(PageQuiz);
        QTest::newRow("pre-test") << "pretest" << "Pre-Test for Networks" << int(PageTest);
        QTest::newRow("test") << "test" << "Test for Networks" << int(PageTest);
    }
    void captionAndFirstPageFollowWhatWasDrawn()
    {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(int, page);
        auto w = Window(kind, Bank({4, 4, 4}, {2, 2, 2}), 3);
        Drive(*w, [&] {
            QCOMPARE(w->windowTitle(), caption);
            QCOMPARE(w->GetPage(), int(PageLogin));
            QCOMPARE(Shown(*w), (QList<int>{IDC_LOGIN_NEXT, IDC_USER_NAME, IDC_PASSWORD}));
            QVERIFY(LogIn(*w));
            QCOMPARE(w->GetPage(), page);
            if (page == PageEmpty)
            {
                QCOMPARE(Shown(*w), QList<int>());
                QCOMPARE(VisibleAnswers(*w), 0);
            }
        });
    }

    void newStudentComesIntoTheRecordsOnlyWhenConfirmed()
    {
        auto w = Window("test", Bank({10, 10}));
        Drive(*w, [&] {
            Edit(*w, IDC_USER_NAME)->setText("Ann");
            Edit(*w, IDC_PASSWORD)->setText("pw");
            bool nothingYet = false;
            m_boxes->Plan("okButton", "pw", [&] { nothingYet = !w->GetRoster() && !QFile::exists(RecordFile()); });
            Click(*w, IDC_LOGIN_NEXT);
            QCOMPARE(m_boxes->Take(), QStringList{"confirmPasswordBox"});
            QVERIFY(nothingYet);
            QCOMPARE(w->GetPage(), int(PageTest));
            QVERIFY(w->GetRoster() && w->GetRoster()->CheckPassword("Ann", "pw"));
        });
        const auto stored = ReadRoster(kRecordFileName);
        QVERIFY(stored);
        QCOMPARE(stored->GetStudentCount(), 1);
        QVERIFY(stored->CheckPassword("Ann", "pw"));
    }

    void refusedOrCancelledConfirmationCreatesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("passwordAfter");
        const QString alert = "alertBox: Invalid Password|Please Re-enter Password.";
        QTest::newRow("cancel") << "cancelButton" << "pw" << QStringList{"confirmPasswordBox"} << "pw";
        QTest::newRow("escape") << "escape" << "pw" << QStringList{"confirmPasswordBox"} << "pw";
        QTest::newRow("other text") << "okButton" << "pW" << QStringList{"confirmPasswordBox", alert} << "";
    }
    void refusedOrCancelledConfirmationCreatesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QStringList, boxes);
        QFETCH(QString, passwordAfter);
        auto w = Window("test", Bank({10, 10}));
        Drive(*w, [&] {
            Edit(*w, IDC_USER_NAME)->setText("Ann");
            Edit(*w, IDC_PASSWORD)->setText("pw");
            m_boxes->Plan(button, typed);
            m_boxes->Plan("okButton");
            Click(*w, IDC_LOGIN_NEXT);
            QCOMPARE(m_boxes->Take(), boxes);
            QCOMPARE(w->GetPage(), int(PageLogin));
            QVERIFY(!w->GetRoster());
            QCOMPARE(Edit(*w, IDC_USER_NAME)->text(), QString("Ann"));
            QCOMPARE(Edit(*w, IDC_PASSWORD)->text(), passwordAfter);
        });
        QVERIFY(!QFile::exists(RecordFile()));
    }

    void wrongPasswordEmptiesThePasswordAndKeepsTheName()
    {
        SeedStudent("Bob", "secret");
        auto w = Window("test", Bank({10, 10}));
        Drive(*w, [&] {
            Edit(*w, IDC_USER_NAME)->setText("Bob");
            Edit(*w, IDC_PASSWORD)->setText("Secret");
            m_boxes->Plan("okButton");
            Click(*w, IDC_LOGIN_NEXT);
            QCOMPARE(m_boxes->Take(), QStringList{"alertBox: Invalid Password|Please Re-enter Password."});
            QCOMPARE(w->GetPage(), int(PageLogin));
            QCOMPARE(Edit(*w, IDC_PASSWORD)->text(), QString());
            QCOMPARE(w->focusWidget(), w->Control(IDC_PASSWORD));
            QCOMPARE(Edit(*w, IDC_USER_NAME)->text(), QString("Bob"));
            // The right password then logs in at once, with no confirmation.
            QTest::keyClicks(Edit(*w, IDC_PASSWORD), "secret");
            QTest::keyClick(Edit(*w, IDC_PASSWORD), Qt::Key_Return);
            QCOMPARE(m_boxes->Take(), QStringList());
            QCOMPARE(w->GetPage(), int(PageTest));
            QCOMPARE(w->GetRoster()->GetStudentCount(), 1);
        });
    }

    void namesAreTakenExactlyAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::newRow("other letter case") << "bob" << "secret";
        QTest::newRow("spaces around") << " Bob " << "x";
        QTest::newRow("empty name and password") << "" << "";
    }
    void namesAreTakenExactlyAsTyped()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        SeedStudent("Bob", "secret");
        auto w = Window("test", Bank({10, 10}));
        Drive(*w, [&] { QVERIFY(LogIn(*w, name, password)); });
        const auto stored = ReadRoster(kRecordFileName);
        for (const CStudentRoster* roster : {w->GetRoster(), stored.get()})
        {
            QVERIFY(roster);
            QCOMPARE(roster->GetStudentCount(), 2);
            QVERIFY(roster->CheckPassword("Bob", "secret"));
            QVERIFY(roster->CheckPassword(name.toStdString(), password.toStdString()));
        }
    }

    void enterInTheNameMovesToThePasswordAndThereLogsIn()
    {
        auto w = Window("test", Bank({10, 10}));
        Drive(*w, [&] {
            QLineEdit* name = Edit(*w, IDC_USER_NAME);
            name->setText("Ann");
            name->setFocus();
            QTest::keyClick(name, Qt::Key_Return);
            QCOMPARE(m_boxes->Take(), QStringList());
            QCOMPARE(w->focusWidget(), w->Control(IDC_PASSWORD));
            QTest::keyClicks(Edit(*w, IDC_PASSWORD), "pw");
            m_boxes->Plan("okButton", "pw");
            QTest::keyClick(Edit(*w, IDC_PASSWORD), Qt::Key_Return);
            QCOMPARE(m_boxes->Take(), QStringList{"confirmPasswordBox"});
            QCOMPARE(w->GetPage(), int(PageTest));
        });
    }

    void controlsShownFollowThePageAndTheKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("quiz") << "quiz";
        QTest::newRow("pre-test") << "pretest";
        QTest::newRow("test") << "test";
    }
    void controlsShownFollowThePageAndTheKind()
    {
        QFETCH(QString, kind);
        auto w = Window(kind, Bank({12, 12}, {4, 4}));
        QList<int> question{IDC_NEXT, IDC_PREVIOUS, IDC_FLAG, IDC_LAST_FLAGGED, IDC_NEXT_FLAGGED,
                            IDC_NEXT_UNANSWERED, IDC_LAST_UNANSWERED, IDC_EXIT};
        if (kind == "quiz")
            question << IDC_HINT;
        question << IDC_QUESTION << IDC_CLOCK << IDC_COMPLETE;
        QList<int> results{IDC_REVIEW, IDC_RETAKE, IDC_PRINT, IDC_EMAIL, IDC_COMPARE_PREVIOUS};
        if (kind == "test")
            results << IDC_COMPARE_NATIONAL;
        results << IDC_EXIT_RESULTS;
        QList<int> review{IDC_NEXT, IDC_PREVIOUS, IDC_EXIT, IDC_QUESTION};
        if (kind != "pretest")
            review << IDC_PLAY_TOPIC;
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            QCOMPARE(Shown(*w), question);
            QVERIFY(AnswerAll(*w, std::string(InOrder(*w).size(), '-')));
            QCOMPARE(Grade(*w).size(), 1);
            QCOMPARE(w->GetPage(), int(PageResults));
            QCOMPARE(Shown(*w), results);
            QCOMPARE(VisibleAnswers(*w), 0);
            Click(*w, IDC_REVIEW);
            QCOMPARE(w->GetPage(), int(PageReview));
            QCOMPARE(Shown(*w), review);
        });
    }

    void answerButtonsFollowTheQuestionOnEveryWalkingPage()
    {
        const std::map<std::string, int> expected{{"Statement", 2}, {"Three", 3}, {"Six", 4}, {"One", 1}};
        auto w = Window("quiz", "!Networks\n@Ch1\n$Statement\n^False\n#Three\n^a\n^b\n^c\n"
                                "#Six\n^a\n^b\n^c\n^d\n^e\n^f\n#One\n^a\n");
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            for (const int page : {PageQuiz, PageReview})
            {
                for (std::size_t i = 0; i < expected.size(); ++i)
                {
                    QCOMPARE(w->GetPage(), page);
                    const std::string text = w->GetCurrent()->GetText();
                    QCOMPARE(VisibleAnswers(*w), expected.at(text));
                    if (text == "Statement")
                        QCOMPARE(w->Control(IDC_ANSWER_A)->accessibleDescription() + "/" +
                                     w->Control(IDC_ANSWER_B)->accessibleDescription(),
                                 QString("True/False"));
                    if (i + 1 < expected.size())
                        Click(*w, IDC_NEXT);
                }
                if (page == PageQuiz)
                {
                    // Nothing answered: the review visits every question.
                    QCOMPARE(Grade(*w), QStringList{"promptBox: 4 questions unanswered!\nGrade Quiz anyway?"});
                    Click(*w, IDC_REVIEW);
                }
            }
        });
    }

    void hintShowsTheQuestionsHintInAMessageBox()
    {
        const std::map<std::string, QString> hints{{"Hinted", "Look at layer 3"}, {"Bare", ""}};
        auto w = Window("quiz", "!Networks\n@Ch1\n#Hinted\n%Look at layer 3\n^a\n^b\n#Bare\n^a\n^b\n");
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            for (int i = 0; i < 2; ++i)
            {
                m_boxes->Plan("okButton");
                Click(*w, IDC_HINT);
                QCOMPARE(m_boxes->Take(), QStringList{"messageBox: " + hints.at(w->GetCurrent()->GetText())});
                if (i == 0)
                    Click(*w, IDC_NEXT);
            }
        });
    }

    void walkingCrossesSectionsAndFailedSearchesKeepThePlace()
    {
        auto w = Window("test", Bank({7, 7, 7}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            const auto q = InOrder(*w);
            QCOMPARE(q.size(), std::size_t(20));
            const auto at = [&](std::size_t i) { return w->GetCurrent() == q[i]; };
            Click(*w, IDC_PREVIOUS);
            QVERIFY(at(0));
            // Flag two questions, answer all but two, and walk over the sections.
            for (std::size_t i = 0; i < q.size(); ++i)
            {
                QVERIFY(at(i));
                if (i == 2 || i == 15)
                    Click(*w, IDC_FLAG);
                if (i != 5 && i != 12)
                    Choose(*w, q[i]->GetCorrect());
                if (i + 1 < q.size())
                    Click(*w, IDC_NEXT);
            }
            QCOMPARE(m_boxes->Take(), QStringList());
            const struct
            {
                int button;
                std::size_t to;
            } steps[] = {{IDC_LAST_FLAGGED, 15}, {IDC_LAST_FLAGGED, 2},   {IDC_LAST_FLAGGED, 2},
                         {IDC_NEXT_FLAGGED, 15}, {IDC_NEXT_FLAGGED, 15},  {IDC_NEXT, 16},
                         {IDC_LAST_UNANSWERED, 12}, {IDC_LAST_UNANSWERED, 5}, {IDC_LAST_UNANSWERED, 5},
                         {IDC_PREVIOUS, 4},      {IDC_NEXT_UNANSWERED, 5}, {IDC_NEXT_UNANSWERED, 12},
                         {IDC_NEXT_UNANSWERED, 12}, {IDC_NEXT, 13}};
            for (const auto& step : steps)
            {
                Click(*w, step.button);
                QVERIFY2(at(step.to), qPrintable(QString("%1 -> %2").arg(step.button).arg(step.to)));
            }
            // The answers act on the question shown; once all are answered
            // both searches stay put.
            Click(*w, IDC_PREVIOUS);
            Choose(*w, 0);
            QCOMPARE(q[12]->GetAnswer(), 0);
            Click(*w, IDC_LAST_UNANSWERED);
            QVERIFY(at(5));
            Choose(*w, 1);
            QCOMPARE(q[5]->GetAnswer(), 1);
            for (const int button : {IDC_NEXT_UNANSWERED, IDC_LAST_UNANSWERED})
            {
                Click(*w, button);
                QVERIFY(at(5));
            }
            QCOMPARE(m_boxes->Take(), QStringList());
        });
    }

    void answerMarkersShowTheChoiceAndOnReviewTheRightAnswer()
    {
        auto w = Window("quiz", Bank({12}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            CQuestion* first = w->GetCurrent();
            const int right = first->GetCorrect();
            const int wrong = WrongAnswer(*first);
            const auto markers = [&](int chosen, int correct, int chosenMarker) {
                for (int i = 0; i < 4; ++i)
                    if (!ShowsMarker(*w, i, i == correct ? 185 : i == chosen ? chosenMarker : 183))
                        return false;
                return true;
            };
            QVERIFY(markers(-1, -1, 0));
            Choose(*w, wrong);
            QVERIFY(markers(wrong, -1, 182));
            QCOMPARE(w->m_pQuiz->GetAnsweredCount(), 1);
            Choose(*w, wrong);
            QCOMPARE(first->GetAnswer(), -1);
            QVERIFY(markers(-1, -1, 0));
            QCOMPARE(w->m_pQuiz->GetAnsweredCount(), 0);
            Choose(*w, wrong);
            QVERIFY(AnswerAll(*w, "----------"));
            QCOMPARE(Grade(*w).size(), 1);
            Click(*w, IDC_REVIEW);
            QCOMPARE(w->GetCurrent(), first);
            QVERIFY(markers(wrong, right, 184));
            // On the review page the answers are only shown.
            Choose(*w, right);
            QCOMPARE(first->GetAnswer(), wrong);
        });
    }

    void flagShowsOnTheQuestionPanel()
    {
        auto w = Window("test", Bank({10, 10}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            const auto panel = [&](int bitmap) {
                return Shows(w->Control(IDC_QUESTION), bitmap, QRect(0, 0, 470, 9), QPoint());
            };
            QVERIFY(panel(188));
            Click(*w, IDC_FLAG);
            QVERIFY(w->GetCurrent()->IsFlagged());
            QVERIFY(panel(186));
            Click(*w, IDC_NEXT);
            QVERIFY(panel(188));
            Click(*w, IDC_PREVIOUS);
            QVERIFY(panel(186));
            Click(*w, IDC_FLAG);
            QVERIFY(panel(188));
        });
    }

    void gradingPromptCountsTheUnansweredAndCancelKeepsTheLastQuestion_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("prompt");
        const QString all20 = QString(20, 'r');
        QTest::newRow("test, all answered") << "test" << all20 << "All questions answered.\nGrade Test?";
        QTest::newRow("test, two open") << "test" << "r-rrrrrrrrrrrrrrrr-r" << "2 questions unanswered!\nGrade Test anyway?";
        QTest::newRow("pre-test, one open") << "pretest" << "-rrrrrrrrrrrrrrrrrrr"
                                            << "1 questions unanswered!\nGrade Pre-Test anyway?";
        QTest::newRow("quiz, all answered") << "quiz" << "rrrrrrrrrr" << "All questions answered.\nGrade Quiz?";
        QTest::newRow("quiz, three open") << "quiz" << "--rrrrrrr-" << "3 questions unanswered!\nGrade Quiz anyway?";
    }
    void gradingPromptCountsTheUnansweredAndCancelKeepsTheLastQuestion()
    {
        QFETCH(QString, kind);
        QFETCH(QString, marks);
        QFETCH(QString, prompt);
        auto w = Window(kind, Bank({12, 12}, {4, 4}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            const auto q = InOrder(*w);
            QVERIFY(AnswerAll(*w, marks.toStdString()));
            QCOMPARE(Grade(*w, "cancelButton"), QStringList{"promptBox: " + prompt});
            QCOMPARE(w->GetPage(), kind == "quiz" ? int(PageQuiz) : int(PageTest));
            QCOMPARE(w->GetCurrent(), q.back());
            QCOMPARE(ResultCount(w->GetRoster()), 0);
            // The last question is still the one the answers act on.
            if (q.back()->IsAnswered())
            {
                Choose(*w, WrongAnswer(*q.back()));
                QCOMPARE(q.back()->GetAnswer(), WrongAnswer(*q.back()));
            }
            QCOMPARE(Grade(*w), QStringList{"promptBox: " + prompt});
            QCOMPARE(w->GetPage(), int(PageResults));
            // Unanswered questions count as wrong, and so does the changed last one.
            const int right = int(marks.count('r')) - (marks.endsWith('r') ? 1 : 0);
            QCOMPARE(w->CountScore().right, right);
        });
    }

    void gradingRecordsExactlyOneResult_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("chapters");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("total");
        QTest::newRow("test 17 of 20") << "test" << QList<int>{7, 7, 7} << "rrrwrrrrr-rrrrrrwrrr" << 17 << 20;
        QTest::newRow("quiz 7 of 10") << "quiz" << QList<int>{12} << "rwrrwrrrwr" << 7 << 10;
        QTest::newRow("test 2 of 3") << "test" << QList<int>{3} << "rwr" << 2 << 3;
        QTest::newRow("pre-test 20 of 20") << "pretest" << QList<int>{10, 10} << QString(20, 'r') << 20 << 20;
    }
    void gradingRecordsExactlyOneResult()
    {
        QFETCH(QString, kind);
        QFETCH(QList<int>, chapters);
        QFETCH(QString, marks);
        QFETCH(int, right);
        QFETCH(int, total);
        auto w = Window(kind, Bank(std::vector<int>(chapters.begin(), chapters.end()), {5, 5}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            QVERIFY(AnswerAll(*w, marks.toStdString()));
            m_now += 125;
            QCOMPARE(Grade(*w).size(), 1);
            QCOMPARE(w->GetPage(), int(PageResults));
            for (int i = 0; i < 3; ++i)
            {
                w->repaint();
                w->update();
                QCoreApplication::processEvents();
            }
        });
        QCOMPARE(w->CountScore().right, right);
        QCOMPARE(w->CountScore().total, total);
        const auto stored = ReadRoster(kRecordFileName);
        for (const CStudentRoster* roster : {w->GetRoster(), stored.get()})
            QCOMPARE(ResultCount(roster), 1);
        const CResultEntry* entry = w->GetRoster()->GetResult(0, 0);
        QCOMPARE(entry->m_bTest, kind == "quiz" ? 0 : 1);
        QCOMPARE(entry->m_bPreTest, kind == "pretest" ? 1 : 0);
        QCOMPARE(entry->m_strTitle, std::string("Networks"));
        QCOMPARE(entry->m_strChapter, std::string(kind == "quiz" ? "Ch1" : ""));
        QCOMPARE(entry->m_timeGraded, kLogin + 125);
        QCOMPARE(entry->m_spanTaken, quillet::TimeSpan(125));
        QCOMPARE(entry->m_nRight, right);
        QCOMPARE(entry->m_nTotal, total);
        QCOMPARE(stored->GetResult(0, 0)->m_nRight, right);
        QCOMPARE(stored->GetResult(0, 0)->m_nTotal, total);
    }

    void reviewVisitsOnlyWrongAnswersAndAsksBeforeReturning_data()
    {
        QTest::addColumn<bool>("backwards");
        QTest::newRow("leaving past the last") << false;
        QTest::newRow("leaving before the first") << true;
    }
    void reviewVisitsOnlyWrongAnswersAndAsksBeforeReturning()
    {
        QFETCH(bool, backwards);
        auto w = Window("test", Bank({7, 7, 7}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            const auto q = InOrder(*w);
            QVERIFY(AnswerAll(*w, "rrrwrrrrwrr-rrrwrrrr"));
            QCOMPARE(Grade(*w).size(), 1);
            Click(*w, IDC_REVIEW);
            QCOMPARE(w->GetPage(), int(PageReview));
            QCOMPARE(w->GetCurrent(), q[3]);
            std::vector<std::size_t> path{8, 11, 15};
            if (backwards)
                path.insert(path.end(), {11, 8, 3});
            for (std::size_t i = 0; i < path.size(); ++i)
            {
                Click(*w, backwards && i >= 3 ? IDC_PREVIOUS : IDC_NEXT);
                QCOMPARE(w->GetCurrent(), q[path[i]]);
            }
            CQuestion* edge = q[path.back()];
            const int button = backwards ? IDC_PREVIOUS : IDC_NEXT;
            m_boxes->Plan("cancelButton");
            Click(*w, button);
            QCOMPARE(m_boxes->Take(), QStringList{"promptBox: \nReturn to Results Page?"});
            QCOMPARE(w->GetPage(), int(PageReview));
            QCOMPARE(w->GetCurrent(), edge);
            const int before = edge->GetAnswer();
            Choose(*w, edge->GetCorrect());
            QCOMPARE(edge->GetAnswer(), before);
            m_boxes->Plan("okButton");
            Click(*w, button);
            QCOMPARE(m_boxes->Take(), QStringList{"promptBox: \nReturn to Results Page?"});
            QCOMPARE(w->GetPage(), int(PageResults));
            QCOMPARE(ResultCount(w->GetRoster()), 1);
            // A second review starts over at the first wrong answer.
            Click(*w, IDC_REVIEW);
            QCOMPARE(w->GetCurrent(), q[3]);
        });
    }

    void reviewAfterAPerfectScoreDoesNothing()
    {
        auto w = Window("quiz", Bank({12}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            QVERIFY(AnswerAll(*w, std::string(10, 'r')));
            QCOMPARE(Grade(*w).size(), 1);
            Click(*w, IDC_REVIEW);
            QCOMPARE(m_boxes->Take(), QStringList());
            QCOMPARE(w->GetPage(), int(PageResults));
        });
    }

    void retakeDrawsAnewAndAddsASecondResult_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("statements");
        QTest::newRow("quiz of chapter 2") << "quiz" << 10 << false;
        QTest::newRow("test") << "test" << 20 << false;
        QTest::newRow("pre-test") << "pretest" << 20 << true;
    }
    void retakeDrawsAnewAndAddsASecondResult()
    {
        QFETCH(QString, kind);
        QFETCH(int, count);
        QFETCH(bool, statements);
        // Chapter 2 holds only true/false statements for the tests.
        auto w = kind == "quiz" ? Window(kind, Bank({12, 12}), 2) : Window(kind, Bank({20, 0}, {0, 10}));
        Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            QVERIFY(AnswerAll(*w, std::string(std::size_t(count), 'r')));
            m_now = kLogin + 100;
            QCOMPARE(Grade(*w).size(), 1);
            m_now = kLogin + 300;
            Click(*w, IDC_RETAKE);
            QCOMPARE(w->GetPage(), kind == "quiz" ? int(PageQuiz) : int(PageTest));
            const auto q = InOrder(*w);
            QCOMPARE(int(q.size()), count);
            QCOMPARE(w->GetCurrent(), q.front());
            bool anyStatement = false;
            for (const CQuestion* question : q)
            {
                QVERIFY(!question->IsAnswered());
                anyStatement = anyStatement || question->IsTrueFalse();
                if (kind == "quiz")
                    QCOMPARE(question->GetText().substr(0, 2), std::string("C2"));
            }
            QCOMPARE(anyStatement, statements);
            m_now = kLogin + 340;
            QVERIFY(AnswerAll(*w, std::string(std::size_t(count), '-')));
            QCOMPARE(Grade(*w).size(), 1);
            // Review clears what Retake set: results now lead to the review.
            Click(*w, IDC_REVIEW);
            QCOMPARE(w->GetPage(), int(PageReview));
        });
        QCOMPARE(ResultCount(w->GetRoster()), 2);
        const CResultEntry* second = w->GetRoster()->GetResult(0, 1);
        QCOMPARE(second->m_nRight, 0);
        QCOMPARE(second->m_nTotal, count);
        QCOMPARE(second->m_spanTaken, quillet::TimeSpan(40));
        QCOMPARE(ResultCount(ReadRoster(kRecordFileName).get()), 2);
    }

    void leavingAQuestionPageEndsWithoutRecording_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("ended");
        QTest::newRow("escape") << "escape" << int(QDialog::Rejected);
        QTest::newRow("enter on EXIT") << "enter" << IDOK;
        QTest::newRow("File > Exit") << "menu" << IDOK;
    }
    void leavingAQuestionPageEndsWithoutRecording()
    {
        QFETCH(QString, how);
        QFETCH(int, ended);
        auto w = Window("test", Bank({10, 10}));
        const int got = Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            Choose(*w, w->GetCurrent()->GetCorrect());
            if (how == "escape")
                QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
            else if (how == "enter")
            {
                w->Control(IDC_EXIT)->setFocus();
                QTest::keyClick(w->Control(IDC_EXIT), Qt::Key_Return);
            }
            else
                w->findChild<QAction*>("exitAction")->trigger();
        });
        QCOMPARE(got, ended);
        QCOMPARE(m_boxes->Take(), QStringList());
        QCOMPARE(ResultCount(w->GetRoster()), 0);
        QCOMPARE(ResultCount(ReadRoster(kRecordFileName).get()), 0);
    }

    void exitOnTheReviewPageReturnsToTheResults()
    {
        auto w = Window("test", Bank({10, 10}));
        const int got = Drive(*w, [&] {
            QVERIFY(LogIn(*w));
            QVERIFY(AnswerAll(*w, std::string(20, '-')));
            QCOMPARE(Grade(*w).size(), 1);
            Click(*w, IDC_REVIEW);
            Click(*w, IDC_EXIT);
            QCOMPARE(w->GetPage(), int(PageResults));
            Click(*w, IDC_REVIEW);
            QCOMPARE(w->GetPage(), int(PageReview));
            w->findChild<QAction*>("exitAction")->trigger();
            QCOMPARE(w->GetPage(), int(PageResults));
            QVERIFY(w->isVisible());
            Click(*w, IDC_EXIT_RESULTS);
        });
        QCOMPARE(got, IDOK);
        QCOMPARE(m_boxes->Take(), QStringList());
        QCOMPARE(ResultCount(w->GetRoster()), 1);
    }

private:
    static QString RecordFile() { return QString::fromStdString(quillet::RecordFilePath(kRecordFileName)); }

    static void SeedStudent(const std::string& name, const std::string& password)
    {
        CStudentRoster roster;
        QVERIFY(roster.AddStudent(name, password));
        QVERIFY(roster.WriteRoster(kRecordFileName));
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
