// quillet-gallery [--scale FACTOR] OUTDIR [BANK]: renders every skinned dialog
// in its states, and with a bank every page of the test window, to PNG files,
// for the documentation and for reviewing the artwork. FACTOR (default 1)
// renders as on a screen of that many device pixels to a pixel, 2 for the
// 2x skin.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

#include "course/CourseReader.h"
#include "records/FileRecordStore.h"
#include "testwin/QuilletDlg.h"

#include "output/MailSender.h"
#include "skin/MessageDlgs.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/EmailAddressDlg.h"
#include "testwin/SkinPrompts.h"
#include "testwin/WindowKeys.h"

namespace
{
struct Shot
{
    const char* file;
    std::function<void(QWidget&)> prepare; // puts the dialog in the state shown
};

CSkinButton* Button(QWidget& dialog, const char* name)
{
    return dialog.findChild<CSkinButton*>(QString::fromLatin1(name));
}

bool Save(QWidget& dialog, const QString& dir, const Shot& shot)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QApplication::processEvents();
    if (shot.prepare)
        shot.prepare(dialog);
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(shot.file);
    const bool saved = dialog.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    dialog.hide();
    return saved;
}

void FocusOn(QWidget& dialog, const char* name)
{
    Button(dialog, name)->setFocus();
}

// Clicks OK on the prompt the next step raises.
void AcceptNextPrompt()
{
    QTimer::singleShot(0,
                       []
                       {
                           if (QWidget* prompt = QApplication::activeModalWidget())
                               Button(*prompt, "okButton")->click();
                       });
}

