#pragma once

#include <QByteArray>
#include <QWidget>
#include <string>

#include "link/PlayerLink.h"

class QLabel;
class QListWidget;
class QPushButton;
class QThread;
class CPlayerScreen;

// The stand-in player's window: serves the link under its title, shows the
// topic it is asked to play, obeys hide, show and raise, and can hand the
// student back to the test window.
class CPlayerWindow : public QWidget
{
    Q_OBJECT

  public:
    CPlayerWindow(const QByteArray& title, std::string iniPath, QWidget* parent = nullptr);
    ~CPlayerWindow() override;

    // Serves the link and publishes the title as "CURRENT_TITLE" in the ini
    // file. False when another window serves this title.
    bool Start();

  private:
    qint64 OnLinkRequest(const quillet::link::LinkRequest& request);
    void OnBack();
    void Note(const QString& text);

    QByteArray m_title;
    std::string m_iniPath;
    quillet::link::CLinkServer m_link;
    CPlayerScreen* m_screen;
    QLabel* m_nowPlaying;
    QListWidget* m_log;
    QLabel* m_status;
    QPushButton* m_backButton;
    // Sends to the test window off the window's thread: the test window
    // answers "hide me" by asking this window to hide, which needs this
    // thread free.
    QThread* m_sender = nullptr;
};
