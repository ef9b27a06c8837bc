#include "testwin/QuilletDlg.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>
#include <unistd.h>

#include "output/ResultsView.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "skin/MessageDlgs.h"
#include "skin/SkinDialog.h"

using namespace quillet::skin;
using Move = quillet::TestRun::Move;

namespace
{
constexpr QSize kSurfaceSize(kSurfaceWidth, kSurfaceHeight);

// Over what the results page paints: the score and grade, and the list of
// questions. Screen readers read them there; nothing is drawn for them.
constexpr QRect kResultsSummaryRect(452, 50, 163, 190);
constexpr QRect kResultsListRect(255, 68, 210, 360);

// The order Tab takes, as the controls stand on the screen: on the login
// page, on the question pages (question, answers, then the buttons) and on
// the results page. The results summary and list come before its buttons.
constexpr int kTabOrder[] = {
    IDC_USER_NAME,
    IDC_PASSWORD,
    IDC_LOGIN_NEXT,
    IDC_QUESTION,
    IDC_ANSWER_A,
    IDC_ANSWER_B,
    IDC_ANSWER_C,
    IDC_ANSWER_D,
    IDC_HINT,
    IDC_PLAY_TOPIC,
    IDC_NEXT,
    IDC_PREVIOUS,
    IDC_FLAG,
    IDC_LAST_FLAGGED,
    IDC_NEXT_FLAGGED,
    IDC_NEXT_UNANSWERED,
    IDC_LAST_UNANSWERED,
    IDC_EXIT,
    IDC_REVIEW,
    IDC_RETAKE,
    IDC_PRINT,
    IDC_EMAIL,
    IDC_COMPARE_PREVIOUS,
    IDC_COMPARE_NATIONAL,
    IDC_EXIT_RESULTS,
};

// The results list as a screen reader walks it, by Tab and the arrow keys.
// It paints nothing: the page paints the list.
class CResultsList : public QListWidget
{
  public:
    explicit CResultsList(QWidget* parent) : QListWidget(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setAutoFillBackground(false);
        viewport()->setAutoFillBackground(false);
    }

  protected:
    void paintEvent(QPaintEvent*) override {}
};
}

// Paints the page background and the results through the window.
class CPageSurface : public QWidget
{
  public:
    CPageSurface(CQuilletDlg* owner) : QWidget(owner), m_owner(owner)
    {
        setObjectName(QStringLiteral("pageSurface"));
        setFixedSize(kSurfaceSize);
    }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_owner->OnPaint(painter);
    }

  private:
    CQuilletDlg* m_owner;
};

