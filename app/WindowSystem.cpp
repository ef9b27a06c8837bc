#include "app/WindowSystem.h"

#include <cmath>

#include <QDir>
#include <QLibraryInfo>
#include <cstdio>
#include <cstdlib>

const char* const CWindowSystem::kNoWindowSystem =
    "quillet: cannot open a window: neither the wayland nor the xcb platform plugin of Qt could start "
    "(on a Wayland desktop install the package qt6-wayland, on X11 DISPLAY must name a running X server).\n";

std::vector<CWindowSystem::HeldMessage> CWindowSystem::s_held;

namespace
{
bool Named(const char* variable)
{
    return !qEnvironmentVariableIsEmpty(variable);
}

bool PluginInstalled(const char* file)
{
    const QString dir = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM_PLUGIN_PATH")
                            ? QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms")
                            : qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    return QDir(dir).exists(QString::fromLatin1(file));
}
}

CWindowSystem::CWindowSystem()
{
    // Qt takes a scale of 0, a negative one or no number at all and never
    // shows the window, while the program holds its single-copy lock.
    if (const QByteArray scale = qgetenv("QT_SCALE_FACTOR"); !scale.isEmpty())
    {
        bool number = false;
        const double factor = scale.toDouble(&number);
        if (!number || !std::isfinite(factor) || factor <= 0 || factor > 10)
        {
            std::fprintf(stderr,
                         "quillet: cannot open a window: QT_SCALE_FACTOR must be a number above 0 and at "
                         "most 10, such as 1.5 or 2, not \"%s\".\n",
                         scale.left(40).constData());
            m_usable = false;
            return;
        }
    }
    if (Named("QT_QPA_PLATFORM"))
    {
        m_previous = qInstallMessageHandler(&CWindowSystem::Hold);
        return;
    }
    const bool wayland = Named("WAYLAND_DISPLAY") && PluginInstalled("libqwayland-generic.so");
    const bool x11 = Named("DISPLAY") && PluginInstalled("libqxcb.so");
    if (!wayland && !x11)
    {
        std::fputs(kNoWindowSystem, stderr);
        m_usable = false;
        return;
    }
    // Qt tries the plugins in turn: X11 through the compositor's X server
    // when the Wayland display does not answer.
    qputenv("QT_QPA_PLATFORM", wayland && x11 ? "wayland;xcb" : wayland ? "wayland" : "xcb");
    m_previous = qInstallMessageHandler(&CWindowSystem::Hold);
}

CWindowSystem::~CWindowSystem()
{
    Started();
}

void CWindowSystem::Started()
{
    if (!m_usable || m_started)
        return;
    m_started = true;
    qInstallMessageHandler(m_previous);
    for (const HeldMessage& held : s_held)
    {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        if (m_previous)
            m_previous(held.type, context, held.text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(held.text));
    }
    s_held.clear();
}

void CWindowSystem::Hold(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    // A platform plugin that cannot start is the one fatal error of
    // QApplication's start: the program's own sentence stands for it and
    // for what Qt said on the way.
    if (type == QtFatalMsg)
    {
        std::fputs(kNoWindowSystem, stderr);
        std::_Exit(1);
    }
    s_held.push_back({type, QByteArray(context.category ? context.category : ""), text});
}
