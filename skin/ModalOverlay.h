#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

// Runs a dialog modally over the window it belongs to, its parent's window.
// Where the program places its windows itself (X11, the headless platforms)
// the dialog is a window of its own, transient for that window, which it
// centres itself over. Wayland lets no program place a window and some
// compositors put a dialog anywhere on the screen, so there the dialog is
// drawn inside its window instead, centred, for as long as it runs: the
// window's other controls take no mouse, key or shortcut, the Tab key goes
// round the dialog's own controls, and the window does not close under it.
// The keyboard comes with the dialog as it opens, as a window of its own
// would take it, and goes back to the control that opened it as it closes.
class CModalOverlay : public QObject
{
  public:
    // The dialog's answer, as QDialog::exec gives it.
    static int Exec(QDialog& dialog);
    // Whether dialogs are drawn inside their windows here.
    static bool InsideOwner();

  private:
    CModalOverlay(QDialog& dialog, QWidget& owner);
    ~CModalOverlay() override;
    CModalOverlay(const CModalOverlay&) = delete;
    CModalOverlay& operator=(const CModalOverlay&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void Centre();
    // Where the Tab key lands when it leaves the dialog: its first control
    // going forward, its last going back.
    void KeepFocusInside(Qt::FocusReason reason);
    // Whether a shortcut event reaches a control of the window behind.
    bool ForWindowBehind(QObject* receiver) const;
    void GiveFocusBack();

    QPointer<QDialog> m_dialog;
    QWidget& m_owner;
    QPointer<QWidget> m_opener;
    Qt::WindowFlags m_flags;
    bool m_filled;
    bool m_closing = false; // hidden: the focus may leave it
};