CQuilletDlg::CQuilletDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      m_clock([] { return static_cast<quillet::TimeStamp>(std::time(nullptr)); }),
      m_pMenu(new QMenuBar(this)), m_pSurface(new CPageSurface(this)), m_pClockTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("quilletWindow"));
    setWindowTitle(QStringLiteral("Quillet"));
    setWindowIcon(QIcon(QStringLiteral(":/skin/icon.png")));

    QMenu* file = m_pMenu->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Exit"), this, &CQuilletDlg::OnExit)
        ->setObjectName(QStringLiteral("exitAction"));
    QMenu* help = m_pMenu->addMenu(QStringLiteral("&Help"));
    help->addAction(QString::fromLatin1(kAboutItem), this, &CQuilletDlg::OnAbout)
        ->setObjectName(QStringLiteral("aboutAction"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_pMenu);
    layout->addWidget(m_pSurface);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const auto draw = [this](QPainter& painter, const DrawItem& item) { OnDrawItem(painter, item); };
    for (const ControlSpec& spec : kControls)
    {
        QWidget* control = nullptr;
        const QString caption = QString::fromLatin1(spec.caption);
        if (spec.id == IDC_USER_NAME || spec.id == IDC_PASSWORD)
        {
            QLineEdit* edit =
                spec.id == IDC_PASSWORD ? new CPasswordEdit(m_pSurface) : new QLineEdit(m_pSurface);
            edit->setAccessibleName(caption);
            // The record file keeps a name or password on one line.
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[^\\r\\n\\x{0}]*")), edit));
            if (spec.id == IDC_PASSWORD)
                m_pPasswordEdit = edit;
            else
                m_pUserEdit = edit;
            control = edit;
        }
        else
        {
            auto* button = new CSkinButton(spec.id, caption, draw, m_pSurface);
            if (!spec.tabStop)
                button->setFocusPolicy(Qt::NoFocus);
            connect(button, &QAbstractButton::clicked, this,
                    [this, id = spec.id]
                    {
                        switch (id)
                        {
                        case IDC_NEXT:
                            return OnNext();
                        case IDC_PREVIOUS:
                            return OnPrevious();
                        case IDC_FLAG:
                            return OnFlag();
                        case IDC_LAST_FLAGGED:
                            return OnLastFlagged();
                        case IDC_NEXT_FLAGGED:
                            return OnNextFlagged();
                        case IDC_NEXT_UNANSWERED:
                            return OnNextUnanswered();
                        case IDC_LAST_UNANSWERED:
                            return OnLastUnanswered();
                        case IDC_EXIT:
                        case IDC_EXIT_RESULTS:
                            return OnExit();
                        case IDC_HINT:
                            return OnHint();
                        case IDC_REVIEW:
                            return OnReview();
                        case IDC_RETAKE:
                            return OnRetake();
                        case IDC_ANSWER_A:
                        case IDC_ANSWER_B:
                        case IDC_ANSWER_C:
                        case IDC_ANSWER_D:
                            SelectAnswer(id - IDC_ANSWER_A);
                            // Chosen by its mnemonic, the answer takes the focus,
                            // so that a screen reader says which one it is.
                            if (m_nPage == PageTest || m_nPage == PageQuiz)
                                Control(id)->setFocus(Qt::ShortcutFocusReason);
                            return;
                        case IDC_LOGIN_NEXT:
                            return OnLoginNext();
                        case IDC_PRINT:
                            return OnPrint();
                        case IDC_EMAIL:
                            return OnEMail();
                        case IDC_COMPARE_PREVIOUS:
                            return OnComparePrevious();
                        case IDC_COMPARE_NATIONAL:
                            return OnCompareNational();
                        case IDC_PLAY_TOPIC:
                            return OnPlayTopic();
                        default:
                            return;
                        }
                    });
            control = button;
        }
        control->setObjectName(QStringLiteral("control%1").arg(spec.id));
        control->setGeometry(ToQRect(spec.rect));
        control->hide();
        m_controls[static_cast<std::size_t>(spec.id - IDC_FIRST)] = control;
    }

    m_pResultsSummary = new CSkinButton(0, QStringLiteral("Results"), nullptr, m_pSurface);
    m_pResultsSummary->setObjectName(QStringLiteral("resultsSummary"));
    m_pResultsSummary->setGeometry(kResultsSummaryRect);
    m_pResultsSummary->hide();
    m_pResultsList = new CResultsList(m_pSurface);
    m_pResultsList->setObjectName(QStringLiteral("resultsList"));
    m_pResultsList->setAccessibleName(QStringLiteral("Questions"));
    m_pResultsList->setGeometry(kResultsListRect);
    m_pResultsList->hide();
    DescribeControls();

    QWidget* previous = nullptr;
    for (const int id : kTabOrder)
    {
        if (previous)
            setTabOrder(previous, Control(id));
        previous = Control(id);
        if (id == IDC_EXIT)
        {
            setTabOrder(previous, m_pResultsSummary);
            setTabOrder(m_pResultsSummary, m_pResultsList);
            previous = m_pResultsList;
        }
    }

    m_pClockTimer->setInterval(1000);
    connect(m_pClockTimer, &QTimer::timeout, this, [this] { OnTimer(kClockTimerId); });
}

CQuilletDlg::~CQuilletDlg() = default;

QWidget* CQuilletDlg::Control(int id) const
{
    if (id < IDC_FIRST || id > IDC_LAST)
        return nullptr;
    return m_controls[static_cast<std::size_t>(id - IDC_FIRST)];
}

