// Plays students through the whole program without end, for the crash test to kill: each start
// logs in a new student, takes the test, grades it, retakes it and leaves with EXIT; then it starts
// again. Prints "P <phase>" as a phase begins, "C u" / "C r" once a student / a result is stored,
// "E ..." on anything odd. With --probe it only starts the program and prints (and answers with
// its exit status) what it reached: window (0), else running or nothing (3). With --answer N and
// --resume it plays one student leaving a test half done and coming back to it (see Resumer).
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <csignal>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

#include "app/QuilletApp.h"
#include "skin/MessageDlgs.h"
#include "testwin/QuilletDlg.h"

namespace
{
// One write per line, so that a kill never leaves half a line in the pipe.
void Say(std::string line)
{
    line += '\n';
    (void)!::write(STDOUT_FILENO, line.data(), line.size());
}

void Click(QWidget* control)
{
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button || !button->isVisible())
        return Say("E hidden button");
    button->click();
}

// Confirms the password and accepts every prompt; any other box is odd.
void AnswerStudentBox(QWidget& modal, const std::string& password)
{
    const QString name = modal.objectName();
    if (name == "confirmPasswordBox")
        modal.findChild<QLineEdit*>("confirmEdit")->setText(QString::fromStdString(password));
    if (name == "confirmPasswordBox" || name == "promptBox")
        return Click(modal.findChild<QAbstractButton*>("okButton"));
    Say("E box " + name.toStdString());
    if (auto* dialog = qobject_cast<QDialog*>(&modal))
        dialog->done(-1);
}

struct Player
{
    bool probe = false;
    std::string reached, password; // reached: window or running
    int students = 0, asked = 0, graded = 0;

    // Answers the boxes; never blocks, so it keeps running under every box.
    void AnswerBox()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<CQuilletDlg*>(modal))
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
        {
            if (box->text() == kAlreadyRunning)
                reached = "running";
            return box->done(0); // also 102, and 103 "Can't find the Play program." as the window closes
        }
        AnswerStudentBox(*modal, password);
    }

    // One step of the student in the window; may block under a box.
    void Step()
    {
        auto* w = qobject_cast<CQuilletDlg*>(QApplication::activeModalWidget());
        if (!w)
            return;
        reached = "window";
        const int page = w->GetPage();
        if (probe)
            w->reject();
        else if (page == PageLogin)
        {
            const std::string name = "s" + std::to_string(::getpid()) + "-" + std::to_string(++students);
            password = "pw" + std::to_string(students);
            asked = graded = 0;
            Say("P login");
            qobject_cast<QLineEdit*>(w->Control(IDC_USER_NAME))->setText(QString::fromStdString(name));
            qobject_cast<QLineEdit*>(w->Control(IDC_PASSWORD))->setText(QString::fromStdString(password));
            Click(w->Control(IDC_LOGIN_NEXT));
            Say(w->GetPage() == PageTest ? "C u" : "E login refused");
        }
        else if (page == PageTest && w->GetCurrent() && w->GetCurrent()->GetAnswer() < 0)
        {
            if (asked == 0)
                Say("P test");
            Click(w->Control(IDC_ANSWER_A + (asked + students) % 3)); // every question has three
        }
        else if (page == PageTest && ++asked < w->GetRun()->GetScore().total)
            Click(w->Control(IDC_NEXT));
        else if (page == PageTest)
        {
            Say("P grade");
            Click(w->Control(IDC_NEXT));
            Say(w->GetPage() == PageResults ? "C r" : "E not graded");
        }
        else if (page == PageResults)
        {
            asked = 0;
            const bool again = ++graded < 3; // results per start
            Say(again ? "P retake" : "P exit");
            Click(w->Control(again ? IDC_RETAKE : IDC_EXIT_RESULTS));
        }
        else
        {
            Say("E page " + std::to_string(page));
            w->reject();
        }
    }
};
}

