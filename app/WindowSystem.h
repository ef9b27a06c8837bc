#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

// The window system Quillet opens its window on, settled before the
// QApplication starts. Unless QT_QPA_PLATFORM names a platform plugin, the
// Wayland plugin is taken where WAYLAND_DISPLAY names a display and the plugin
// is installed, with X11's (xcb) behind it, and X11's where DISPLAY names one.
// Where neither can start, whether no display is named, a plugin is missing
// or the display does not answer, the program says so in one sentence on
// stderr and ends with status 1, where Qt would end it with an abort; so it
// does for a scale factor (QT_SCALE_FACTOR) that no window can be shown at.
class CWindowSystem
{
  public:
    CWindowSystem();
    ~CWindowSystem();
    CWindowSystem(const CWindowSystem&) = delete;
    CWindowSystem& operator=(const CWindowSystem&) = delete;

    // False, the sentence said, when no plugin can start: Qt is not tried.
    bool Usable() const { return m_usable; }
    // Once the QApplication stands: Qt's messages go out as before, those
    // held while it started first.
    void Started();

    static const char* const kNoWindowSystem;

  private:
    struct HeldMessage
    {
        QtMsgType type;
        QByteArray category;
        QString text;
    };
    static void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text);

    bool m_usable = true;
    bool m_started = false;
    QtMessageHandler m_previous = nullptr;
    static std::vector<HeldMessage> s_held;
};