int CQuilletDlg::DoModal()
{
    if (m_nPage == PageStart)
        OnInitDialog();
    return exec();
}

TestKind CQuilletDlg::GetKind() const
{
    return m_pRun ? m_pRun->GetKind() : TestKind::Test;
}

QString CQuilletDlg::Caption() const
{
    if (!m_pRun)
        return QStringLiteral("Quillet");
    const QString title = FromBytes(m_pRun->GetCourseTitle());
    switch (m_pRun->GetKind())
    {
    case TestKind::Quiz:
        return QStringLiteral("Skillstep Quiz for %1: Chapter %2")
            .arg(title, QString::number(m_pRun->GetChapter()));
    case TestKind::PreTest:
        return QStringLiteral("Pre-Test for %1").arg(title);
    case TestKind::Test:
        break;
    }
    return QStringLiteral("Test for %1").arg(title);
}

int CQuilletDlg::QuestionPage() const
{
    return m_pRun && m_pRun->IsQuiz() ? PageQuiz : PageTest;
}

void CQuilletDlg::OnInitDialog()
{
    if (m_nPage != PageStart)
        return;
    setWindowTitle(Caption());
    if (m_pPlayer)
        m_pPlayer->WriteCaption(ToBytes(Caption()));
    m_pPalette = CreatePaletteFromBitmap(bitmap::kLoginPage);
    m_pClockTimer->start();
    m_pRecordFile = std::make_unique<quillet::CRecordFile>(quillet::CRecordFile::Default());
    if (quillet::CRecordFile::Reading reading = m_pRecordFile->Read(); reading.status)
        AdoptRoster(std::move(reading.roster));
    UpdatePage();
    m_strUserName = quillet::LogOnName();
    m_pUserEdit->setText(FromBytes(m_strUserName));
    m_pPasswordEdit->clear();
}

quillet::TimeStamp CQuilletDlg::Now() const
{
    return m_clock();
}

bool CQuilletDlg::IsShownOnPage(int id) const
{
    if (m_nPage < 0 || !(ControlOf(id).pages & (1u << m_nPage)))
        return false;
    switch (id)
    {
    case IDC_ANSWER_A:
    case IDC_ANSWER_B:
    case IDC_ANSWER_C:
    case IDC_ANSWER_D:
    {
        const int i = id - IDC_ANSWER_A;
        const CQuestion* current = GetCurrent();
        if (!current)
            return false;
        return current->IsTrueFalse() ? i < 2 : i < current->GetAnswerCount();
    }
    case IDC_COMPARE_NATIONAL:
        return m_pRun && m_pRun->GetKind() == TestKind::Test;
    case IDC_PLAY_TOPIC:
        return GetKind() != TestKind::PreTest;
    default:
        return true;
    }
}

void CQuilletDlg::ShowControls()
{
    // The page's controls appear and take the focus before the old ones go,
    // so that the focus moves once, straight to where the page starts.
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        if (IsShownOnPage(id))
            Control(id)->show();
    m_pResultsSummary->setVisible(m_nPage == PageResults);
    m_pResultsList->setVisible(m_nPage == PageResults);
    if (QWidget* start = PageFocus())
        start->setFocus(Qt::OtherFocusReason);
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        if (!IsShownOnPage(id))
            Control(id)->hide();
}

QWidget* CQuilletDlg::PageFocus() const
{
    switch (m_nPage)
    {
    case PageLogin:
        return m_pUserEdit;
    case PageTest:
    case PageQuiz:
    case PageReview:
        return Control(IDC_QUESTION);
    case PageResults:
        return m_pResultsSummary;
    default:
        // Nothing to ask: the window itself, named by its caption.
        return const_cast<CQuilletDlg*>(this);
    }
}

void CQuilletDlg::FocusQuestion()
{
    if (m_nPage == PageTest || m_nPage == PageQuiz || m_nPage == PageReview)
        Control(IDC_QUESTION)->setFocus(Qt::OtherFocusReason);
}

