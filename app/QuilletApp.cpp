#include "app/QuilletApp.h"

#include <QDateTime>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <cctype>

#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "app/StartupMarks.h"
#include "link/PlayerLink.h"
#include "output/ResultsView.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "records/RecordStore.h"
#include "skin/MessageDlgs.h"
#include "skin/ModalOverlay.h"
#include "testwin/QuilletDlg.h"
#include "testwin/SkinPrompts.h"

namespace qlink = quillet::link;

namespace
{
constexpr const char* kIniSection = "New";
constexpr const char* kPlayerTitleKey = "CURRENT_TITLE";
constexpr const char* kTestTitleKey = "CURRENT_TITLE_QUILLET";

// The file that marks the running copy, named after the program.
std::string InstanceLockPath()
{
    const std::string dir = quillet::RuntimeFolder();
    quillet::MakeDirectories(dir);
    std::string name = kInstanceName;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '-';
    return dir + '/' + name + ".lock";
}

QByteArray Title(const std::string& title)
{
    return QByteArray::fromStdString(title);
}
}

namespace
{
constexpr qint64 kPlayerOperationMs = 1000;
}

// Starts the deadline of an operation unless one is under way already.
class CQuilletApp::PlayerOperation
{
  public:
    explicit PlayerOperation(CQuilletApp& app) : m_app(app), m_outer(app.m_nOperationEnd == 0)
    {
        if (m_outer)
            m_app.m_nOperationEnd = QDateTime::currentMSecsSinceEpoch() + kPlayerOperationMs;
    }
    ~PlayerOperation()
    {
        if (m_outer)
            m_app.m_nOperationEnd = 0;
    }
    PlayerOperation(const PlayerOperation&) = delete;
    PlayerOperation& operator=(const PlayerOperation&) = delete;

  private:
    CQuilletApp& m_app;
    bool m_outer;
};

CQuilletApp::CQuilletApp() = default;

void CQuilletApp::Message(const char* text) const
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillet"), QString::fromUtf8(text), QMessageBox::Ok,
                    m_pWindow);
    box.setObjectName(QStringLiteral("startupMessage"));
    CModalOverlay::Exec(box);
}

CQuilletApp::~CQuilletApp() = default;

int CQuilletApp::InitInstance(const std::vector<std::string>& arguments)
{
    m_strPlayerTitle.clear();
    m_bPlayerHidden = false;
    if (!ReadPlayerTitle(kReadTitleAtStart))
        return 0;

    auto lock = std::make_unique<quillet::CInstanceLock>();
    const std::string lockPath = InstanceLockPath();
    if (!lock->TryLock(lockPath))
    {
        // A folder that cannot be used is no second copy.
        if (!lock->Problem().empty())
        {
            const std::string text = "The runtime folder " + quillet::ParentFolder(lockPath) +
                                     " cannot be used: " + lock->Problem() + ".";
            Message(text.c_str());
            return 0;
        }
        Message(kAlreadyRunning);
        ActivatePlayer();
        return 0;
    }
    m_pInstanceLock = std::move(lock);

    // A title left in the ini by a player that has died, or a player that
    // no longer answers, is no player: hiding it is the proof of life.
    if (!HideAtStart())
    {
        m_pInstanceLock.reset();
        Message(kPlayerMissing);
        return 0;
    }
    CStartupMarks::Mark("player hidden");

    CRandom::SeedGlobalFromClock();
    m_pPrintView = std::make_unique<CResultsView>();

    // The records this machine is set up for: the start alone chooses them.
    CQuilletDlg window(quillet::RecordStore::Open(), std::make_unique<CSkinPrompts>());
    CStartupMarks::Mark("window made");
    m_pWindow = &window;
    const auto forget = qScopeGuard([this] { m_pWindow = nullptr; });
    window.SetPlayer(this);
    window.SetPrintView(m_pPrintView.get());
    std::string problem;
    std::unique_ptr<quillet::TestRun> run =
        quillet::PrepareTest(quillet::PartsFromArguments(arguments), CRandom::Global(), {}, &problem);
    // A bank that cannot be used is told before the window opens on nothing.
    if (!problem.empty())
    {
        CMessageDlg box(&window);
        box.m_strText = problem;
        box.m_strTitle = "Question Bank";
        box.m_strFace = "Arial";
        box.m_nHeight = 18;
        box.m_nFormat = quillet::skin::DT_CENTER | quillet::skin::DT_WORDBREAK;
        box.m_nBackground = 0;
        box.DoModal();
    }
    if (run)
    {
        m_pPrintView->GetDocument()->SetTitle(run->GetCourseTitle());
        window.SetRun(std::move(run));
    }
    CStartupMarks::Mark("test drawn");
    window.DoModal();
    return 0;
}

bool CQuilletApp::HideAtStart()
{
    const PlayerOperation operation(*this);
    const QByteArray title = Title(m_strPlayerTitle);
    if (!Exists(title) || !Ask(title, qlink::MakeWindowRequest(qlink::LinkKind::Hide)))
        return false;
    m_bPlayerHidden = true;
    return true;
}

