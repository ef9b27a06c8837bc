#include "testwin/QuilletDlg.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

#include "app/PlayerLink.h"
#include "app/QuilletApp.h"
#include "output/ResultsView.h"
#include "skin/MessageDlgs.h"
#include "skin/SkinDialog.h"
#include "testwin/ControlTable.h"

using namespace quillet::skin;

namespace
{
// The surface below the menu bar: wide and tall enough for every control
// rectangle and for the page background painted at (1, -6).
constexpr QSize kSurfaceSize(632, 427);

// The log-on name, as the pre-filled user name; too long a name counts as none.
std::string LogOnName()
{
    const passwd* entry = getpwuid(geteuid());
    if (!entry || !entry->pw_name)
        return {};
    std::string name = entry->pw_name;
    if (name.size() >= 40)
        return {};
    const auto first = name.find_first_not_of(" \t\r\n");
    const auto last = name.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
}
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
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      m_clock([] { return static_cast<quillet::TimeStamp>(std::time(nullptr)); }),
      m_pMenu(new QMenuBar(this)), m_pSurface(new CPageSurface(this)), m_pClockTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("quilletWindow"));
    setWindowTitle(QStringLiteral("Quillet"));
    setWindowIcon(QIcon(QStringLiteral(":/skin/icon.png")));

    QMenu* file = m_pMenu->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Exit"), this, &CQuilletDlg::OnExit)->setObjectName(QStringLiteral("exitAction"));
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
            auto* edit = new QLineEdit(m_pSurface);
            edit->setAccessibleName(caption);
            if (spec.id == IDC_PASSWORD)
            {
                edit->setEchoMode(QLineEdit::Password);
                m_pPasswordEdit = edit;
            }
            else
                m_pUserEdit = edit;
            control = edit;
        }
        else
        {
            auto* button = new CSkinButton(spec.id, caption, draw, m_pSurface);
            if (!spec.tabStop)
                button->setFocusPolicy(Qt::NoFocus);
            connect(button, &QAbstractButton::clicked, this, [this, id = spec.id] {
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
                    return SelectAnswer(id - IDC_ANSWER_A);
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
        control->setGeometry(spec.rect);
        control->hide();
        m_controls[static_cast<std::size_t>(spec.id - IDC_FIRST)] = control;
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
    if (m_pQuiz)
        return TestKind::Quiz;
    return m_bPreTest ? TestKind::PreTest : TestKind::Test;
}

QString CQuilletDlg::Caption() const
{
    const QString title = FromBytes(m_strCourseTitle);
    if (m_pQuiz)
        return QStringLiteral("Skillstep Quiz for %1: Chapter %2").arg(title, QString::number(m_nChapter));
    if (m_pTest)
        return (m_bPreTest ? QStringLiteral("Pre-Test for %1") : QStringLiteral("Test for %1")).arg(title);
    return QStringLiteral("Quillet");
}

void CQuilletDlg::OnInitDialog()
{
    if (m_nPage != PageStart)
        return;
    setWindowTitle(Caption());
    if (m_pApp)
    {
        m_pApp->WriteTestTitle(ToBytes(Caption()));
        ListenForPlayer();
    }
    m_pPalette = CreatePaletteFromBitmap(181);
    m_pClockTimer->start();
    m_pRoster = ReadRoster(kRecordFileName);
    UpdatePage();
    m_strUserName = LogOnName();
    m_pUserEdit->setText(FromBytes(m_strUserName));
    m_pPasswordEdit->clear();
}

quillet::TimeStamp CQuilletDlg::Now() const
{
    return m_clock();
}

bool CQuilletDlg::IsShownOnPage(int id) const
{
    const ControlSpec& spec = kControls[id - IDC_FIRST];
    if (m_nPage < 0 || !(spec.pages & (1u << m_nPage)))
        return false;
    switch (id)
    {
    case IDC_ANSWER_A:
    case IDC_ANSWER_B:
    case IDC_ANSWER_C:
    case IDC_ANSWER_D:
    {
        const int i = id - IDC_ANSWER_A;
        if (!m_pCurrent)
            return false;
        return m_pCurrent->IsTrueFalse() ? i < 2 : i < m_pCurrent->GetAnswerCount();
    }
    case IDC_COMPARE_NATIONAL:
        return GetKind() == TestKind::Test && m_pTest;
    case IDC_PLAY_TOPIC:
        return GetKind() != TestKind::PreTest;
    default:
        return true;
    }
}

void CQuilletDlg::ShowControls()
{
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        Control(id)->setVisible(IsShownOnPage(id));
}

void CQuilletDlg::UpdatePage()
{
    m_bResultPending = 0;
    switch (m_nPage)
    {
    case PageStart:
        m_nPage = PageLogin;
        break;
    case PageLogin:
        if (m_pQuiz)
            m_pCurrent = m_pQuiz->First();
        else if (m_pTest)
            m_pCurrent = m_pTest->First();
        else
            m_pCurrent = nullptr;
        m_nPage = !m_pCurrent ? PageEmpty : m_pQuiz ? PageQuiz : PageTest;
        break;
    case PageTest:
    case PageQuiz:
        m_nPage = PageResults;
        m_bResultPending = 1;
        break;
    case PageReview:
        m_nPage = PageResults;
        break;
    case PageResults:
        if (!m_pCurrent)
            break;
        if (m_bRetake && (m_pQuiz || m_pTest))
            m_nPage = m_pQuiz ? PageQuiz : PageTest;
        else
            m_nPage = PageReview;
        break;
    default:
        break;
    }
    ShowControls();
    RefreshQuestion();
    if (m_nPage == PageTest || m_nPage == PageQuiz)
        m_timeStart = Now();
    // The result is kept as the page changes, not when it is painted: a
    // hidden or minimised window may never paint it.
    if (m_bResultPending)
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
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->setVisible(IsShownOnPage(id));
    // Screen readers read the texts the panel and the answers paint.
    Control(IDC_QUESTION)
        ->setAccessibleDescription(m_pCurrent ? FromBytes(m_pCurrent->GetText()) : QString());
    for (int i = 0; i < 4; ++i)
    {
        const std::string* answer = m_pCurrent ? m_pCurrent->GetAnswerText(i) : nullptr;
        Control(IDC_ANSWER_A + i)->setAccessibleDescription(answer ? FromBytes(*answer) : QString());
    }
    Control(IDC_QUESTION)->update();
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->update();
}

void CQuilletDlg::OnTimer(int id)
{
    if (id == kClockTimerId && (m_nPage == PageTest || m_nPage == PageQuiz))
        Control(IDC_CLOCK)->update();
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
    if (m_pApp)
    {
        m_pLinkServer->Close();
        m_pApp->SendToPlayer(nullptr, kPlayerClosing);
    }
}

void CQuilletDlg::ListenForPlayer()
{
    m_pLinkServer = new quillet::link::CLinkServer(this);
    m_pLinkServer->SetHandler([this](const quillet::link::LinkRequest& request) -> qint64 {
        // The player waits for this answer, so it hides only afterwards.
        if (request.kind == quillet::link::LinkKind::Message && request.command == kPlayerClosing)
            QTimer::singleShot(0, this, [this] { m_pApp->ShowPlayer(0); });
        return request.command;
    });
    m_pLinkServer->Listen(Caption().toUtf8());
}

void CQuilletDlg::OnPlayTopic()
{
    if (!m_pCurrent)
        return;
    const std::string& topic = m_pCurrent->GetTopic();
    if (!topic.empty())
    {
        if (m_pApp)
            m_pApp->SendToPlayer(&topic, kPlayTopic);
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
    m_pMsgBox = &box;
    box.m_strFace = m_strMsgFace;
    box.m_nHeight = m_nMsgHeight;
    box.m_strText = m_strMsgText;
    box.m_nFormat = static_cast<unsigned>(m_nMsgFormat);
    box.m_nBackground = m_nMsgStyle;
    box.m_pPalette = m_pPalette;
    box.DoModal();
    m_pMsgBox = nullptr;
}

bool CQuilletDlg::SearchWithRestore(ChapterQuery quizQuery, Query testQuery, bool restore)
{
    CQuestion* old = m_pCurrent;
    if (m_pQuiz)
    {
        m_nSavedQuizPosition = m_pQuiz->GetPosition();
        m_pCurrent = (m_pQuiz.get()->*quizQuery)();
    }
    else if (m_pTest)
    {
        m_nSavedTestChapter = m_pTest->GetPosition();
        const CChapter* chapter = m_pTest->GetAt(m_nSavedTestChapter);
        m_nSavedChapterPosition = chapter ? chapter->GetPosition() : 0;
        m_pCurrent = (m_pTest.get()->*testQuery)();
    }
    const bool found = m_pCurrent != nullptr;
    if (!found && restore)
        RestorePosition();
    if (m_pCurrent && m_pCurrent != old)
        RefreshQuestion();
    return found;
}

void CQuilletDlg::RestorePosition()
{
    if (m_pQuiz)
    {
        m_pQuiz->SetPosition(m_nSavedQuizPosition);
        m_pCurrent = m_pQuiz->GetCurrent();
    }
    else if (m_pTest)
    {
        m_pTest->SetPosition(m_nSavedTestChapter);
        if (CChapter* chapter = m_pTest->GetAt(m_nSavedTestChapter))
            chapter->SetPosition(m_nSavedChapterPosition);
        m_pCurrent = m_pTest->GetCurrent();
    }
}

void CQuilletDlg::OnNext()
{
    if (m_nPage != PageTest && m_nPage != PageQuiz && m_nPage != PageReview)
        return;
    const bool review = m_nPage == PageReview;
    if (SearchWithRestore(review ? &CChapter::NextNotCorrect : &CChapter::Next,
                          review ? &CCourse::NextNotCorrect : &CCourse::Next))
        return;
    if (review)
        ReturnPrompt(true);
    else
        GradingPrompt();
}

void CQuilletDlg::OnPrevious()
{
    const bool review = m_nPage == PageReview;
    if (SearchWithRestore(review ? &CChapter::PreviousNotCorrect : &CChapter::Previous,
                          review ? &CCourse::PreviousNotCorrect : &CCourse::Previous, !review) ||
        !review)
        return;
    if (!ReturnPrompt(false))
        RestorePosition();
}

void CQuilletDlg::OnFlag()
{
    if (!m_pCurrent)
        return;
    m_pCurrent->SetFlagged(m_pCurrent->IsFlagged() ? 0 : 1);
    Control(IDC_QUESTION)->update();
}

void CQuilletDlg::OnLastFlagged()
{
    SearchWithRestore(&CChapter::PreviousFlagged, &CCourse::PreviousFlagged);
}

void CQuilletDlg::OnNextFlagged()
{
    SearchWithRestore(&CChapter::NextFlagged, &CCourse::NextFlagged);
}

void CQuilletDlg::OnNextUnanswered()
{
    SearchWithRestore(&CChapter::NextUnanswered, &CCourse::NextUnanswered);
}

void CQuilletDlg::OnLastUnanswered()
{
    SearchWithRestore(&CChapter::PreviousUnanswered, &CCourse::PreviousUnanswered);
}

void CQuilletDlg::OnHint()
{
    if (!m_pCurrent)
        return;
    m_strMsgText = m_pCurrent->GetHint();
    m_nMsgFormat = DT_CENTER | DT_WORDBREAK;
    m_nMsgHeight = 22;
    m_strMsgFace = "Arial";
    m_nMsgStyle = 0;
    ShowMessage();
}

void CQuilletDlg::SelectAnswer(int i)
{
    if ((m_nPage != PageTest && m_nPage != PageQuiz) || !m_pCurrent)
        return;
    // Choosing the chosen answer again takes it back.
    m_pCurrent->SetAnswer(m_pCurrent->GetAnswer() == i ? -1 : i);
    for (int id = IDC_ANSWER_A; id <= IDC_ANSWER_D; ++id)
        Control(id)->update();
    Control(IDC_COMPLETE)->update();
}

bool CQuilletDlg::RunPrompt(const std::string& text)
{
    CPromptDlg prompt(this);
    prompt.m_pPalette = m_pPalette;
    prompt.m_strText = text;
    return prompt.DoModal() == IDOK;
}

void CQuilletDlg::GradingPrompt()
{
    const int answered = m_pQuiz ? m_pQuiz->GetAnsweredCount() : m_pTest ? m_pTest->GetAnsweredCount() : 0;
    const int total = m_pQuiz ? m_pQuiz->GetCount() : m_pTest ? m_pTest->GetQuestionCount() : 0;
    const std::string first =
        answered == total ? "All questions answered." : std::to_string(total - answered) + " questions unanswered!";
    const std::string suffix = answered == total ? "" : " anyway";
    if (!RunPrompt(first + "\nGrade " + TestKindWord(GetKind()) + suffix + "?"))
        return;
    m_timeEnd = Now();
    UpdatePage();
    Redraw();
}

bool CQuilletDlg::ReturnPrompt(bool fromNext)
{
    if (!RunPrompt("\nReturn to Results Page?"))
        return false;
    if (fromNext)
        m_timeEnd = Now();
    UpdatePage();
    Redraw();
    return true;
}

CQuilletDlg::Score CQuilletDlg::CountScore() const
{
    Score score;
    const auto count = [&score](const CChapter& chapter) {
        for (int i = 0; i < chapter.GetCount(); ++i)
        {
            ++score.total;
            if (!chapter.GetAt(i)->IsNotCorrect())
                ++score.right;
        }
    };
    if (m_pQuiz)
        count(*m_pQuiz);
    else if (m_pTest)
        for (int c = 0; c < m_pTest->GetCount(); ++c)
            count(*m_pTest->GetAt(c));
    return score;
}

CResultHistory& CQuilletDlg::History()
{
    m_history.m_pRoster = m_pRoster.get();
    m_history.m_strUserName = m_strUserName;
    m_history.m_strPassword = m_strPassword;
    m_history.m_kind = GetKind();
    m_history.m_strCourseTitle = m_strCourseTitle;
    m_history.m_strQuizChapter = m_pQuiz ? m_pQuiz->GetName() : std::string();
    m_history.m_timeStart = m_timeStart;
    m_history.m_timeEnd = m_timeEnd;
    return m_history;
}

void CQuilletDlg::RecordPendingResult()
{
    const Score score = CountScore();
    History().RecordResult(score.right, score.total);
    m_bResultPending = 0;
}

void CQuilletDlg::OnReview()
{
    m_bRetake = 0;
    if (m_pQuiz)
        m_pCurrent = m_pQuiz->First();
    else if (m_pTest)
        m_pCurrent = m_pTest->First();
    else
        m_pCurrent = nullptr;
    if (m_pCurrent && !m_pCurrent->IsNotCorrect())
        m_pCurrent = m_pQuiz ? m_pQuiz->NextNotCorrect() : m_pTest->NextNotCorrect();
    if (!m_pCurrent)
        return;
    UpdatePage();
    Redraw();
}

void CQuilletDlg::OnRetake()
{
    CQuestion* first = nullptr;
    if (m_pQuiz && m_pSourceChapter)
    {
        m_bRetake = 1;
        m_pQuiz = m_pSourceChapter->Draw(10);
        first = m_pQuiz->First();
    }
    else if (m_pTest && m_pCourse)
    {
        m_bRetake = 1;
        m_pTest = m_pCourse->DrawTest(20, m_bPreTest);
        first = m_pTest->First();
    }
    else
        return;
    m_pCurrent = first;
    UpdatePage();
    Redraw();
}