void CQuilletDlg::UpdatePage()
{
    bool graded = false;
    switch (m_nPage)
    {
    case PageStart:
        m_nPage = PageLogin;
        break;
    case PageLogin:
        m_nPage = m_pRun && m_pRun->Begin() ? QuestionPage() : PageEmpty;
        break;
    case PageTest:
    case PageQuiz:
        m_nPage = PageResults;
        graded = true;
        break;
    case PageReview:
        m_nPage = PageResults;
        break;
    case PageResults:
        if (!GetCurrent())
            break;
        m_nPage = m_bRetake ? QuestionPage() : PageReview;
        break;
    default:
        break;
    }
    if (m_nPage == PageResults)
    {
        // Graded first, so that the list read out is the one painted.
        if (graded)
            m_pRun->Grade();
        m_pResultsList->clear();
        m_pResultsList->addItems(ResultsLines());
        m_pResultsList->setCurrentRow(0);
    }
    TellAccessible();
    ShowControls();
    RefreshQuestion();
    if (m_nPage == PageTest || m_nPage == PageQuiz)
        m_pRun->Start(Now());
    // The result is kept as the page changes, not when it is painted: a
    // hidden or minimised window may never paint it.
    if (graded)
        RecordPendingResult();
}

void CQuilletDlg::Redraw()
{
    m_pSurface->update();
    for (QWidget* control : m_controls)
        control->update();
}

void CQuilletDlg::RefreshQuestion()
{
    // Told before the focus moves, so that the reader finds the new texts
    // when the focus arrives; the focus leaves an answer that may go before
    // it would wander.
    TellAccessible();
    FocusQuestion();
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->setVisible(IsShownOnPage(id));
    Control(IDC_QUESTION)->update();
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->update();
}

void CQuilletDlg::OnTimer(int id)
{
    if (id != kClockTimerId || (m_nPage != PageTest && m_nPage != PageQuiz))
        return;
    Control(IDC_CLOCK)->update();
    // The time spent reaches the journal also while nothing is clicked.
    if (++m_nTicksSinceJournal >= 30)
        SaveJournal();
}

void CQuilletDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_pUserEdit->setFocus();
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

void CQuilletDlg::OnPlayTopic()
{
    const CQuestion* current = GetCurrent();
    if (!current)
        return;
    const std::string& topic = current->GetTopic();
    if (!topic.empty())
    {
        if (m_pPlayer)
            m_pPlayer->PlayTopic(topic);
        return;
    }
    CAlertDlg alert(this);
    alert.m_strMessage = "Question has no topic.";
    alert.m_strTitle = "No Topic!";
    alert.m_pPalette = m_pPalette;
    alert.DoModal();
}

void CQuilletDlg::OnExit()
{
    if (m_nPage == PageReview)
    {
        UpdatePage();
        Redraw();
        return;
    }
    EndWindow();
}

void CQuilletDlg::EndWindow()
{
    m_strUserName = ToBytes(m_pUserEdit->text());
    m_strPassword = ToBytes(m_pPasswordEdit->text());
    done(IDOK);
}

void CQuilletDlg::OnAbout()
{
    CAboutDlg about(this);
    about.m_pPalette = m_pPalette;
    about.DoModal();
}

void CQuilletDlg::ShowMessage()
{
    CMessageDlg box(this);
    box.m_strFace = m_strMsgFace;
    box.m_nHeight = m_nMsgHeight;
    box.m_strText = m_strMsgText;
    box.m_strTitle = m_strMsgTitle;
    box.m_nFormat = static_cast<unsigned>(m_nMsgFormat);
    box.m_nBackground = m_nMsgStyle;
    box.m_pPalette = m_pPalette;
    box.DoModal();
}

bool CQuilletDlg::SearchWithRestore(Move move, bool restore)
{
    if (!m_pRun)
        return false;
    const CQuestion* old = GetCurrent();
    const bool found = m_pRun->Go(move, restore);
    if (GetCurrent() && GetCurrent() != old)
    {
        RefreshQuestion();
        SaveJournal();
    }
    return found;
}

