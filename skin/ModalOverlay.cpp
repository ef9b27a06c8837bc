#include "skin/ModalOverlay.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>

int CModalOverlay::Exec(QDialog& dialog)
{
    QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    if (!InsideOwner() || !owner || owner == &dialog || !owner->isVisible())
        return dialog.exec();
    const CModalOverlay overlay(dialog, *owner);
    return dialog.exec();
}

bool CModalOverlay::InsideOwner()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

CModalOverlay::CModalOverlay(QDialog& dialog, QWidget& owner)
    : m_dialog(&dialog), m_owner(owner), m_flags(dialog.windowFlags()), m_filled(dialog.autoFillBackground())
{
    dialog.setParent(&owner, Qt::Widget);
    // A box that leaves its background to the window system would show the
    // page through it.
    dialog.setAutoFillBackground(true);
    Centre();
    dialog.raise();
    qApp->installEventFilter(this);
}

CModalOverlay::~CModalOverlay()
{
    qApp->removeEventFilter(this);
    if (!m_dialog)
        return;
    m_dialog->hide();
    m_dialog->setParent(&m_owner, m_flags);
    m_dialog->setAutoFillBackground(m_filled);
}

bool CModalOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_dialog || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // A box that sizes itself as it opens is centred again.
    if (widget == m_dialog && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        Centre();
    if (widget->window() != &m_owner || widget == m_dialog || m_dialog->isAncestorOf(widget))
        return false;
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    case QEvent::Close:
        if (widget != &m_owner)
            return false;
        event->ignore();
        return true;
    case QEvent::FocusIn:
        KeepFocusInside(static_cast<QFocusEvent*>(event)->reason());
        return false;
    default:
        return false;
    }
}

void CModalOverlay::Centre()
{
    m_dialog->move((m_owner.width() - m_dialog->width()) / 2, (m_owner.height() - m_dialog->height()) / 2);
}

void CModalOverlay::KeepFocusInside(Qt::FocusReason reason)
{
    QWidget* first = nullptr;
    QWidget* last = nullptr;
    for (QWidget* w = m_dialog->nextInFocusChain(); w != m_dialog && m_dialog->isAncestorOf(w);
         w = w->nextInFocusChain())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
        {
            if (!first)
                first = w;
            last = w;
        }
    QWidget* target = reason == Qt::BacktabFocusReason ? last : first;
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && m_dialog->focusWidget())
        target = m_dialog->focusWidget();
    if (target)
        target->setFocus(reason);
}
