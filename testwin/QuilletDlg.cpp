#include "testwin/QuilletDlg.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>

#include "platform/Folders.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/PageSurface.h"
#include "testwin/WindowKeys.h"

using namespace quillet::skin;
using Phase = quillet::TestSession::Phase;
using Step = quillet::TestSession::Step;

namespace
{
// What each button does; the answers are chosen apart.
struct Command
{
    int id;
    void (CQuilletDlg::*handler)();
};
constexpr Command kCommands[] = {
    {IDC_NEXT, &CQuilletDlg::OnNext},
    {IDC_PREVIOUS, &CQuilletDlg::OnPrevious},
    {IDC_FLAG, &CQuilletDlg::OnFlag},
    {IDC_LAST_FLAGGED, &CQuilletDlg::OnLastFlagged},
    {IDC_NEXT_FLAGGED, &CQuilletDlg::OnNextFlagged},
    {IDC_NEXT_UNANSWERED, &CQuilletDlg::OnNextUnanswered},
    {IDC_LAST_UNANSWERED, &CQuilletDlg::OnLastUnanswered},
    {IDC_EXIT, &CQuilletDlg::OnExit},
    {IDC_EXIT_RESULTS, &CQuilletDlg::OnExit},
    {IDC_HINT, &CQuilletDlg::OnHint},
    {IDC_REVIEW, &CQuilletDlg::OnReview},
    {IDC_RETAKE, &CQuilletDlg::OnRetake},
    {IDC_LOGIN_NEXT, &CQuilletDlg::OnLoginNext},
    {IDC_PRINT, &CQuilletDlg::OnPrint},
    {IDC_EMAIL, &CQuilletDlg::OnEMail},
    {IDC_COMPARE_PREVIOUS, &CQuilletDlg::OnComparePrevious},
    {IDC_COMPARE_NATIONAL, &CQuilletDlg::OnCompareNational},
    {IDC_PLAY_TOPIC, &CQuilletDlg::OnPlayTopic},
};
}