void CQuilletDlg::OnNext()
{
    if (m_nPage != PageTest && m_nPage != PageQuiz && m_nPage != PageReview)
        return;
    const bool review = m_nPage == PageReview;
    if (SearchWithRestore(review ? Move::NextNotCorrect : Move::Next))
        return;
    if (review)
        ReturnPrompt(true);
    else
        GradingPrompt();
}

void CQuilletDlg::OnPrevious()
{
    const bool review = m_nPage == PageReview;
    if (SearchWithRestore(review ? Move::PreviousNotCorrect : Move::Previous, !review) || !review)
        return;
    if (!ReturnPrompt(false))
        m_pRun->RestorePosition();
}

void CQuilletDlg::OnFlag()
{
    if (!GetCurrent())
        return;
    m_pRun->ToggleFlag();
    SaveJournal();
    Control(IDC_QUESTION)->update();
    TellAccessible();
}

void CQuilletDlg::OnLastFlagged()
{
    SearchWithRestore(Move::PreviousFlagged);
}

void CQuilletDlg::OnNextFlagged()
{
    SearchWithRestore(Move::NextFlagged);
}

void CQuilletDlg::OnNextUnanswered()
{
    SearchWithRestore(Move::NextUnanswered);
}

void CQuilletDlg::OnLastUnanswered()
{
    SearchWithRestore(Move::PreviousUnanswered);
}

void CQuilletDlg::OnHint()
{
    if (!GetCurrent())
        return;
    m_strMsgText = GetCurrent()->GetHint();
    m_strMsgTitle = "Hint";
    m_nMsgFormat = DT_CENTER | DT_WORDBREAK;
    m_nMsgHeight = 22;
    m_strMsgFace = "Arial";
    m_nMsgStyle = 0;
    ShowMessage();
}

void CQuilletDlg::SelectAnswer(int i)
{
    if ((m_nPage != PageTest && m_nPage != PageQuiz) || !GetCurrent())
        return;
    m_pRun->ChooseAnswer(i);
    SaveJournal();
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->update();
    Control(IDC_COMPLETE)->update();
    TellAccessible();
}

bool CQuilletDlg::RunPrompt(const std::string& text, const std::string& title)
{
    CPromptDlg prompt(this);
    prompt.m_pPalette = m_pPalette;
    prompt.m_strText = text;
    prompt.m_strTitle = title;
    const bool accepted = prompt.DoModal() == IDOK;
    // Back on a question page, the student hears where they are.
    if (!accepted)
        FocusQuestion();
    return accepted;
}

void CQuilletDlg::GradingPrompt()
{
    const int answered = m_pRun ? m_pRun->GetAnsweredCount() : 0;
    const int total = m_pRun ? m_pRun->GetQuestionCount() : 0;
    const std::string first = answered == total ? "All questions answered."
                                                : std::to_string(total - answered) + " questions unanswered!";
    const std::string suffix = answered == total ? "" : " anyway";
    if (!RunPrompt(first + "\nGrade " + TestKindWord(GetKind()) + suffix + "?"))
        return;
    m_pRun->Stop(Now());
    UpdatePage();
    Redraw();
}

bool CQuilletDlg::ReturnPrompt(bool fromNext)
{
    if (!RunPrompt("\nReturn to Results Page?"))
        return false;
    if (fromNext)
        m_pRun->Stop(Now());
    UpdatePage();
    Redraw();
    return true;
}

quillet::Score CQuilletDlg::CountScore() const
{
    return m_pRun ? m_pRun->GetScore() : quillet::Score();
}

CResultHistory& CQuilletDlg::History()
{
    m_history.m_pRoster = m_pRoster.get();
    m_history.m_strUserName = m_strUserName;
    m_history.m_strPassword = m_strPassword;
    m_history.m_kind = GetKind();
    m_history.m_strCourseTitle = m_pRun ? m_pRun->GetCourseTitle() : std::string();
    m_history.m_strQuizChapter = m_pRun ? m_pRun->GetChapterName() : std::string();
    m_history.m_timeStart = m_pRun ? m_pRun->GetStartTime() : 0;
    m_history.m_timeEnd = m_pRun ? m_pRun->GetEndTime() : 0;
    return m_history;
}

