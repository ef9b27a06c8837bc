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
    : m_dialog(&dialog), m_owner(owner), m_opener(owner.focusWidget()), m_flags(dialog.windowFlags()),
      m_filled(dialog.autoFillBackground())
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
    // Hidden while watched, so that the focus goes back as when it closes.
    if (m_dialog)
        m_dialog->hide();
    qApp->removeEventFilter(this);
    if (!m_dialog)
        return;
    m_dialog->setParent(&m_owner, m_flags);
    m_dialog->setAutoFillBackground(m_filled);
}

bool CModalOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_dialog)
        return false;
    // The window stays active behind the box, so its keys (the buttons'
    // QShortcuts, the menu's actions) would still be taken.
    if (event->type() == QEvent::Shortcut && ForWindowBehind(watched))
        return true;
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget == m_dialog)
    {
        switch (event->type())
        {
        // A box that sizes itself as it opens is centred again.
        case QEvent::Resize:
        case QEvent::Show:
            Centre();
            break;
        // Sent once its showEvent has run, which may have put the focus on
        // a control of its own; else its first control takes it.
        case QEvent::ShowToParent:
            m_closing = false;
            KeepFocusInside(Qt::ActiveWindowFocusReason);
            break;
        // Sent before Qt moves the focus off a hidden box to the next control.
        case QEvent::Hide:
            GiveFocusBack();
            break;
        default:
            break;
        }
        return false;
    }
    if (widget->window() != &m_owner || m_dialog->isAncestorOf(widget))
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
        if (!m_closing)
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

bool CModalOverlay::ForWindowBehind(QObject* receiver) const
{
    for (const QObject* object = receiver; object; object = object->parent())
        if (object == m_dialog)
            return false;
    return true;
}

void CModalOverlay::GiveFocusBack()
{
    m_closing = true;
    if (m_opener && m_opener->isVisible() && m_opener->isEnabled() && m_opener->window() == &m_owner)
        m_opener->setFocus(Qt::ActiveWindowFocusReason);
}
