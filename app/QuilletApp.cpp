#include "app/QuilletApp.h"

#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "app/IniFile.h"
#include "app/PlayerLink.h"
#include "output/ResultsView.h"
#include "testwin/QuilletDlg.h"

namespace
{
constexpr const char* kIniSection = "New";
constexpr const char* kPlayerTitleKey = "CURRENT_TITLE";
constexpr const char* kTestTitleKey = "CURRENT_TITLE_QUILLET";

void Message(const char* text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillet"), QString::fromLatin1(text), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("startupMessage"));
    box.exec();
}

// The file that marks the running copy, named after the program.
std::string InstanceLockPath()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QString name = QString::fromLatin1(kInstanceName);
    for (QChar& c : name)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('-');
    QDir().mkpath(dir);
    return (dir + QLatin1Char('/') + name + QStringLiteral(".lock")).toStdString();
}

quillet::link::LinkRequest Request(quillet::link::LinkKind kind, int command = 0, const std::string* text = nullptr)
{
    quillet::link::LinkRequest request;
    request.kind = kind;
    request.command = static_cast<std::uint32_t>(command);
    if (text)
    {
        request.block.assign(text->begin(), text->end());
        request.block.push_back(0);
    }
    return request;
}
}

CQuilletApp::CQuilletApp() = default;

CQuilletApp::~CQuilletApp() = default;

int CQuilletApp::InitInstance(const std::vector<std::string>& arguments)
{
    m_strPlayerTitle.clear();
    m_bPlayerHidden = 0;
    if (!ReadPlayerTitle(kReadTitleAtStart))
        return 0;

    auto lock = std::make_unique<quillet::CInstanceLock>();
    if (!lock->TryLock(InstanceLockPath()))
    {
        Message(kAlreadyRunning);
        ActivatePlayer();
        return 0;
    }
    m_pInstanceLock = std::move(lock);

    CRandom::SeedGlobalFromClock();
    m_pPrintView = std::make_unique<CResultsView>();

    CQuilletDlg window;
    window.m_pApp = this;
    quillet::PreparedTest prepared = quillet::PrepareTest(quillet::JoinArguments(arguments));
    if (prepared.HasCourse())
    {
        window.m_strCourseTitle = prepared.courseTitle;
        m_pPrintView->GetDocument()->SetTitle(prepared.courseTitle);
        window.m_pCourse = std::move(prepared.course);
        window.m_pTest = std::move(prepared.test);
        window.m_bPreTest = prepared.preTest ? 1 : 0;
        window.m_pSourceChapter = prepared.sourceChapter;
        window.m_pQuiz = std::move(prepared.quiz);
        window.m_nChapter = prepared.chapter;
    }
    ShowPlayer(0);
    window.DoModal();
    return 0;
}

int CQuilletApp::ReadPlayerTitle(int context)
{
    m_strIniPath = quillet::ini::PlayerIniPath();
    m_strPlayerTitle = quillet::ini::ReadValue(m_strIniPath, kIniSection, kPlayerTitleKey);
    if (!m_strPlayerTitle.empty())
        return 1;
    if (context == kReadTitleAtStart)
        Message(kPlayerMissing);
    else if (context == kReadTitleToSend)
        Message(kPlayerNotFound);
    return 0;
}

void CQuilletApp::ActivatePlayer()
{
    if (ReadPlayerTitle(kReadTitleAtStart))
        quillet::link::Send(QByteArray::fromStdString(m_strPlayerTitle), Request(quillet::link::LinkKind::Raise));
}

void CQuilletApp::WriteTestTitle(const std::string& caption)
{
    quillet::ini::WriteValue(m_strIniPath, kIniSection, kTestTitleKey, caption);
}

void CQuilletApp::ShowPlayer(int how)
{
    if (!ReadPlayerTitle(kReadTitleAtStart))
        return;
    const QByteArray title = QByteArray::fromStdString(m_strPlayerTitle);
    const bool found = quillet::link::WindowExists(title);
    if (how == 0)
        HidePlayer(found);
    else if (how == 5)
    {
        RestorePlayer(found);
        if (found)
            quillet::link::Send(title, Request(quillet::link::LinkKind::Raise));
    }
}

void CQuilletApp::HidePlayer(bool windowFound)
{
    if (!windowFound || m_bPlayerHidden == 1)
        return;
    quillet::link::Send(QByteArray::fromStdString(m_strPlayerTitle), Request(quillet::link::LinkKind::Hide));
    m_bPlayerHidden = 1;
}

void CQuilletApp::RestorePlayer(bool windowFound)
{
    if (!windowFound || m_bPlayerHidden == 0)
        return;
    quillet::link::Send(QByteArray::fromStdString(m_strPlayerTitle), Request(quillet::link::LinkKind::Show));
    m_bPlayerHidden = 0;
}

void CQuilletApp::SendToPlayer(const std::string* text, int command)
{
    if (!ReadPlayerTitle(kReadTitleToSend))
        return;
    const QByteArray title = QByteArray::fromStdString(m_strPlayerTitle);
    if (!quillet::link::WindowExists(title))
    {
        Message(kPlayerNotFound);
        return;
    }
    // The closing notice brings the player to the front before anything else.
    if (command == kPlayerClosing)
        quillet::link::Send(title, Request(quillet::link::LinkKind::Raise));
    ShowPlayer(5);
    // A player that does not answer in time counts as no player at all.
    if (!quillet::link::Send(title, Request(quillet::link::LinkKind::Message, command, text)))
        Message(kPlayerNotFound);
}