bool SaveWindow(CQuilletDlg& window, const QString& dir, const char* file)
{
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(file);
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

// A window on the record file, with the program's own boxes.
std::unique_ptr<CQuilletDlg> MakeWindow(const std::string& recordFile)
{
    return std::make_unique<CQuilletDlg>(std::make_unique<quillet::FileRecordStore>(recordFile),
                                         std::make_unique<CSkinPrompts>());
}

// A window on the bank and the record file, logged in as a returning
// student; a quiz of chapter `chapter`, else a Test.
std::unique_ptr<CQuilletDlg> OpenWindow(const std::string& bank, const std::string& recordFile, int chapter,
                                        std::uint32_t seed)
{
    auto window = MakeWindow(recordFile);
    auto course = CCourseReader().Load(bank);
    if (!course)
        return window;
    CRandom random(seed);
    window->SetRun(chapter > 0 ? quillet::TestRun::DrawQuiz(std::move(course), chapter, random)
                               : quillet::TestRun::DrawTest(std::move(course), false, random));
    window->SetClock([] { return quillet::TimeStamp(1'765'000'000); });
    window->OnInitDialog();
    window->show();
    window->findChild<QLineEdit*>(QStringLiteral("control1021"))->setText(QStringLiteral("student"));
    window->findChild<QLineEdit*>(QStringLiteral("control1022"))->setText(QStringLiteral("secret"));
    return window;
}

bool SavePages(const QString& dir, const std::string& bank)
{
    // The student exists already, so logging in asks nothing. The journals
    // of the tests left open lie beside the scratch record file, and the
    // account's data folder is a scratch one too.
    QTemporaryDir records;
    qputenv("XDG_DATA_HOME", records.path().toLocal8Bit());
    const std::string recordFile = records.filePath(QString::fromLatin1(kRecordFileName)).toStdString();
    quillet::FileRecordStore(recordFile).Register({"student", "secret"});

    bool ok = true;
    {
        const auto empty = MakeWindow(recordFile);
        empty->OnInitDialog();
        empty->show();
        empty->findChild<QLineEdit*>(QStringLiteral("control1021"))->setText(QStringLiteral("student"));
        ok &= SaveWindow(*empty, dir, "page-login.png");
        empty->findChild<QLineEdit*>(QStringLiteral("control1022"))->setText(QStringLiteral("secret"));
        empty->OnLoginNext();
        ok &= SaveWindow(*empty, dir, "page-empty.png");
    }

    auto test = OpenWindow(bank, recordFile, 0, 7);
    test->OnLoginNext();
    for (int i = 0; i < 3; ++i)
        test->OnNext();
    test->SelectAnswer(1);
    test->OnFlag();
    // A question page starts with the focus on the question, which shows no
    // focus; Next is shown with it, as after a Tab.
    test->Control(IDC_NEXT)->setFocus();
    ok &= SaveWindow(*test, dir, "page-test-question.png");

    // Answers the rest, three in four right, and grades.
    int n = 0;
    for (CQuestion* q = test->GetCurrent(); q; q = test->GetCurrent(), ++n)
    {
        q->SetAnswer(n % 4 == 3 ? (q->GetCorrect() + 1) % q->GetAnswerCount() : q->GetCorrect());
        if (test->GetPage() != PageTest)
            break;
        CQuestion* before = q;
        AcceptNextPrompt();
        test->OnNext();
        if (test->GetCurrent() == before && test->GetPage() == PageTest)
            break;
    }
    ok &= SaveWindow(*test, dir, "page-results.png");
    test->OnReview();
    ok &= SaveWindow(*test, dir, "page-review.png");

    auto quiz = OpenWindow(bank, recordFile, 3, 11);
    quiz->OnLoginNext();
    quiz->SelectAnswer(0);
    quiz->Control(IDC_NEXT)->setFocus();
    ok &= SaveWindow(*quiz, dir, "page-quiz-question.png");
    return ok;
}
}

int main(int argc, char** argv)
{
    // The scale is the window system's, so it is set before Qt starts.
    if (argc >= 3 && std::strcmp(argv[1], "--scale") == 0)
    {
        qputenv("QT_SCALE_FACTOR", argv[2]);
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc != 2 && argc != 3)
    {
        std::fputs("usage: quillet-gallery [--scale FACTOR] OUTDIR [BANK]\n", stderr);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    bool ok = true;

    CMessageDlg hint;
    hint.m_strFace = "Arial";
    hint.m_nHeight = 22;
    hint.m_nFormat = 17;
    hint.m_nBackground = 0;
    hint.m_strText = "Think about what the router does with a private address before it sends a packet out.";
    ok &= Save(hint, dir, {"message-hint.png", {}});

    CMessageDlg table;
    table.m_strFace = "Courier";
    table.m_nHeight = 18;
    table.m_nFormat = 1;
    table.m_nBackground = 1;
    table.m_strText = "date      time     speed        score   \n"
                      "12/01/2026  09:15AM  00:14:02  14/20   70%\n"
                      "12/04/2026  02:40PM  00:12:37  17/20   85%\n"
                      "12/08/2026  10:05AM  00:11:50  19/20   95%\n";
    ok &= Save(table, dir, {"message-compare-previous.png", {}});

    CAlertDlg alert;
    alert.m_strTitle = "Invalid Password";
    alert.m_strMessage = "Please Re-enter Password.";
    ok &= Save(alert, dir, {"alert-invalid-password.png", {}});

    CPromptDlg prompt;
    prompt.m_strText = "3 questions unanswered!\nGrade Test?";
    ok &= Save(prompt, dir, {"prompt-ok-focused.png", [](QWidget& d) { FocusOn(d, "okButton"); }});
    ok &= Save(prompt, dir, {"prompt-cancel-focused.png", [](QWidget& d) { FocusOn(d, "cancelButton"); }});
    ok &= Save(prompt, dir,
               {"prompt-ok-pressed.png", [](QWidget& d) { Button(d, "okButton")->setDown(true); }});
    Button(prompt, "okButton")->setDown(false);
    prompt.m_strText = "\nPrint Results?";
    ok &= Save(prompt, dir, {"prompt-print-results.png", [](QWidget& d) { FocusOn(d, "okButton"); }});

    CConfirmPasswordDlg confirm;
    ok &= Save(confirm, dir, {"confirm-password.png", [](QWidget& d) {
                                  d.findChild<QLineEdit*>()->setText(QStringLiteral("secret"));
                              }});

    CEmailAddressDlg address;
    address.m_strAddress = "teacher@example.org";
    ok &= Save(address, dir, {"email-address.png", {}});

    CBusyDlg busy;
    busy.m_strText = quillet::kMailSending;
    ok &= Save(busy, dir, {"busy-sending.png", [](QWidget& d) { FocusOn(d, "cancelButton"); }});

    CAboutDlg about;
    ok &= Save(about, dir, {"about.png", {}});

    CKeysDlg keys;
    keys.m_rows = WindowKeyRows();
    ok &= Save(keys, dir, {"keyboard.png", {}});
    if (argc == 3)
        ok &= SavePages(dir, argv[2]);
    return ok ? 0 : 1;
}
