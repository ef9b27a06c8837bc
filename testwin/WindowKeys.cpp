#include "testwin/WindowKeys.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QShortcut>

#include "skin/ModalOverlay.h"

namespace
{
// Page Up and Page Down as the keyboard names them.
QString Spoken(const char* keys)
{
    return QString::fromLatin1(keys)
        .replace(QLatin1String("PgDown"), QLatin1String("Page Down"))
        .replace(QLatin1String("PgUp"), QLatin1String("Page Up"));
}
}

void InstallWindowKeys(const std::function<QWidget*(int id)>& control)
{
    for (const WindowKey& key : kWindowKeys)
    {
        if (key.byCaption)
            continue;
        auto* button = qobject_cast<QAbstractButton*>(control(key.id));
        // Parented to its button: a hidden button's key does nothing, and a
        // key shared by buttons of different pages is never ambiguous.
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key.keys)), button);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button,
                         [button, id = key.id]
                         {
                             if (id != IDC_NEXT && id != IDC_PREVIOUS)
                                 button->setFocus(Qt::ShortcutFocusReason);
                             button->click();
                         });
    }
}

QString WindowKeysText()
{
    QString text = QStringLiteral("Tab, Shift+Tab\tmove between the controls\n"
                                  "Space\tpress the control that has the focus\n"
                                  "Up, Down, mouse wheel\tscroll a text too long for its box\n");
    QString last;
    for (const WindowKey& key : kWindowKeys)
    {
        const QString what = QString::fromLatin1(key.what);
        // One line for the keys of one button.
        if (what == last)
            text.insert(text.lastIndexOf(QLatin1Char('\t')), QStringLiteral(", ") + Spoken(key.keys));
        else
            text += Spoken(key.keys) + QLatin1Char('\t') + what + QLatin1Char('\n');
        last = what;
    }
    text += QStringLiteral("Escape\tleave Quillet (an unfinished test can be continued)\n") +
            QString::fromLatin1(kKeyboardHelpKey) + QStringLiteral("\tthis list");
    return text;
}

void ShowWindowKeys(QWidget* owner)
{
    QString rows;
    for (const QString& line : WindowKeysText().split(QLatin1Char('\n')))
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(line.section(QLatin1Char('\t'), 0, 0).toHtmlEscaped(),
                         line.section(QLatin1Char('\t'), 1).toHtmlEscaped());
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Keyboard"),
                    QStringLiteral("<table cellspacing=\"4\">%1</table>").arg(rows), QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("keyboardBox"));
    box.setTextFormat(Qt::RichText);
    CModalOverlay::Exec(box);
}
