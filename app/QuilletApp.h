#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QByteArray>

#include "link/LinkFrame.h"
#include "testwin/PlayerPort.h"

class CResultsView;
class QWidget;
namespace quillet
{
class CInstanceLock;
}
namespace quillet::link
{
class CLinkServer;
}

// The application: checks that the companion player is installed, refuses a
// second running copy, hides the player (one that does not answer counts as
// missing), reads the command line, draws the test and runs the test window
// until the student leaves. It is the test
// window's way to the player, over the player link.
class CQuilletApp : public CPlayerPort
{
  public:
    CQuilletApp();
    ~CQuilletApp() override;

    // The arguments after the program name; answers the exit status.
    int InitInstance(const std::vector<std::string>& arguments);

    // Reads the player's window title from its ini file. On failure shows
    // message 102 (context 230) or 103 (context 231) and answers false.
    bool ReadPlayerTitle(int context);
    void ActivatePlayer();
    void WriteTestTitle(const std::string& caption);
    enum class PlayerShow
    {
        Hide,
        Restore, // and bring it to the front
    };
    void ShowPlayer(PlayerShow how);
    void HidePlayer(bool windowFound);
    void RestorePlayer(bool windowFound);
    // Asks the player to act on `command`; the text goes with its NUL.
    void SendToPlayer(const std::string* text, int command);

    // What the test window asks of the player.
    void WriteCaption(const std::string& caption) override;
    void Hide() override { ShowPlayer(PlayerShow::Hide); }
    void Show() override { ShowPlayer(PlayerShow::Restore); }
    void PlayTopic(const std::string& topic) override;
    void SayClosed() override;

    std::unique_ptr<CResultsView> m_pPrintView;
    std::string m_strPlayerTitle;
    std::string m_strIniPath;
    bool m_bPlayerHidden = false;

  private:
    // Every talk with the player, however many requests it takes, shares
    // one deadline: a player that accepts and never answers costs about a
    // second, not a time-out per request.
    class PlayerOperation;
    // Hides the player as a test starts; false when no player answers.
    bool HideAtStart();
    bool Exists(const QByteArray& title);
    bool Ask(const QByteArray& title, const quillet::link::LinkRequest& request);

    qint64 m_nOperationEnd = 0; // msecs since the epoch; 0: no operation
    std::unique_ptr<quillet::CInstanceLock> m_pInstanceLock;
    // Where the player reaches the test window, under its caption.
    std::unique_ptr<quillet::link::CLinkServer> m_pLinkServer;
    // The test window while there is one: the owner of the program's boxes.
    QWidget* m_pWindow = nullptr;
    void Message(const char* text) const;
};

// The program's messages.
inline constexpr const char* kPlayerMissing = "The required Player is missing."; // 102
inline constexpr const char* kPlayerNotFound = "Can't find the Play program.";   // 103
inline constexpr const char* kAlreadyRunning =
    "This program is already running and can't be launched again.";                    // 105
inline constexpr const char* kInstanceName = "Wrenfield Training Application Quillet"; // 108

inline constexpr int kReadTitleAtStart = 230;
inline constexpr int kReadTitleToSend = 231;