void CQuilletDlg::RecordPendingResult()
{
    if (!m_pRun->IsResultPending())
        return;
    const quillet::Score score = m_pRun->GetScore();
    // The journal goes only once the result is safe.
    if (SaveResult(History().MakeResult(score.right, score.total)))
        RemoveJournal();
    m_pRun->MarkRecorded();
}

void CQuilletDlg::AdoptRoster(std::unique_ptr<CStudentRoster> roster)
{
    m_pRoster = roster && roster->GetStudentCount() > 0 ? std::move(roster) : nullptr;
}

void CQuilletDlg::Alert(const std::string& title, const std::string& message)
{
    CAlertDlg alert(this);
    alert.m_strTitle = title;
    alert.m_strMessage = message;
    alert.m_pPalette = m_pPalette;
    alert.DoModal();
}

void CQuilletDlg::TellRecordProblem(const std::string& text)
{
    m_strMsgText = text;
    m_strMsgTitle = "Records";
    m_nMsgFormat = DT_CENTER | DT_WORDBREAK;
    m_nMsgHeight = 18;
    m_strMsgFace = "Arial";
    m_nMsgStyle = 0;
    ShowMessage();
}

bool CQuilletDlg::ReadRecords()
{
    quillet::CRecordFile::Reading reading = m_pRecordFile->Read();
    if (reading.status)
    {
        AdoptRoster(std::move(reading.roster));
        return true;
    }
    if (!m_bRecordProblemTold)
    {
        m_bRecordProblemTold = true;
        TellRecordProblem("The record file " + m_pRecordFile->GetPath() +
                          " cannot be used: " + reading.status.reason +
                          ". Nothing is written to it. You can take the test; your result is kept until it "
                          "can be saved.");
    }
    return false;
}

bool CQuilletDlg::SaveResult(const CResultEntry& result)
{
    const std::string name = m_strUserName;
    const std::string password = m_strPassword;
    const auto addResult = [&](CStudentRoster& roster) -> std::string
    {
        if (roster.FindStudent(name) < 0 && !roster.AddStudent(name, password))
            return "the user name cannot be stored";
        if (!roster.AddResult(name, password, std::make_unique<CResultEntry>(result)))
            return "the record file holds " + name + " with another password";
        return {};
    };
    for (;;)
    {
        std::unique_ptr<CStudentRoster> written;
        const quillet::FileStatus saved = m_pRecordFile->Update(addResult, &written);
        if (saved)
        {
            AdoptRoster(std::move(written));
            return true;
        }
        TellRecordProblem("Your result could not be saved in the record folder " +
                          m_pRecordFile->GetFolder() + ": " + saved.reason + ".");
        if (!RunPrompt("Result not saved!\nTry again?"))
            break;
    }
    // Kept here for the results page's commands, and on disk for the next save.
    if (!m_pRoster)
        m_pRoster = std::make_unique<CStudentRoster>();
    addResult(*m_pRoster);
    std::string keptIn;
    const quillet::FileStatus kept = m_pRecordFile->KeepPending(name, password, result, &keptIn);
    TellRecordProblem(kept ? "Your result is kept in " + keptIn +
                                 " and goes into the record file with the next result that is saved."
                           : "Your result could not be kept either: " + kept.reason + ".");
    return kept.ok;
}

std::string CQuilletDlg::JournalFolder() const
{
    // The record folder, unless it is shared and this account may not write there.
    std::string records = quillet::RecordDirectory();
    if (quillet::MakeDirectories(records) && ::access(records.c_str(), W_OK) == 0)
        return records;
    std::string own = quillet::DataFolder() + "/quillet";
    quillet::MakeDirectories(own);
    return own;
}