// What the student has answered, in test order: the answer's index or '-'.
std::string Answers(const CQuilletDlg& w)
{
    std::string answers;
    for (const CQuestion* q : w.GetRun()->GetQuestions())
        answers += q->GetAnswer() < 0 ? '-' : static_cast<char>('0' + q->GetAnswer());
    return answers;
}

// --answer N: "ann" answers the first N questions and waits to be killed.
// --resume: "ann" takes the unfinished test she is offered, finishes and
// grades it, and leaves.
struct Resumer
{
    int toAnswer = 0;
    bool resume = false;
    bool offered = false;
    bool said = false;

    void AnswerBox()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<CQuilletDlg*>(modal))
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            return box->done(0); // "Can't find the Play program." as the window closes: no player runs
        if (auto* prompt = qobject_cast<CPromptDlg*>(modal);
            prompt && prompt->m_strText.rfind("You have an unfinished", 0) == 0)
            offered = true;
        AnswerStudentBox(*modal, "pw");
    }

    void Step()
    {
        auto* w = qobject_cast<CQuilletDlg*>(QApplication::activeModalWidget());
        if (!w)
            return;
        const int page = w->GetPage();
        if (page == PageLogin)
        {
            qobject_cast<QLineEdit*>(w->Control(IDC_USER_NAME))->setText("ann");
            qobject_cast<QLineEdit*>(w->Control(IDC_PASSWORD))->setText("pw");
            Click(w->Control(IDC_LOGIN_NEXT));
            if (resume)
                Say((offered ? "C resumed " : "E not offered ") +
                    std::to_string(w->GetRun()->GetAnsweredCount()) + " " + Answers(*w));
            return;
        }
        const CQuestion* current = w->GetCurrent();
        if (page == PageTest && !resume && w->GetRun()->GetAnsweredCount() >= toAnswer)
        {
            if (!said)
                Say("P answered " + Answers(*w));
            said = true;
        }
        else if (page == PageTest && current && current->GetAnswer() < 0)
            Click(w->Control(IDC_ANSWER_B));
        else if (page == PageTest)
            Click(w->Control(IDC_NEXT)); // past the last question: the grading prompt
        else if (page == PageResults)
        {
            Say("C graded " + std::to_string(w->GetRun()->GetScore().right));
            Click(w->Control(IDC_EXIT_RESULTS));
        }
    }
};

int main(int argc, char** argv)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the test
    QApplication application(argc, argv);
    if (argc > 2 && (std::string(argv[2]) == "--answer" || std::string(argv[2]) == "--resume"))
    {
        Resumer resumer;
        resumer.resume = std::string(argv[2]) == "--resume";
        resumer.toAnswer = argc > 3 ? std::atoi(argv[3]) : 0;
        QTimer boxes, steps;
        QObject::connect(&boxes, &QTimer::timeout, [&] { resumer.AnswerBox(); });
        QObject::connect(&steps, &QTimer::timeout, [&] { resumer.Step(); });
        boxes.start(1);
        steps.start(1);
        Say("P start");
        CQuilletApp().InitInstance({argv[1]});
        return 0;
    }
    Player player;
    player.probe = argc > 2 && std::string(argv[2]) == "--probe";
    // Two timers: a step may sit in a box's loop, where its own timer does
    // not fire again but the box timer does.
    QTimer boxes, steps;
    QObject::connect(&boxes, &QTimer::timeout, [&] { player.AnswerBox(); });
    QObject::connect(&steps, &QTimer::timeout, [&] { player.Step(); });
    boxes.start(1);
    steps.start(1);
    do
    {
        Say(player.probe ? "" : "P start");
        player.reached.clear();
        CQuilletApp().InitInstance({argv[1]});
    } while (!player.probe && player.reached == "window");
    Say(player.reached.empty() ? "nothing" : player.reached);
    return player.reached == "window" ? 0 : 3;
}