bool CQuilletApp::Exists(const QByteArray& title)
{
    const qint64 left = m_nOperationEnd - QDateTime::currentMSecsSinceEpoch();
    return left > 0 &&
           qlink::WindowExists(title, static_cast<int>(std::min<qint64>(left, qlink::kFindTimeoutMs)));
}

bool CQuilletApp::Ask(const QByteArray& title, const qlink::LinkRequest& request)
{
    const qint64 left = m_nOperationEnd - QDateTime::currentMSecsSinceEpoch();
    return left > 0 && qlink::Send(title, request, static_cast<int>(left)).has_value();
}

bool CQuilletApp::ReadPlayerTitle(int context)
{
    m_strIniPath = quillet::ini::PlayerIniPath();
    m_strPlayerTitle = quillet::ini::ReadValue(m_strIniPath, kIniSection, kPlayerTitleKey);
    if (!m_strPlayerTitle.empty())
        return true;
    if (context == kReadTitleAtStart)
        Message(kPlayerMissing);
    else if (context == kReadTitleToSend)
        Message(kPlayerNotFound);
    return false;
}

void CQuilletApp::ActivatePlayer()
{
    const PlayerOperation operation(*this);
    if (ReadPlayerTitle(kReadTitleAtStart))
        Ask(Title(m_strPlayerTitle), qlink::MakeWindowRequest(qlink::LinkKind::Raise));
}

void CQuilletApp::WriteTestTitle(const std::string& caption)
{
    // Written once a start: the student hears of it once, and the test goes on.
    const quillet::FileStatus written =
        quillet::ini::WriteValue(m_strIniPath, kIniSection, kTestTitleKey, caption);
    if (!written)
        Message(("The player's settings file " + m_strIniPath + " cannot be updated: " + written.reason +
                 ". The player cannot reach this window.")
                    .c_str());
}

void CQuilletApp::WriteCaption(const std::string& caption)
{
    WriteTestTitle(caption);
    // The player asks the test window to hide it; it waits for the answer,
    // so it hides only afterwards.
    m_pLinkServer = std::make_unique<qlink::CLinkServer>();
    qlink::CLinkServer* server = m_pLinkServer.get();
    server->SetHandler(
        [this, server](const qlink::LinkRequest& request) -> qint64
        {
            if (request.kind == qlink::LinkKind::Message && request.command == qlink::kCommandHidePlayer)
                QTimer::singleShot(0, server, [this] { Hide(); });
            return request.command;
        });
    server->Listen(Title(caption));
}

void CQuilletApp::PlayTopic(const std::string& topic)
{
    SendToPlayer(&topic, qlink::kCommandPlayTopic);
}

void CQuilletApp::SayClosed()
{
    if (m_pLinkServer)
        m_pLinkServer->Close();
    // The test is over: a new copy may start while the player is told.
    m_pInstanceLock.reset();
    SendToPlayer(nullptr, qlink::kCommandTestClosed);
}

void CQuilletApp::ShowPlayer(PlayerShow how)
{
    const PlayerOperation operation(*this);
    if (!ReadPlayerTitle(kReadTitleAtStart))
        return;
    const QByteArray title = Title(m_strPlayerTitle);
    const bool found = Exists(title);
    if (how == PlayerShow::Hide)
    {
        HidePlayer(found);
        return;
    }
    RestorePlayer(found);
    if (found)
        Ask(title, qlink::MakeWindowRequest(qlink::LinkKind::Raise));
}

void CQuilletApp::HidePlayer(bool windowFound)
{
    if (!windowFound || m_bPlayerHidden)
        return;
    const PlayerOperation operation(*this);
    Ask(Title(m_strPlayerTitle), qlink::MakeWindowRequest(qlink::LinkKind::Hide));
    m_bPlayerHidden = true;
}

void CQuilletApp::RestorePlayer(bool windowFound)
{
    if (!windowFound || !m_bPlayerHidden)
        return;
    const PlayerOperation operation(*this);
    Ask(Title(m_strPlayerTitle), qlink::MakeWindowRequest(qlink::LinkKind::Show));
    m_bPlayerHidden = false;
}

void CQuilletApp::SendToPlayer(const std::string* text, int command)
{
    if (!ReadPlayerTitle(kReadTitleToSend))
        return;
    bool answered = false;
    {
        const PlayerOperation operation(*this);
        const QByteArray title = Title(m_strPlayerTitle);
        if (Exists(title))
        {
            // The closing notice brings the player to the front before anything else.
            if (command == static_cast<int>(qlink::kCommandTestClosed))
                Ask(title, qlink::MakeWindowRequest(qlink::LinkKind::Raise));
            ShowPlayer(PlayerShow::Restore);
            const auto number = static_cast<std::uint32_t>(command);
            answered = Ask(title, text ? qlink::MakeMessage(number, *text) : qlink::MakeMessage(number));
        }
    }
    // A player that does not answer in time counts as no player at all; the
    // message waits for nobody's deadline.
    if (!answered)
        Message(kPlayerNotFound);
}