std::optional<quillet::Journal> CQuilletDlg::OfferJournal()
{
    m_bJournalStarted = false;
    m_strJournalPath.clear();
    if (!m_pRun)
        return std::nullopt;
    m_strJournalPath = JournalFolder() + "/" +
                       quillet::JournalFileName(m_strUserName, m_pRun->GetCourseTitle(), m_pRun->GetKind(),
                                                m_pRun->GetChapter());
    std::string text;
    const quillet::FileStatus read = quillet::ReadRegularFile(m_strJournalPath, text, 1 << 20);
    if (read.missing)
        return std::nullopt;
    std::optional<quillet::Journal> journal = read ? quillet::ParseJournal(text) : std::nullopt;
    std::string why = !read      ? read.reason
                      : !journal ? std::string("it does not read as one")
                      : journal->student != m_strUserName
                          ? std::string("it is another student's")
                          : quillet::ResumeFromJournal(*m_pRun, *journal, m_pRun->GetBankIdentity());
    if (!why.empty())
    {
        // Kept aside for whoever wants to look, never offered again.
        ::rename(m_strJournalPath.c_str(), (m_strJournalPath + ".bad").c_str());
        TellRecordProblem("Your unfinished " + std::string(TestKindWord(m_pRun->GetKind())) +
                          " could not be restored: " + why + ".");
        return std::nullopt;
    }
    std::string when = quillet::FormatLocalTime(journal->saved, "%d %B, %H:%M");
    if (!when.empty() && when.front() == '0')
        when.erase(0, 1);
    CPromptDlg prompt(this);
    prompt.m_pPalette = m_pPalette;
    prompt.m_nFontHeight = 17;
    prompt.m_bWrap = true;
    prompt.m_strTitle = "Continue Unfinished " + std::string(TestKindWord(m_pRun->GetKind())) + "?";
    prompt.m_strText = "You have an unfinished " + std::string(TestKindWord(m_pRun->GetKind())) + " from " +
                       when + ", with " + std::to_string(journal->Answered()) + " of " +
                       std::to_string(journal->entries.size()) + " questions answered. Continue it?";
    if (prompt.DoModal() == IDOK)
        return journal;
    RemoveJournal();
    m_pRun->Retake();
    return std::nullopt;
}

void CQuilletDlg::SaveJournal()
{
    m_nTicksSinceJournal = 0;
    if (!m_pRun || m_strJournalPath.empty() || (m_nPage != PageTest && m_nPage != PageQuiz))
        return;
    if (!m_bJournalStarted && m_pRun->GetAnsweredCount() == 0)
        return;
    m_bJournalStarted = true;
    const std::string text = quillet::ComposeJournal(*m_pRun, m_strUserName, m_pRun->GetBankIdentity(),
                                                     Now() - m_pRun->GetStartTime(), Now());
    const quillet::FileStatus saved = text.empty()
                                          ? quillet::FileStatus::Failed("the test cannot be described")
                                          : quillet::ReplaceFile(m_strJournalPath, text, true);
    if (!saved && !m_bJournalProblemTold)
    {
        m_bJournalProblemTold = true;
        TellRecordProblem("Your answers cannot be kept for a restart in " +
                          quillet::ParentFolder(m_strJournalPath) + ": " + saved.reason +
                          ". The test goes on.");
    }
}

void CQuilletDlg::RemoveJournal()
{
    if (!m_strJournalPath.empty())
        ::unlink(m_strJournalPath.c_str());
    m_bJournalStarted = false;
}

void CQuilletDlg::OnReview()
{
    m_bRetake = 0;
    if (!m_pRun || !m_pRun->BeginReview())
        return;
    UpdatePage();
    Redraw();
}

void CQuilletDlg::OnRetake()
{
    if (!m_pRun)
        return;
    m_bRetake = 1;
    RemoveJournal();
    // A new test starts with the player out of sight, as the first one did.
    if (m_pPlayer)
        m_pPlayer->Hide();
    m_pRun->Retake();
    UpdatePage();
    Redraw();
}
