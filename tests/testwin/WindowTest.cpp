// The test window driven as a student drives it: every road runs inside the
// window's own modal loop, clicking its controls and answering its boxes.
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <map>
#include <memory>

#include "RecordFileSupport.h"
#include "WindowTestSupport.h"
#include "course/CourseReader.h"
#include "course/TestJournal.h"
#include "records/RecordFile.h"
#include "records/ResponseFile.h"
#include "records/StudentRoster.h"
#include "skin/TextFit.h"
#include "testwin/QuilletDlg.h"
#include "testwin/WindowKeys.h"

using namespace windowtest;
using namespace quillet::skin;

namespace
{
constexpr quillet::TimeStamp kLogin = 1'000'000'000;
constexpr int kLeftOpen = 99;
const QString kAlert = "alertBox: Invalid Password|Please Re-enter Password.";

QLineEdit* Edit(CQuilletDlg& w, int id)
{
    return qobject_cast<QLineEdit*>(w.Control(id));
}

// The drawn questions in test order.
std::vector<CQuestion*> InOrder(const CQuilletDlg& w)
{
    std::vector<CQuestion*> all;
    if (w.GetRun())
        for (const CQuestion* question : w.GetRun()->GetQuestions())
            all.push_back(const_cast<CQuestion*>(question));
    return all;
}

int WrongAnswer(const CQuestion& q)
{
    return (q.GetCorrect() + 1) % (q.IsTrueFalse() ? 2 : q.GetAnswerCount());
}

QList<int> Shown(CQuilletDlg& w, bool answers = false)
{
    QList<int> ids;
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        if ((answers || id < IDC_ANSWER_A || id > IDC_ANSWER_D) && w.Control(id)->isVisible())
            ids << id;
    return ids;
}

// Compares a part of the control's picture that no text or focus frame covers.
bool Shows(QWidget* control, int bitmap, const QRect& at, QPoint from)
{
    const QImage shown = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = LoadSkinBitmap(bitmap).convertToFormat(QImage::Format_RGB32);
    return shown.copy(at) == picture.copy(QRect(from, at.size()));
}

// Which of the markers 182 to 185 the answer button shows, or 0.
int Marker(CQuilletDlg& w, int answer)
{
    for (int id = 182; id <= 185; ++id)
        if (Shows(w.Control(IDC_ANSWER_A + answer), id, QRect(4, 2, 21, 21), QPoint(2, 2)))
            return id;
    return 0;
}

int ResultCount(const CStudentRoster* roster, const std::string& name = "Ann")
{
    return roster ? roster->GetResultCount(roster->FindStudent(name)) : -1;
}

// The student the window knows, with his results, as a roster of one; null
// before a login.
std::unique_ptr<CStudentRoster> Known(const CQuilletDlg& w)
{
    const CStudentRecord* record = w.GetStudent().GetRecord();
    if (!record)
        return nullptr;
    auto roster = std::make_unique<CStudentRoster>();
    roster->AddStudent(record->m_strName, record->m_strPassword);
    for (const auto& result : record->m_results)
        roster->GetStudent(0)->m_results.push_back(std::make_unique<CResultEntry>(*result));
    return roster;
}

void SeedStudent(const std::string& recordFile, const std::string& name, const std::string& password)
{
    CStudentRoster roster;
    QVERIFY(roster.AddStudent(name, password));
    QVERIFY(testrecords::WriteRecordFile(roster, recordFile));
}
}

// Stands in for the player link: records what the window asks of it.
struct FakePlayer : CPlayerPort
{
    QStringList calls;
    void WriteCaption(const std::string& caption) override
    {
        calls << "caption " + QString::fromStdString(caption);
    }
    void Hide() override { calls << "hide"; }
    void Show() override { calls << "show"; }
    void PlayTopic(const std::string& topic) override { calls << "play " + QString::fromStdString(topic); }
    void SayClosed() override { calls << "closed"; }
};

// Stands in for the boxes: writes down what the window tells and asks, and
// answers every question with OK.
struct HeardPrompts : CWindowPrompts
{
    QStringList& heard;
    QWidget*& owner;
    HeardPrompts(QStringList& heard, QWidget*& owner) : heard(heard), owner(owner) {}
    void SetOwner(QWidget* window) override { owner = window; }
    void Message(const std::string& text, const std::string& title, const Style&) const override
    {
        heard << QString::fromStdString("message " + title + ": " + text);
    }
    void Alert(const std::string& title, const std::string& message) const override
    {
        heard << QString::fromStdString("alert " + title + ": " + message);
    }
    void About() const override { heard << "about"; }
    bool Ask(const std::string& text, const std::string& title, bool) const override
    {
        heard << QString::fromStdString("ask " + title + ": " + text);
        return true;
    }
};

// Catches what the window would open in a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened << url; }
};

class WindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    int m_run = 0;
    std::string m_recordFile; // the test's own
    QString m_data;           // the account's data folder: journals, results kept back
    quillet::TimeStamp m_now = kLogin;
    CRandom m_random;

    // What start-up hands the window: the course and the drawn test or quiz.
    std::unique_ptr<CQuilletDlg> Window(const QString& kind, const std::string& bank, int chapter = 1,
                                        std::unique_ptr<CWindowPrompts> prompts = nullptr)
    {
        auto w = WindowOn(m_recordFile, std::move(prompts));
        w->SetClock([this] { return m_now; });
        if (kind == "none")
            return w;
        auto course = CCourseReader::LoadText(bank);
        w->SetRun(kind == "quiz"
                      ? quillet::TestRun::DrawQuiz(std::move(course), chapter, m_random)
                      : quillet::TestRun::DrawTest(std::move(course), kind == "pretest", m_random));
        return w;
    }

    // Runs the window with the script acting inside its modal loop. A box
    // that nobody answers is closed after a second or two and fails the test.
    int Drive(CQuilletDlg& w, const std::function<void()>& script)
    {
        QStringList stray;
        QTimer watchdog;
        connect(&watchdog, &QTimer::timeout,
                [&]
                {
                    auto* box = qobject_cast<CSkinDialog*>(QApplication::activeModalWidget());
                    if (box && box->property("stray").toBool())
                    {
                        stray << Describe(*box);
                        box->done(-1);
                    }
                    else if (box)
                        box->setProperty("stray", true);
                });
        watchdog.start(1000);
        QTimer::singleShot(0, &w,
                           [&]
                           {
                               QApplication::setActiveWindow(&w);
                               (void)QTest::qWaitForWindowActive(&w);
                               script();
                               if (w.isVisible())
                                   static_cast<QDialog&>(w).done(kLeftOpen);
                           });
        const int ended = w.DoModal();
        if (!stray.isEmpty())
            QTest::qFail(qPrintable("unanswered: " + stray.join(", ")), __FILE__, __LINE__);
        return ended;
    }

    static void Click(CQuilletDlg& w, int id)
    {
        QVERIFY2(w.Control(id)->isVisible(), qPrintable(QString::number(id)));
        QTest::mouseClick(w.Control(id), Qt::LeftButton);
    }

    static void Choose(CQuilletDlg& w, int answer) { Click(w, IDC_ANSWER_A + answer); }

    // Logs in as a new student, confirming the password.
    static bool LogIn(CQuilletDlg& w)
    {
        Edit(w, IDC_USER_NAME)->setText("Ann");
        Edit(w, IDC_PASSWORD)->setText("pw");
        const auto boxes = Answering({{"okButton", "pw"}}, [&] { Click(w, IDC_LOGIN_NEXT); });
        return boxes == QStringList{"confirmPasswordBox"} && w.GetPage() != PageLogin;
    }

    // From the first question: 'r' answers right, 'w' wrong, '-' nothing,
    // with Next in between; ends on the last question.
    static bool AnswerAll(CQuilletDlg& w, const std::string& marks)
    {
        const auto all = InOrder(w);
        for (std::size_t i = 0; i < all.size(); ++i)
        {
            if (w.GetCurrent() != all[i] || marks.size() != all.size())
                return false;
            if (marks[i] != '-')
                Choose(w, marks[i] == 'r' ? all[i]->GetCorrect() : WrongAnswer(*all[i]));
            if (i + 1 < all.size())
                Click(w, IDC_NEXT);
        }
        return true;
    }

    // Clicks the button, answering the one prompt it raises.
    static QStringList Prompted(CQuilletDlg& w, int id, const QString& button = "okButton")
    {
        return Answering({{button}}, [&] { Click(w, id); });
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.path()));
        // The window is handed its store; a record folder set here would
        // still draw the store's journals out of the test's data folder.
        qunsetenv("QUILLET_RECORD_DIR");
    }

    // Every test starts with no record file, an empty data folder, the same
    // draws and the login time.
    void init()
    {
        const QString run = m_home.filePath(QStringLiteral("run%1").arg(++m_run));
        QVERIFY(QDir().mkpath(run + "/records"));
        m_recordFile = QFile::encodeName(run + "/records/" + kRecordFileName).toStdString();
        m_data = run + "/data";
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data));
        m_random.Seed(7);
        CRandom::Global().Seed(11);
        m_now = kLogin;
    }

    void hugeQuestionIsShownCutAndReadCut()
    {
        // One question line of 30 MB: painted and read by its start only.
        auto w = Window("test", "!T\n@C\n#" + std::string(30'000'000, 'x') + "\n^a\n^b\n");
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  QVERIFY(!w->grab().isNull());
                  QAccessibleInterface* question =
                      QAccessible::queryAccessibleInterface(w->Control(IDC_QUESTION));
                  QVERIFY(question && question->textInterface());
                  QVERIFY(question->textInterface()->characterCount() < 5000);
              });
    }

    void captionAndControlsFollowTheKindAndThePage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no course") << "none"
                                   << "Quillet";
        QTest::newRow("quiz") << "quiz"
                              << "Skillstep Quiz for Networks: Chapter 3";
        QTest::newRow("pre-test") << "pretest"
                                  << "Pre-Test for Networks";
        QTest::newRow("test") << "test"
                              << "Test for Networks";
    }
    void captionAndControlsFollowTheKindAndThePage()
    {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QList<int> question{IDC_NEXT,
                            IDC_PREVIOUS,
                            IDC_FLAG,
                            IDC_LAST_FLAGGED,
                            IDC_NEXT_FLAGGED,
                            IDC_NEXT_UNANSWERED,
                            IDC_LAST_UNANSWERED,
                            IDC_EXIT};
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
        auto w = Window(kind, Bank({4, 4, 4}, {2, 2, 2}), 3);
        Drive(*w,
              [&]
              {
                  QCOMPARE(w->windowTitle(), caption);
                  QCOMPARE(w->focusWidget(), w->Control(IDC_USER_NAME));
                  QCOMPARE(Shown(*w, true), (QList<int>{IDC_LOGIN_NEXT, IDC_USER_NAME, IDC_PASSWORD}));
                  QVERIFY(LogIn(*w));
                  if (kind == "none")
                  {
                      QCOMPARE(w->GetPage(), int(PageEmpty));
                      QCOMPARE(Shown(*w, true), QList<int>());
                      return;
                  }
                  QCOMPARE(w->GetPage(), kind == "quiz" ? int(PageQuiz) : int(PageTest));
                  QCOMPARE(Shown(*w), question);
                  QVERIFY(AnswerAll(*w, std::string(InOrder(*w).size(), '-')));
                  QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                  QCOMPARE(Shown(*w, true), results);
                  Click(*w, IDC_REVIEW);
                  QCOMPARE(Shown(*w), review);
              });
    }

    void promptsHandedInHearWhatTheWindowSays_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("then"); // the control clicked after the login, or "about"
        QTest::addColumn<QStringList>("heard");
        // clang-format off
        QTest::newRow("no user name") << "" << "" << QStringList{"alert No User Name: Please enter your user name."};
        QTest::newRow("wrong password") << "no" << ""
                                        << QStringList{"alert Invalid Password: Please Re-enter Password."};
        QTest::newRow("hint") << "pw" << "hint" << QStringList{"message Hint: Hint"};
        QTest::newRow("grading") << "pw" << "next" << QStringList{"ask : 1 question unanswered!\nGrade Quiz anyway?"};
        QTest::newRow("about") << "" << "about" << QStringList{"about"};
        // clang-format on
    }
    void promptsHandedInHearWhatTheWindowSays()
    {
        QFETCH(QString, password);
        QFETCH(QString, then);
        QFETCH(QStringList, heard);
        SeedStudent(m_recordFile, "Ann", "pw");
        QStringList said;
        QWidget* owner = nullptr;
        auto w = Window("quiz", Bank({1}), 1, std::make_unique<HeardPrompts>(said, owner));
        QCOMPARE(owner, w.get());
        Drive(*w,
              [&]
              {
                  // Nothing of the program's own look opens.
                  const QStringList boxes =
                      Answering({},
                                [&]
                                {
                                    if (then == "about")
                                        return w->findChild<QAction*>("aboutAction")->trigger();
                                    Edit(*w, IDC_USER_NAME)->setText(password.isEmpty() ? "" : "Ann");
                                    Edit(*w, IDC_PASSWORD)->setText(password);
                                    Click(*w, IDC_LOGIN_NEXT);
                                    if (then == "hint")
                                        Click(*w, IDC_HINT);
                                    else if (then == "next")
                                        Click(*w, IDC_NEXT);
                                });
                  QCOMPARE(boxes, QStringList());
              });
        QCOMPARE(said, heard);
    }

    void newStudentIsAddedOnlyWhenConfirmed_data()
    {
        QTest::addColumn<bool>("seeded");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("first student") << false << "Ann"
                                       << "pw" << QString();
        QTest::newRow("other letter case") << true << "bob"
                                           << "secret" << QString();
        QTest::newRow("spaces around") << true << " Bob "
                                       << "x" << QString();
        // Once kept as a student "" that everybody could log in as.
        QTest::newRow("empty name and password") << true << ""
                                                 << ""
                                                 << "alertBox: No User Name|Please enter your user name.";
    }
    void newStudentIsAddedOnlyWhenConfirmed()
    {
        QFETCH(bool, seeded);
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        if (seeded)
            SeedStudent(m_recordFile, "Bob", "secret");
        auto w = Window("test", Bank({10, 10}));
        Drive(*w,
              [&]
              {
                  // Enter in the name moves to the password; Enter there logs in.
                  Edit(*w, IDC_USER_NAME)->setText(name);
                  QTest::keyClick(Edit(*w, IDC_USER_NAME), Qt::Key_Return);
                  QCOMPARE(w->focusWidget(), w->Control(IDC_PASSWORD));
                  QCOMPARE(w->GetPage(), int(PageLogin));
                  QTest::keyClicks(Edit(*w, IDC_PASSWORD), password);
                  QCOMPARE(Answering({{"okButton", password}},
                                     [&] { QTest::keyClick(Edit(*w, IDC_PASSWORD), Qt::Key_Return); }),
                           QStringList{refusal.isEmpty() ? QString("confirmPasswordBox") : refusal});
                  QCOMPARE(w->GetPage(), int(refusal.isEmpty() ? PageTest : PageLogin));
              });
        const auto stored = testrecords::ReadRecordFile(m_recordFile);
        QVERIFY(stored);
        QCOMPARE(stored->GetStudentCount(), seeded && refusal.isEmpty() ? 2 : 1);
        QCOMPARE(stored->CheckPassword(name.toStdString(), password.toStdString()), refusal.isEmpty());
        const auto known = Known(*w);
        QCOMPARE(known && known->CheckPassword(name.toStdString(), password.toStdString()),
                 refusal.isEmpty());
    }

    void altNOnTheLoginPageIsNextNotALetter()
    {
        auto w = Window("test", Bank({10, 10}));
        Drive(*w,
              [&]
              {
                  Edit(*w, IDC_USER_NAME)->setText("Ann");
                  Edit(*w, IDC_PASSWORD)->setText("pw");
                  Edit(*w, IDC_USER_NAME)->setFocus();
                  // A mnemonic clicks after a short press, as a button shows it.
                  QCOMPARE(Answering({{"okButton", "pw"}},
                                     [&]
                                     {
                                         QTest::keyClick(Edit(*w, IDC_USER_NAME), Qt::Key_N, Qt::AltModifier);
                                         QTRY_COMPARE(w->GetPage(), int(PageTest));
                                     }),
                           QStringList{"confirmPasswordBox"});
                  QCOMPARE(Edit(*w, IDC_USER_NAME)->text(), QString("Ann"));
                  Click(*w, IDC_EXIT);
              });
    }

    void dialogOpensCentredOverTheWindowWhereverItWent()
    {
        auto w = Window("test", Bank({10, 10}));
        Drive(*w,
              [&]
              {
                  CPromptDlg prompt(w.get());
                  w->move(w->pos() + QPoint(90, 70));
                  QPoint offset(-1000, -1000);
                  QTimer::singleShot(50, &prompt,
                                     [&]
                                     {
                                         offset = prompt.geometry().center() - w->frameGeometry().center();
                                         prompt.reject();
                                     });
                  prompt.DoModal();
                  QVERIFY2(offset.manhattanLength() <= 2,
                           qPrintable(QString("%1,%2 off centre").arg(offset.x()).arg(offset.y())));
                  w->findChild<QAction*>("exitAction")->trigger();
              });
    }

    void refusedOrCancelledLoginCreatesNothingAndKeepsTheName_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("boxes");
        const QString confirm = "confirmPasswordBox";
        QTest::newRow("confirmation cancelled") << false << "pw"
                                                << "cancelButton"
                                                << "pw" << QStringList{confirm};
        QTest::newRow("confirmation escaped") << false << "pw"
                                              << "escape"
                                              << "pw" << QStringList{confirm};
        QTest::newRow("other confirmation") << false << "pw"
                                            << "okButton"
                                            << "pW" << QStringList{confirm, kAlert};
        QTest::newRow("wrong password of a known name") << true << "Secret"
                                                        << "okButton"
                                                        << "" << QStringList{kAlert};
    }
    void refusedOrCancelledLoginCreatesNothingAndKeepsTheName()
    {
        QFETCH(bool, known);
        QFETCH(QString, password);
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QStringList, boxes);
        if (known)
            SeedStudent(m_recordFile, "Bob", "secret");
        const bool refused = boxes.last() == kAlert;
        auto w = Window("test", Bank({10, 10}));
        Drive(*w,
              [&]
              {
                  Edit(*w, IDC_USER_NAME)->setText("Bob");
                  Edit(*w, IDC_PASSWORD)->setText(password);
                  QCOMPARE(Answering({{button, typed}, {"okButton"}}, [&] { Click(*w, IDC_LOGIN_NEXT); }),
                           boxes);
                  QCOMPARE(w->GetPage(), int(PageLogin));
                  QCOMPARE(Edit(*w, IDC_USER_NAME)->text(), QString("Bob"));
                  QCOMPARE(Edit(*w, IDC_PASSWORD)->text(), refused ? QString() : password);
                  if (refused)
                      QCOMPARE(w->focusWidget(), w->Control(IDC_PASSWORD));
                  QCOMPARE(w->GetStudent().GetRecord(), nullptr);
              });
        QCOMPARE(QFile::exists(QString::fromStdString(m_recordFile)), known);
    }

    void answerButtonsAndHintFollowTheQuestionShown()
    {
        // Question text: answer buttons shown, hint.
        const std::map<std::string, std::pair<int, QString>> expected{
            {"Statement", {2, "Think"}}, {"Three", {3, ""}}, {"Six", {4, "Count them"}}, {"One", {1, ""}}};
        auto w = Window("quiz", "!Networks\n@Ch1\n$Statement\n%Think\n^False\n#Three\n^a\n^b\n^c\n"
                                "#Six\n%Count them\n^a\n^b\n^c\n^d\n^e\n^f\n#One\n^a\n");
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  for (const int page : {PageQuiz, PageReview})
                  {
                      for (std::size_t i = 0; i < expected.size(); ++i)
                      {
                          QCOMPARE(w->GetPage(), page);
                          const auto& [answers, hint] = expected.at(w->GetCurrent()->GetText());
                          QCOMPARE(int(Shown(*w, true).size() - Shown(*w).size()), answers);
                          if (page == PageQuiz)
                              QCOMPARE(Prompted(*w, IDC_HINT), QStringList{"messageBox: " + hint});
                          if (i + 1 < expected.size())
                              Click(*w, IDC_NEXT);
                      }
                      // Nothing answered, so the review visits every question.
                      if (page == PageQuiz)
                      {
                          const QString prompt = "promptBox: 4 questions unanswered!\nGrade Quiz anyway?";
                          QCOMPARE(Prompted(*w, IDC_NEXT), QStringList{prompt});
                          Click(*w, IDC_REVIEW);
                      }
                  }
              });
    }

    void walkingCrossesSectionsAndFailedSearchesKeepThePlace()
    {
        // Sections of 7, 0, 7 and 6 questions: the second chapter holds only statements.
        auto w = Window("test", Bank({7, 0, 7, 6}, {0, 3}));
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  const auto q = InOrder(*w);
                  QCOMPARE(q.size(), std::size_t(20));
                  const auto at = [&](std::size_t i) { return w->GetCurrent() == q[i]; };
                  Click(*w, IDC_PREVIOUS);
                  QVERIFY(at(0));
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
                  const std::pair<int, std::size_t> steps[] = {
                      {IDC_LAST_FLAGGED, 15},    {IDC_LAST_FLAGGED, 2},    {IDC_LAST_FLAGGED, 2},
                      {IDC_NEXT_FLAGGED, 15},    {IDC_NEXT_FLAGGED, 15},   {IDC_NEXT, 16},
                      {IDC_LAST_UNANSWERED, 12}, {IDC_LAST_UNANSWERED, 5}, {IDC_LAST_UNANSWERED, 5},
                      {IDC_PREVIOUS, 4},         {IDC_NEXT_UNANSWERED, 5}, {IDC_NEXT_UNANSWERED, 12},
                      {IDC_NEXT_UNANSWERED, 12}};
                  for (const auto& [button, to] : steps)
                  {
                      Click(*w, button);
                      QVERIFY2(at(to), qPrintable(QString("%1 to %2").arg(button).arg(to)));
                  }
                  // The answers act on the question a failed search left on screen.
                  Choose(*w, 0);
                  QCOMPARE(q[12]->GetAnswer(), 0);
              });
    }

    void panelAndMarkersShowFlagChoiceAndOnReviewTheRightAnswer()
    {
        auto w = Window("quiz", Bank({12}));
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  CQuestion* first = w->GetCurrent();
                  const int right = first->GetCorrect();
                  const int wrong = WrongAnswer(*first);
                  int other = 0;
                  while (other == right || other == wrong)
                      ++other;
                  const auto panel = [&](int bitmap)
                  { return Shows(w->Control(IDC_QUESTION), bitmap, QRect(0, 0, 470, 9), QPoint()); };
                  QVERIFY(panel(188));
                  Click(*w, IDC_FLAG);
                  QVERIFY(panel(186));
                  Choose(*w, wrong);
                  QCOMPARE(QList<int>({Marker(*w, wrong), Marker(*w, right)}), QList<int>({182, 183}));
                  Choose(*w, wrong);
                  QCOMPARE(first->GetAnswer(), -1);
                  QCOMPARE(Marker(*w, wrong), 183);
                  Choose(*w, wrong);
                  Click(*w, IDC_NEXT);
                  QVERIFY(panel(188));
                  Click(*w, IDC_PREVIOUS);
                  QVERIFY(AnswerAll(*w, std::string(10, '-')));
                  QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                  Click(*w, IDC_REVIEW);
                  QCOMPARE(w->GetCurrent(), first);
                  QCOMPARE(QList<int>({Marker(*w, wrong), Marker(*w, right), Marker(*w, other)}),
                           QList<int>({184, 185, 183}));
                  // On the review page the answers are only shown.
                  Choose(*w, right);
                  QCOMPARE(first->GetAnswer(), wrong);
              });
    }

    void gradingAsksWithTheOpenCountAndRecordsOneResult_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("chapters");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("total");
        QTest::newRow("test 17 of 20") << "test" << QList<int>{7, 7, 7} << "rrrwrrrrr-rrrrrrr-rr"
                                       << "2 questions unanswered!\nGrade Test anyway?" << 17 << 20;
        QTest::newRow("quiz 7 of 10") << "quiz" << QList<int>{12} << "rwrrwrrrwr"
                                      << "All questions answered.\nGrade Quiz?" << 7 << 10;
        QTest::newRow("pre-test 20 of 20") << "pretest" << QList<int>{10, 10} << QString(20, 'r')
                                           << "All questions answered.\nGrade Pre-Test?" << 20 << 20;
    }
    void gradingAsksWithTheOpenCountAndRecordsOneResult()
    {
        QFETCH(QString, kind);
        QFETCH(QList<int>, chapters);
        QFETCH(QString, marks);
        QFETCH(QString, prompt);
        QFETCH(int, right);
        QFETCH(int, total);
        auto w = Window(kind, Bank(std::vector<int>(chapters.begin(), chapters.end()), {5, 5}));
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  QVERIFY(AnswerAll(*w, marks.toStdString()));
                  CQuestion* last = w->GetCurrent();
                  const int answer = last->GetAnswer();
                  m_now += 125;
                  QCOMPARE(Prompted(*w, IDC_NEXT, "cancelButton"), QStringList{"promptBox: " + prompt});
                  // Cancel keeps the last question, and the answers still act on it.
                  QCOMPARE(w->GetPage(), kind == "quiz" ? int(PageQuiz) : int(PageTest));
                  QCOMPARE(w->GetCurrent(), last);
                  QCOMPARE(ResultCount(Known(*w).get()), 0);
                  Choose(*w, std::max(answer, 0));
                  QCOMPARE(last->GetAnswer(), answer < 0 ? 0 : -1);
                  Choose(*w, std::max(answer, 0));
                  QCOMPARE(last->GetAnswer(), answer);
                  QCOMPARE(Prompted(*w, IDC_NEXT), QStringList{"promptBox: " + prompt});
                  QCOMPARE(w->GetPage(), int(PageResults));
                  w->repaint();
                  QCoreApplication::processEvents();
                  w->repaint();
                  // Review after a perfect score says that there is nothing to review.
                  QCOMPARE(Answering({{"okButton"}}, [&] { Click(*w, IDC_REVIEW); }),
                           right == total ? QStringList{"messageBox: " + QString(quillet::kNothingToReview)}
                                          : QStringList{});
                  QCOMPARE(w->GetPage(), right == total ? int(PageResults) : int(PageReview));
              });
        QCOMPARE(w->GetRun()->GetScore().right, right);
        QCOMPARE(w->GetRun()->GetScore().total, total);
        const auto stored = testrecords::ReadRecordFile(m_recordFile);
        const auto known = Known(*w);
        for (const CStudentRoster* roster : {known.get(), stored.get()})
        {
            QCOMPARE(ResultCount(roster), 1);
            QCOMPARE(roster->GetResult(0, 0)->m_nRight, right);
            QCOMPARE(roster->GetResult(0, 0)->m_nTotal, total);
        }
        // The answers behind it are kept for the question statistics.
        std::vector<quillet::ResponseRecord> kept;
        QVERIFY(quillet::CResponseFile::Beside(m_recordFile).Read(kept));
        QCOMPARE(int(kept.size()), 1);
        QCOMPARE(int(kept[0].responses.size()), total);
        QCOMPARE(int(std::count_if(kept[0].responses.begin(), kept[0].responses.end(),
                                   [](const quillet::Response& response) { return response.right; })),
                 right);
        const CResultEntry* entry = known->GetResult(0, 0);
        QCOMPARE(entry->m_kind, kind == "quiz"      ? TestKind::Quiz
                                : kind == "pretest" ? TestKind::PreTest
                                                    : TestKind::Test);
        QCOMPARE(entry->m_strTitle, std::string("Networks"));
        QCOMPARE(entry->m_strChapter, std::string(kind == "quiz" ? "Ch1" : ""));
        QCOMPARE(entry->m_timeGraded, kLogin + 125);
        QCOMPARE(entry->m_spanTaken, quillet::TimeSpan(125));
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
        const int ended = Drive(*w,
                                [&]
                                {
                                    QVERIFY(LogIn(*w));
                                    const auto q = InOrder(*w);
                                    QVERIFY(AnswerAll(*w, "rrrwrrrrwrr-rrrwrrrr"));
                                    m_now = kLogin + 99;
                                    QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                                    m_now = kLogin + 500;
                                    Click(*w, IDC_REVIEW);
                                    QCOMPARE(w->GetCurrent(), q[3]);
                                    std::vector<std::size_t> path{8, 11, 15};
                                    if (backwards)
                                        path.insert(path.end(), {11, 8, 3});
                                    for (std::size_t i = 0; i < path.size(); ++i)
                                    {
                                        Click(*w, i >= 3 ? IDC_PREVIOUS : IDC_NEXT);
                                        QCOMPARE(w->GetCurrent(), q[path[i]]);
                                    }
                                    for (const char* answer : {"cancelButton", "okButton"})
                                    {
                                        QCOMPARE(w->GetPage(), int(PageReview));
                                        QCOMPARE(w->GetCurrent(), q[path.back()]);
                                        QCOMPARE(Prompted(*w, backwards ? IDC_PREVIOUS : IDC_NEXT, answer),
                                                 QStringList{"promptBox: \nReturn to Results Page?"});
                                    }
                                    QCOMPARE(w->GetPage(), int(PageResults));
                                    // The page shows the time graded and recorded, however long the review.
                                    QCOMPARE(w->GetRun()->GetTimeTaken(), quillet::TimeSpan(99));
                                    QCOMPARE(Known(*w)->GetResult(0, 0)->m_spanTaken, quillet::TimeSpan(99));
                                    // EXIT and File > Exit lead back as well; each review starts over.
                                    Click(*w, IDC_REVIEW);
                                    QCOMPARE(w->GetCurrent(), q[3]);
                                    Click(*w, IDC_EXIT);
                                    QCOMPARE(w->GetPage(), int(PageResults));
                                    Click(*w, IDC_REVIEW);
                                    w->findChild<QAction*>("exitAction")->trigger();
                                    QCOMPARE(w->GetPage(), int(PageResults));
                                    Click(*w, IDC_EXIT_RESULTS);
                                });
        QCOMPARE(ended, IDOK);
        QCOMPARE(ResultCount(Known(*w).get()), 1);
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
        // For the tests the second chapter holds only true/false statements.
        auto w = kind == "quiz" ? Window(kind, Bank({12, 12}), 2) : Window(kind, Bank({20, 0}, {0, 10}));
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  QVERIFY(AnswerAll(*w, std::string(std::size_t(count), 'r')));
                  m_now = kLogin + 100;
                  QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
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
                  QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                  // Review clears what Retake set: the results now lead to the review.
                  Click(*w, IDC_REVIEW);
                  QCOMPARE(w->GetPage(), int(PageReview));
              });
        const auto stored = testrecords::ReadRecordFile(m_recordFile);
        const auto known = Known(*w);
        QCOMPARE(ResultCount(stored.get()), 2);
        QCOMPARE(ResultCount(known.get()), 2);
        const CResultEntry* second = known->GetResult(0, 1);
        QCOMPARE(second->m_nRight, 0);
        QCOMPARE(second->m_nTotal, count);
        QCOMPARE(second->m_spanTaken, quillet::TimeSpan(40));
    }

    void playerHearsTheCaptionEachTopicAskedForAndTheClose()
    {
        // The first chapter's questions have the topic "Cabling", the
        // second's none.
        std::string bank = Bank({4, 4});
        for (std::size_t at = bank.find("%Hint\n"); at != std::string::npos && at < bank.find("@Ch2");
             at = bank.find("%Hint\n", at + 1))
            bank.insert(at + 6, "&Cabling\n");
        auto w = Window("test", bank);
        FakePlayer player;
        w->SetPlayer(&player);
        const int ended = Drive(*w,
                                [&]
                                {
                                    QVERIFY(LogIn(*w));
                                    QVERIFY(AnswerAll(*w, "wwwwwwww"));
                                    QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                                    Click(*w, IDC_REVIEW);
                                    QStringList alerts;
                                    for (int i = 0; i < 8; ++i)
                                    {
                                        alerts
                                            << Answering({{"okButton"}}, [&] { Click(*w, IDC_PLAY_TOPIC); });
                                        if (i < 7)
                                            Click(*w, IDC_NEXT);
                                    }
                                    QCOMPARE(alerts.size(), 4);
                                    QVERIFY(alerts.front().contains("Question has no topic."));
                                    Click(*w, IDC_EXIT);
                                    // A new test hides the player that Play Topic showed.
                                    Click(*w, IDC_RETAKE);
                                    Click(*w, IDC_EXIT);
                                });
        QCOMPARE(ended, IDOK);
        QStringList expected{"caption Test for Networks"};
        for (int i = 0; i < 4; ++i)
            expected << "play Cabling";
        expected << "hide"
                 << "closed";
        QCOMPARE(player.calls, expected);
    }

    void aResultThatCannotBeSavedIsToldRetriedAndKeptForTheNextSave()
    {
        // The record folder cannot be made while a file stands in its way.
        const QString blocker = m_home.filePath(QStringLiteral("blocker%1").arg(m_run));
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        m_recordFile = QFile::encodeName(blocker + "/records/" + kRecordFileName).toStdString();
        auto w = Window("quiz", Bank({12}));
        const int ended = Drive(
            *w,
            [&]
            {
                Edit(*w, IDC_USER_NAME)->setText("Ann");
                Edit(*w, IDC_PASSWORD)->setText("pw");
                const QStringList login =
                    Answering({{"okButton", "pw"}, {"okButton"}}, [&] { Click(*w, IDC_LOGIN_NEXT); });
                QCOMPARE(login.size(), 2);
                QVERIFY2(
                    login[1].startsWith("messageBox: You could not be added to the record folder " + blocker),
                    qPrintable(login[1]));
                QVERIFY(AnswerAll(*w, "rrrrrrrrrr"));
                // Grade; the save fails, is tried again, fails, and is kept.
                const QStringList grading = Answering(
                    {{"okButton"}, {"okButton"}, {"okButton"}, {"okButton"}, {"cancelButton"}, {"okButton"}},
                    [&] { Click(*w, IDC_NEXT); });
                QCOMPARE(grading.size(), 6);
                QVERIFY2(
                    grading[1].contains("could not be saved in the record folder " + blocker + "/records"),
                    qPrintable(grading[1]));
                QCOMPARE(grading[2], QString("promptBox: Result not saved!\nTry again?"));
                QVERIFY2(grading[5].contains("is kept in " + m_data + "/quillet/quillet2.blh.pending"),
                         qPrintable(grading[5]));
                // The results page still knows the result.
                QCOMPARE(w->GetPage(), int(PageResults));
                QCOMPARE(ResultCount(Known(*w).get()), 1);

                // Once the folder can be made, the next result brings the kept one along.
                QVERIFY(QFile::remove(blocker));
                Click(*w, IDC_RETAKE);
                QVERIFY(AnswerAll(*w, "wwwwwwwwww"));
                QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                Click(*w, IDC_EXIT_RESULTS);
            });
        QCOMPARE(ended, IDOK);
        const auto stored = testrecords::ReadRecordFile(m_recordFile);
        QCOMPARE(ResultCount(stored.get()), 2);
        QCOMPARE(stored->GetResult(0, 0)->m_nRight, 10);
        QCOMPARE(stored->GetResult(0, 1)->m_nRight, 0);
        QVERIFY(!QFile::exists(m_data + "/quillet/quillet2.blh.pending"));
    }

    void loginReadsTheFileAsOtherCopiesLeftIt()
    {
        auto w = Window("test", Bank({4}));
        const quillet::CRecordFile file = quillet::CRecordFile(m_recordFile);
        const auto addStudent = [&](const std::string& name, const std::string& password)
        {
            QVERIFY(file.Update(
                [&](CStudentRoster& roster)
                {
                    roster.AddStudent(name, password);
                    return std::string();
                }));
        };
        const int ended = Drive(
            *w,
            [&]
            {
                // Another copy registers Cid while this one is confirming the same name.
                Edit(*w, IDC_USER_NAME)->setText("Cid");
                Edit(*w, IDC_PASSWORD)->setText("pw");
                QTimer::singleShot(0, [&] { addStudent("Cid", "theirs"); });
                QCOMPARE(Answering({{"okButton", "pw"}, {"okButton"}}, [&] { Click(*w, IDC_LOGIN_NEXT); }),
                         (QStringList{
                             "confirmPasswordBox",
                             "alertBox: Name Taken|That user name was just taken. Please choose another."}));
                QCOMPARE(w->GetPage(), int(PageLogin));
                // A student that another copy added after this window opened logs in.
                addStudent("Dee", "pw");
                Edit(*w, IDC_USER_NAME)->setText("Dee");
                Edit(*w, IDC_PASSWORD)->setText("pw");
                QCOMPARE(Answering({}, [&] { Click(*w, IDC_LOGIN_NEXT); }), QStringList());
                QCOMPARE(w->GetPage(), int(PageTest));
                w->reject();
            });
        QCOMPARE(ended, int(QDialog::Rejected));
        const auto stored = testrecords::ReadRecordFile(m_recordFile);
        QVERIFY(stored->CheckPassword("Cid", "theirs"));
    }

    // What the student sees of every drawn question, and where he is.
    static QStringList Seen(CQuilletDlg& w)
    {
        QStringList seen;
        for (const CQuestion* q : InOrder(w))
        {
            QString line = QString::fromStdString(q->GetText()) + " |";
            for (int i = 0; i < q->GetAnswerCount(); ++i)
                line += " " + QString::fromStdString(*q->GetAnswerText(i));
            seen << line + QString(" | %1 %2").arg(q->GetAnswer()).arg(q->IsFlagged());
        }
        return seen << QString("at %1").arg(w.GetRun()->GetCurrentIndex());
    }

    // Where Ann's unfinished Test of "Networks" is kept.
    QString AnnsJournal() const
    {
        return QString::fromStdString(quillet::FileRecordStore(m_recordFile).JournalFolder() + "/" +
                                      quillet::JournalFileName({"Ann", "Networks", TestKind::Test, 0}));
    }

    static QStringList ReturningLogIn(CQuilletDlg& w, const QString& name,
                                      const std::vector<Reply>& replies = {})
    {
        Edit(w, IDC_USER_NAME)->setText(name);
        Edit(w, IDC_PASSWORD)->setText("pw");
        return Answering(replies, [&] { Click(w, IDC_LOGIN_NEXT); });
    }

    void anUnfinishedTestComesBackAtLoginExactlyAsItWasLeft()
    {
        CStudentRoster students;
        students.AddStudent("Ann", "pw");
        students.AddStudent("Bob", "pw");
        QVERIFY(testrecords::WriteRecordFile(students, m_recordFile));
        const std::string bank = Bank({10, 10});
        const QString journal = AnnsJournal();
        QStringList left;
        {
            auto w = Window("test", bank);
            Drive(*w,
                  [&]
                  {
                      QCOMPARE(ReturningLogIn(*w, "Ann"), QStringList());
                      QVERIFY(!QFile::exists(journal)); // nothing before the first answer
                      Choose(*w, 1);
                      Click(*w, IDC_FLAG);
                      Click(*w, IDC_NEXT);
                      Choose(*w, 0);
                      Choose(*w, 0); // taken back
                      Click(*w, IDC_NEXT);
                      Choose(*w, 2);
                      Click(*w, IDC_NEXT);
                      Click(*w, IDC_NEXT);
                      m_now += 100;
                      Click(*w, IDC_FLAG);
                      left = Seen(*w);
                      QTest::keyClick(w.get(), Qt::Key_Escape);
                  });
        }
        QVERIFY(QFile::exists(journal));

        // Another student is not offered Ann's test.
        {
            auto w = Window("test", bank);
            Drive(*w,
                  [&]
                  {
                      QCOMPARE(ReturningLogIn(*w, "Bob"), QStringList());
                      w->reject();
                  });
        }

        m_now += 5000; // the program was closed: not counted
        auto w = Window("test", bank);
        const int ended =
            Drive(*w,
                  [&]
                  {
                      const QStringList asked = ReturningLogIn(*w, "Ann", {{"okButton"}});
                      QCOMPARE(asked.size(), 1);
                      QVERIFY2(asked[0].startsWith("promptBox: You have an unfinished Test from ") &&
                                   asked[0].endsWith(", with 2 of 20 questions answered. Continue it? Cancel "
                                                     "starts a new Test and drops the unfinished one."),
                               qPrintable(asked[0]));
                      QCOMPARE(Seen(*w), left);
                      QCOMPARE(w->GetPage(), int(PageTest));
                      QCOMPARE(m_now - w->GetRun()->GetStartTime(), quillet::TimeSpan(100));
                      // Grading records the result and ends the journal.
                      for (CQuestion* q : InOrder(*w))
                          q->SetAnswer(q->GetCorrect());
                      while (w->GetRun()->Go(quillet::TestRun::Move::Next))
                      {
                      }
                      QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                      QCOMPARE(w->GetPage(), int(PageResults));
                      Click(*w, IDC_EXIT_RESULTS);
                  });
        QCOMPARE(ended, IDOK);
        QVERIFY(!QFile::exists(journal));
        const auto stored = testrecords::ReadRecordFile(m_recordFile);
        QCOMPARE(stored->GetResult(stored->FindStudent("Ann"), 0)->m_nRight, 20);
    }

    void anUnfinishedTestDeclinedOrUnfitIsNotPutBack()
    {
        SeedStudent(m_recordFile, "Ann", "pw");
        const std::string bank = Bank({10, 10});
        const QString journal = AnnsJournal();
        QStringList left;
        {
            auto w = Window("test", bank);
            Drive(*w,
                  [&]
                  {
                      ReturningLogIn(*w, "Ann");
                      Choose(*w, 1);
                      left = Seen(*w);
                      w->reject();
                  });
        }
        QFile saved(journal);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray quizJournal = saved.readAll().replace("kind Test", "kind Quiz");
        saved.close();
        // Declined: a new draw, and the journal is gone.
        {
            auto w = Window("test", bank);
            Drive(*w,
                  [&]
                  {
                      QCOMPARE(ReturningLogIn(*w, "Ann", {{"cancelButton"}}).size(), 1);
                      QCOMPARE(w->GetRun()->GetAnsweredCount(), 0);
                      QVERIFY(Seen(*w) != left);
                      w->reject();
                  });
        }
        QVERIFY(!QFile::exists(journal));

        // A quiz's journal under a Test's name, and one that does not read
        // (the journal tests try the other ways not to fit): set aside, told,
        // never offered.
        const std::pair<QByteArray, QString> unfit[] = {
            {quizJournal, "the journal is of another test"},
            {QByteArray("\x01garbage"), "it does not read as one"}};
        for (const auto& [bytes, why] : unfit)
        {
            QFile file(journal);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
            auto w = Window("test", bank);
            Drive(*w,
                  [&]
                  {
                      QCOMPARE(ReturningLogIn(*w, "Ann", {{"okButton"}}),
                               QStringList{"messageBox: Your unfinished Test could not be restored: " + why +
                                           "."});
                      QCOMPARE(w->GetPage(), int(PageTest));
                      w->reject();
                  });
            QVERIFY(!QFile::exists(journal));
            QVERIFY(QFile::exists(journal + ".bad"));
            QFile::remove(journal + ".bad");
        }
    }

    void lineBreaksCannotBeTypedIntoNameOrPassword()
    {
        auto w = Window("test", Bank({4}));
        const int ended = Drive(*w,
                                [&]
                                {
                                    for (const int id : {IDC_USER_NAME, IDC_PASSWORD})
                                    {
                                        Edit(*w, id)->clear();
                                        Edit(*w, id)->setFocus();
                                        QApplication::clipboard()->setText(QStringLiteral("Ann\nEve"));
                                        Edit(*w, id)->paste();
                                        QTest::keyClicks(Edit(*w, id), QStringLiteral("Bo"));
                                        QCOMPARE(Edit(*w, id)->text(), QStringLiteral("Bo"));
                                    }
                                    w->reject();
                                });
        QCOMPARE(ended, int(QDialog::Rejected));
    }

    void reviewShowsTheNotesAndReadsThemWithTheAnswers_data()
    {
        QTest::addColumn<QString>("notes"); // of the right answer, then of the wrong one
        QTest::addColumn<QString>("shown"); // in the notes box; empty: no box
        QTest::newRow("both") << "}Routers join networks.|}A hub only repeats."
                              << "Your answer: A hub only repeats.\nRight answer: Routers join networks.";
        QTest::newRow("the right one's") << "}Routers join networks.|"
                                         << "Right answer: Routers join networks.";
        QTest::newRow("none") << "|"
                              << "";
    }
    void reviewShowsTheNotesAndReadsThemWithTheAnswers()
    {
        QFETCH(QString, notes);
        QFETCH(QString, shown);
        const std::string right = notes.section('|', 0, 0).toStdString();
        const std::string wrong = notes.section('|', 1).toStdString();
        std::string bank = "!Networks\n@Ch1\n";
        for (int q = 1; q <= 10; ++q)
            bank += "#Q" + std::to_string(q) + "\n^Router\n" + (right.empty() ? "" : right + "\n") +
                    "^Hub\n" + (wrong.empty() ? "" : wrong + "\n");
        auto w = Window("quiz", bank);
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  // The first question wrong, the rest right.
                  QVERIFY(AnswerAll(*w, "w" + std::string(9, 'r')));
                  QCOMPARE(Shown(*w).contains(IDC_NOTES), false);
                  QCOMPARE(Prompted(*w, IDC_NEXT).size(), 1);
                  Click(*w, IDC_REVIEW);
                  QCOMPARE(w->Control(IDC_NOTES)->isVisible(), !shown.isEmpty());
                  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(w->Control(IDC_NOTES));
                  if (!shown.isEmpty())
                      QCOMPARE(box->textInterface()->text(0, box->textInterface()->characterCount()), shown);
                  // Each answer is heard with its own note.
                  QStringList heard;
                  for (const int id : {IDC_ANSWER_A, IDC_ANSWER_B})
                      heard << QAccessible::queryAccessibleInterface(w->Control(id))->text(QAccessible::Name);
                  heard.sort();
                  const QString routerNote = right.empty() ? "" : ". Note: Routers join networks.";
                  const QString hubNote = wrong.empty() ? "" : ". Note: A hub only repeats.";
                  const bool routerFirst = w->GetCurrent()->GetCorrect() == 0;
                  QStringList expected{
                      QString(routerFirst ? "A" : "B") + ") Router, right answer" + routerNote,
                      QString(routerFirst ? "B" : "A") + ") Hub, your choice, wrong" + hubNote};
                  expected.sort();
                  QCOMPARE(heard, expected);
              });
    }

    void longTextsAreSetSmallerThenScrolledAndReadWhole_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("sentences");
        QTest::addColumn<bool>("smaller");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("short question") << int(IDC_QUESTION) << 1 << false << false;
        QTest::newRow("five-line question") << int(IDC_QUESTION) << 3 << true << false;
        QTest::newRow("question past the smallest face") << int(IDC_QUESTION) << 8 << true << true;
        QTest::newRow("long answer") << int(IDC_ANSWER_A) << 2 << true << false;
        QTest::newRow("answer past the smallest face") << int(IDC_ANSWER_A) << 6 << true << true;
    }
    void longTextsAreSetSmallerThenScrolledAndReadWhole()
    {
        QFETCH(int, id);
        QFETCH(int, sentences);
        QFETCH(bool, smaller);
        QFETCH(bool, scrolls);
        std::string text;
        for (int i = 1; i <= sentences; ++i)
            text +=
                "Sentence " + std::to_string(i) + " tells how a router forwards a packet between networks. ";
        text += "Which is it?";
        const bool question = id == IDC_QUESTION;
        auto w =
            Window("quiz", "!Networks\n@Ch1\n#" + (question ? text : std::string("Q")) + "\n^" +
                               (question ? std::string("a") : text) + "\n^" + (question ? "b" : text) + "\n");
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  QWidget* control = w->Control(id);
                  const QString shown =
                      question ? "1) " + QString::fromStdString(text) : "A) " + QString::fromStdString(text);
                  const auto fit = FitText(question ? kQuestionBox : kAnswerBox, shown);
                  QCOMPARE(fit.smaller, smaller);
                  QCOMPARE(fit.overflow > 0, scrolls);
                  // A screen reader reads it whole, however it is drawn.
                  QAccessibleInterface* read = QAccessible::queryAccessibleInterface(control);
                  const QString whole =
                      question ? read->textInterface()->text(0, 10'000) : read->text(QAccessible::Name);
                  QVERIFY2(whole.endsWith(QString::fromStdString(text).simplified()), qPrintable(whole));
                  // The wheel and the arrow keys scroll it to its end and back, when it does not fit.
                  control->setFocus();
                  const QImage top = control->grab().toImage();
                  QWheelEvent down(QPointF(10, 10), control->mapToGlobal(QPointF(10, 10)), {},
                                   QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                  QApplication::sendEvent(control, &down);
                  for (int i = 0; i < 20; ++i)
                      QTest::keyClick(control, Qt::Key_Down);
                  QCOMPARE(control->grab().toImage() != top, scrolls);
                  for (int i = 0; i < 21; ++i)
                      QTest::keyClick(control, Qt::Key_Up);
                  QCOMPARE(control->grab().toImage(), top);
              });
    }

    void everyButtonHasAKeyThatClashesWithNoneOnItsPage_data()
    {
        QTest::addColumn<int>("key"); // index into kWindowKeys
        for (std::size_t k = 0; k < std::size(kWindowKeys); ++k)
            QTest::addRow("%s %s", kWindowKeys[k].keys, kWindowKeys[k].what) << int(k);
    }
    void everyButtonHasAKeyThatClashesWithNoneOnItsPage()
    {
        QFETCH(int, key);
        const WindowKey& wanted = kWindowKeys[key];
        const unsigned pages = ControlOf(wanted.id).pages;
        // No other shown button of a page that shows it answers the same key,
        // nor is it an answer's or Next's.
        for (const WindowKey& other : kWindowKeys)
            if (&other != &wanted && (ControlOf(other.id).pages & pages) && other.id != wanted.id)
                QVERIFY2(QString(other.keys) != wanted.keys, other.what);
        const QKeySequence sequence(QString::fromLatin1(wanted.keys));
        for (const char letter : std::string("ABCDEFN"))
            if (wanted.id != IDC_NEXT && wanted.id != IDC_ANSWER_A)
                QVERIFY(sequence != QKeySequence(QString("Alt+") + letter));

        // Pressed on its page, the key clicks the button; the focus stays
        // on it, but for Next and Previous, which go to the question.
        const bool results = ControlOf(wanted.id).pages == OnPages({PageResults});
        const bool review = ControlOf(wanted.id).pages == OnPages({PageReview}) || wanted.id == IDC_EXIT;
        QTemporaryDir print;
        qputenv("QUILLET_PRINT_PDF", QFile::encodeName(print.filePath("print.pdf")));
        UrlCatcher urls;
        for (const char* scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(scheme, &urls, "open");
        const auto restore = qScopeGuard(
            []
            {
                for (const char* scheme : {"http", "https"})
                    QDesktopServices::unsetUrlHandler(scheme);
            });
        auto w = Window(wanted.id == IDC_HINT ? "quiz" : "test", Bank({12, 12}));
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  Choose(*w, WrongAnswer(*w->GetCurrent()));
                  Click(*w, IDC_FLAG);
                  Click(*w, IDC_NEXT);
                  while ((results || review) && w->GetPage() == PageTest)
                      Answering({{"okButton"}}, [&] { Click(*w, IDC_NEXT); });
                  if (review)
                      Click(*w, IDC_REVIEW);
                  auto* button = qobject_cast<QAbstractButton*>(w->Control(wanted.id));
                  QVERIFY(button->isVisible());
                  int clicked = 0;
                  connect(button, &QAbstractButton::clicked, [&] { ++clicked; });
                  // The boxes before took the window's activation with them.
                  QApplication::setActiveWindow(w.get());
                  QVERIFY(QTest::qWaitForWindowActive(w.get()));
                  const QKeyCombination combination = sequence[0];
                  Answering(
                      {},
                      [&] { QTest::keyClick(w.get(), combination.key(), combination.keyboardModifiers()); });
                  // A mnemonic clicks after a short press, as a button shows it.
                  QTRY_COMPARE(clicked, 1);
                  if (w->isVisible() && (wanted.id == IDC_NEXT || wanted.id == IDC_PREVIOUS))
                      QCOMPARE(w->focusWidget(), w->Control(IDC_QUESTION));
                  else if (w->isVisible() && button->isVisible() && !wanted.byCaption)
                      QCOMPARE(w->focusWidget(), button);
              });
    }

    void keyboardBoxAndManualListEveryKey()
    {
        QFile manual(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../docs/man/quillet.1.in"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(manual.readAll()).remove("\\f").remove('\\');
        auto w = Window("test", Bank({10, 10}));
        Drive(*w,
              [&]
              {
                  std::vector<CKeysDlg::Row> listed;
                  QTimer::singleShot(0,
                                     [&]
                                     {
                                         if (auto* box =
                                                 qobject_cast<CKeysDlg*>(QApplication::activeModalWidget()))
                                         {
                                             listed = box->m_rows;
                                             box->accept();
                                         }
                                     });
                  QTest::keyClick(w.get(), Qt::Key_F1);
                  // Each key on one row, which says what every button of the key does.
                  QStringList keysListed;
                  for (const CKeysDlg::Row& row : listed)
                      keysListed += row.keys.split(", ");
                  for (const WindowKey& key : kWindowKeys)
                  {
                      const QString keys =
                          QString(key.keys).replace("PgDown", "Page Down").replace("PgUp", "Page Up");
                      QVERIFY2(keysListed.count(keys) == 1, key.keys);
                      const auto row = std::find_if(listed.begin(), listed.end(),
                                                    [&](const CKeysDlg::Row& r)
                                                    { return r.keys.split(", ").contains(keys); });
                      QVERIFY2(row->what.contains(QString(key.what)), key.keys);
                      QVERIFY2(page.contains(keys), key.keys);
                  }
                  QCOMPARE(keysListed.count("F1"), 1);
              });
    }

    void searchesKeepTheFocusAndTheQuestionShowsItsOwn()
    {
        auto w = Window("test", Bank({10, 10}));
        Drive(*w,
              [&]
              {
                  QVERIFY(LogIn(*w));
                  QApplication::setActiveWindow(w.get());
                  QVERIFY(QTest::qWaitForWindowActive(w.get()));
                  QWidget* question = w->Control(IDC_QUESTION);
                  QCOMPARE(w->focusWidget(), question);
                  const QImage focused = question->grab().toImage();
                  w->Control(IDC_NEXT_UNANSWERED)->setFocus();
                  QVERIFY(question->grab().toImage() != focused); // the focus mark is gone
                  const CQuestion* first = w->GetCurrent();
                  QTest::keyClick(w->Control(IDC_NEXT_UNANSWERED), Qt::Key_Space);
                  QVERIFY(w->GetCurrent() != first);
                  QCOMPARE(w->focusWidget(), w->Control(IDC_NEXT_UNANSWERED));
                  w->Control(IDC_PREVIOUS)->setFocus();
                  QTest::keyClick(w->Control(IDC_PREVIOUS), Qt::Key_Space);
                  QCOMPARE(w->GetCurrent(), first);
                  QCOMPARE(w->focusWidget(), question);
              });
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
        const int got = Drive(*w,
                              [&]
                              {
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
        QCOMPARE(ResultCount(Known(*w).get()), 0);
        QCOMPARE(ResultCount(testrecords::ReadRecordFile(m_recordFile).get()), 0);
        QVERIFY(
            !QFile::exists(QString::fromStdString(quillet::CResponseFile::Beside(m_recordFile).GetPath())));
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