CQuilletDlg::CQuilletDlg(std::unique_ptr<quillet::RecordStore> store, std::unique_ptr<CWindowPrompts> prompts,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      m_student(std::move(store)),
      m_clock([] { return static_cast<quillet::TimeStamp>(std::time(nullptr)); }),
      m_painter(m_session, [this] { return Now(); }), m_pPrompts(std::move(prompts)),
      m_commands(this, m_session, m_student, *m_pPrompts), m_pMenu(new QMenuBar(this)),
      m_pSurface(
          new CPageSurface(this, [this](QPainter& painter) { m_painter.PaintPage(painter, m_nPage); })),
      m_pClockTimer(new QTimer(this))
{
    m_pPrompts->SetOwner(this);
    setObjectName(QStringLiteral("quilletWindow"));
    setWindowTitle(QStringLiteral("Quillet"));
    setWindowIcon(QIcon(QStringLiteral(":/skin/icon.png")));

    QMenu* file = m_pMenu->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Exit"), this, &CQuilletDlg::OnExit)
        ->setObjectName(QStringLiteral("exitAction"));
    QMenu* help = m_pMenu->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Keyboard..."), QKeySequence(QString::fromLatin1(kKeyboardHelpKey)), this,
                    [this] { ShowWindowKeys(this); })
        ->setObjectName(QStringLiteral("keyboardAction"));
    help->addAction(QString::fromLatin1(kAboutItem), this, [this] { m_pPrompts->About(); })
        ->setObjectName(QStringLiteral("aboutAction"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_pMenu);
    layout->addWidget(m_pSurface);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_pControls = std::make_unique<CPageControls>(
        m_pSurface, [this](QPainter& painter, const DrawItem& item) { m_painter.DrawItem(painter, item); },
        [this](int id) { OnClicked(id); });
    m_pAccessibility = std::make_unique<CWindowAccessibility>(
        m_session, m_painter, [this](int id) { return Control(id); }, m_pControls->ResultsSummary());
    m_pAccessibility->DescribeControls();
    m_pControls->SetTabOrder();
    m_pControls->ScrollWith([this](int id, int lines) { return m_painter.ScrollText(id, lines); });
    InstallWindowKeys([this](int id) { return Control(id); });

    m_pClockTimer->setInterval(1000);
    connect(m_pClockTimer, &QTimer::timeout, this, &CQuilletDlg::OnClockTick);
}

CQuilletDlg::~CQuilletDlg() = default;

void CQuilletDlg::OnClicked(int id)
{
    if (id >= IDC_ANSWER_A && id <= IDC_ANSWER_D)
    {
        SelectAnswer(id - IDC_ANSWER_A);
        // Chosen by its mnemonic, the answer takes the focus, so that a
        // screen reader says which one it is.
        if (m_session.GetPhase() == Phase::Answering)
            Control(id)->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    for (const Command& command : kCommands)
        if (command.id == id)
            return (this->*command.handler)();
}

void CQuilletDlg::SetRun(std::unique_ptr<quillet::TestRun> run)
{
    m_session = quillet::TestSession(std::move(run));
}

int CQuilletDlg::DoModal()
{
    if (m_nPage == PageStart)
    {
        // The window system maps the window while the page is set up, which
        // it had waited for before: no event, and so no paint, is handled
        // until exec, and the window it paints then is the one set up.
        setWindowTitle(FromBytes(m_session.Caption()));
        setAttribute(Qt::WA_ShowModal);
        show();
        OnInitDialog();
    }
    return exec();
}

void CQuilletDlg::OnInitDialog()
{
    if (m_nPage != PageStart)
        return;
    const QString caption = FromBytes(m_session.Caption());
    setWindowTitle(caption);
    if (m_pPlayer)
        m_pPlayer->WriteCaption(ToBytes(caption));
    m_pClockTimer->start();
    ShowPage();
    m_pControls->UserEdit()->setText(FromBytes(quillet::LogOnName()));
    m_pControls->PasswordEdit()->clear();
}

int CQuilletDlg::PageOfPhase() const
{
    switch (m_session.GetPhase())
    {
    case Phase::Login:
        return PageLogin;
    case Phase::NoQuestions:
        return PageEmpty;
    case Phase::Answering:
        // The quiz's page is the one with the HINT button.
        return m_session.OffersHint() ? PageQuiz : PageTest;
    case Phase::Results:
        return PageResults;
    case Phase::Review:
        return PageReview;
    }
    return PageEmpty;
}

void CQuilletDlg::ShowPage()
{
    m_nPage = PageOfPhase();
    if (m_nPage == PageResults)
    {
        // Filled first, so that the list read out is the one painted.
        QListWidget* list = m_pControls->ResultsList();
        list->clear();
        list->addItems(m_painter.ResultsLines());
        list->setCurrentRow(0);
    }
    TellAccessible();
    ShowControls();
    RefreshQuestion();
    // The result is kept as the page changes, not when it is painted: a
    // hidden or minimised window may never paint it.
    RecordPendingResult();
    Redraw();
}

bool CQuilletDlg::IsShownOnPage(int id) const
{
    if (m_nPage < 0 || !(ControlOf(id).pages & (1u << m_nPage)))
        return false;
    if (id >= IDC_ANSWER_A && id <= IDC_ANSWER_D)
        return id - IDC_ANSWER_A < m_session.AnswersShown();
    if (id == IDC_COMPARE_NATIONAL)
        return m_session.OffersCompareNational();
    if (id == IDC_PLAY_TOPIC)
        return m_session.OffersPlayTopic();
    if (id == IDC_NOTES)
        return !m_session.ReviewNotes().empty();
    return true;
}

void CQuilletDlg::ShowControls()
{
    m_pControls->Show([this](int id) { return IsShownOnPage(id); }, m_nPage == PageResults, PageFocus());
}

QWidget* CQuilletDlg::PageFocus() const
{
    switch (m_nPage)
    {
    case PageLogin:
        return m_pControls->UserEdit();
    case PageTest:
    case PageQuiz:
    case PageReview:
        return Control(IDC_QUESTION);
    case PageResults:
        return m_pControls->ResultsSummary();
    default:
        // Nothing to ask: the window itself, named by its caption.
        return const_cast<CQuilletDlg*>(this);
    }
}

void CQuilletDlg::FocusQuestion()
{
    if (Control(IDC_QUESTION)->isVisible())
        Control(IDC_QUESTION)->setFocus(Qt::OtherFocusReason);
}

void CQuilletDlg::TellAccessible()
{
    m_pAccessibility->TellChanges(m_nPage == PageResults);
}

void CQuilletDlg::Redraw()
{
    m_pSurface->update();
    m_pControls->UpdateAll();
}

void CQuilletDlg::RefreshQuestion(bool focusQuestion)
{
    // Told before the focus moves, so that the reader finds the new texts
    // when the focus arrives; the focus leaves an answer that may go before
    // it would wander.
    TellAccessible();
    if (focusQuestion || !focusWidget() || !focusWidget()->isVisible())
        FocusQuestion();
    for (const int id : {IDC_QUESTION, IDC_ANSWER_A, IDC_ANSWER_B, IDC_ANSWER_C, IDC_ANSWER_D, IDC_NOTES})
    {
        Control(id)->setVisible(IsShownOnPage(id));
        Control(id)->update();
    }
}

void CQuilletDlg::OnClockTick()
{
    if (m_session.GetPhase() != Phase::Answering)
        return;
    Control(IDC_CLOCK)->update();
    if (m_session.Tick())
        SaveJournal();
}

void CQuilletDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_pControls->UserEdit()->setFocus();
}

void CQuilletDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    {
        OnOK();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CQuilletDlg::done(int result)
{
    m_pClockTimer->stop();
    QDialog::done(result);
    // The player comes back and hears that the test window closed.
    if (m_pPlayer)
        m_pPlayer->SayClosed();
}

void CQuilletDlg::OnOK()
{
    QWidget* focus = focusWidget();
    if (focus == m_pControls->UserEdit())
    {
        m_pControls->PasswordEdit()->setFocus();
        return;
    }
    if (focus == m_pControls->PasswordEdit())
    {
        OnLoginNext();
        return;
    }
    // Enter on EXIT ends the window on every page, the review page too.
    if (focus == Control(IDC_EXIT) || focus == Control(IDC_EXIT_RESULTS))
    {
        EndWindow();
        return;
    }
    if (!m_pControls->Holds(focus))
        EndWindow();
}

void CQuilletDlg::EndWindow()
{
    done(IDOK);
}

void CQuilletDlg::OnLoginNext()
{
    using Login = quillet::StudentSession::Login;
    using Registration = quillet::StudentSession::Registration;
    const quillet::Student student{ToBytes(m_pControls->UserEdit()->text()),
                                   ToBytes(m_pControls->PasswordEdit()->text())};
    if (student.name.empty())
    {
        m_pPrompts->Alert("No User Name", "Please enter your user name.");
        m_pControls->UserEdit()->setFocus();
        return;
    }
    const Login login = m_student.LogIn(student, m_pPrompts->ForRecords());
    if (login == Login::WrongPassword)
        return Refuse();
    if (login != Login::NewStudent)
        return Advance();

    CConfirmPasswordDlg confirm(this);
    if (confirm.DoModal() != IDOK)
        return;
    switch (m_student.Register(confirm.m_strConfirm, m_pPrompts->ForRecords()))
    {
    case Registration::Registered:
        return Advance();
    case Registration::Mismatch:
    case Registration::WrongPassword:
        return Refuse();
    case Registration::Taken:
        m_pPrompts->Alert("Name Taken", "That user name was just taken. Please choose another.");
        m_pControls->UserEdit()->setFocus();
        return;
    }
}

void CQuilletDlg::Advance()
{
    const std::string& name = m_student.GetRecord()->m_strName;
    m_session.SetStudent(name);
    m_painter.SetStudent(name);
    m_student.OfferJournal(m_session, m_pPrompts->ForRecords());
    m_session.Begin(Now());
    ShowPage();
}

void CQuilletDlg::Refuse()
{
    QLineEdit* password = m_pControls->PasswordEdit();
    m_pPrompts->Alert("Invalid Password", "Please Re-enter Password.");
    password->setFocus();
    password->clear();
    password->update();
}

void CQuilletDlg::FollowStep(Step step, bool focusQuestion)
{
    if (step == Step::Moved)
    {
        RefreshQuestion(focusQuestion);
        SaveJournal();
        return;
    }
    if (step == Step::Stayed)
        return;
    const bool grade = step == Step::AskGrade;
    if (!m_pPrompts->Ask(grade ? m_session.GradingQuestion() : quillet::kReturnQuestion))
    {
        // Back on a question page, the student hears where they are.
        m_session.Decline();
        FocusQuestion();
        Redraw();
        return;
    }
    if (grade)
        m_session.Grade(Now());
    else
        m_session.LeaveReview();
    ShowPage();
}

void CQuilletDlg::OnNext()
{
    FollowStep(m_session.Next());
}

void CQuilletDlg::OnPrevious()
{
    FollowStep(m_session.Previous());
}

void CQuilletDlg::Search(quillet::TestRun::Move move)
{
    // The focus stays on the search button, to search again.
    FollowStep(m_session.Search(move), false);
}

void CQuilletDlg::OnFlag()
{
    if (!m_session.ToggleFlag())
        return;
    SaveJournal();
    Control(IDC_QUESTION)->update();
    TellAccessible();
}

void CQuilletDlg::SelectAnswer(int i)
{
    if (!m_session.ChooseAnswer(i))
        return;
    SaveJournal();
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->update();
    Control(IDC_COMPLETE)->update();
    TellAccessible();
}

void CQuilletDlg::OnHint()
{
    if (m_session.OffersHint() && GetCurrent())
        m_pPrompts->Message(GetCurrent()->GetHint(), "Hint", CWindowPrompts::kHint);
}

void CQuilletDlg::OnPlayTopic()
{
    const CQuestion* current = GetCurrent();
    if (!m_session.OffersPlayTopic() || !current)
        return;
    if (current->GetTopic().empty())
        m_pPrompts->Alert("No Topic!", "Question has no topic.");
    else if (m_pPlayer)
        m_pPlayer->PlayTopic(current->GetTopic());
}

void CQuilletDlg::OnReview()
{
    if (m_session.Review())
        ShowPage();
    else if (const std::string why = m_session.ReviewRefusal(); !why.empty())
        m_pPrompts->Message(why, "Review", CWindowPrompts::kNotice);
}

void CQuilletDlg::OnRetake()
{
    if (m_session.GetPhase() != Phase::Results)
        return;
    m_student.RemoveJournal(m_session);
    // A new test starts with the player out of sight, as the first one did.
    if (m_pPlayer)
        m_pPlayer->Hide();
    m_session.Retake(Now());
    ShowPage();
}

void CQuilletDlg::OnExit()
{
    if (m_session.LeaveReview())
        ShowPage();
    else
        EndWindow();
}

void CQuilletDlg::RecordPendingResult()
{
    if (!m_session.IsResultPending())
        return;
    m_student.SaveResult(m_session, m_pPrompts->ForRecords());
    m_session.MarkRecorded();
}

void CQuilletDlg::SaveJournal()
{
    m_student.KeepJournal(m_session, Now(), m_pPrompts->ForRecords());
}
