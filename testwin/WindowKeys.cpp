#include "testwin/WindowKeys.h"

#include <QAbstractButton>
#include <QShortcut>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace
{
// Page Up and Page Down as the keyboard names them.
QString Spoken(const char* keys)
{
    return QString::fromLatin1(keys)
        .replace(QLatin1String("PgDown"), QLatin1String("Page Down"))
        .replace(QLatin1String("PgUp"), QLatin1String("Page Up"));
}

// The pages a button shows on, by the names the student knows them by.
QString PagesOf(unsigned pages)
{
    static constexpr struct
    {
        int page;
        const char* name;
    } kNames[] = {{PageTest, "Test"}, {PageQuiz, "Quiz"}, {PageReview, "Review"}, {PageResults, "Results"}};
    QStringList names;
    for (const auto& name : kNames)
        if (pages & (1u << name.page))
            names += QString::fromLatin1(name.name);
    return names.join(QStringLiteral(", "));
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

std::vector<CKeysDlg::Row> WindowKeyRows()
{
    std::vector<CKeysDlg::Row> rows = {
        {QStringLiteral("Tab, Shift+Tab"), QStringLiteral("move between the controls")},
        {QStringLiteral("Space"), QStringLiteral("press the control that has the focus")},
        {QStringLiteral("Up, Down"),
         QStringLiteral("scroll a text too long for its box, as the mouse wheel does")}};
    // A key of one button shares its row with the button's other keys; a
    // key of several buttons (on different pages) has a row of its own.
    std::vector<QString> shared;
    for (const WindowKey& key : kWindowKeys)
    {
        const QString keys = Spoken(key.keys);
        const QString use = QString::fromLatin1(key.what) + QStringLiteral(" (") +
                            PagesOf(quillet::skin::ControlOf(key.id).pages) + QLatin1Char(')');
        const bool isShared =
            std::count_if(std::begin(kWindowKeys), std::end(kWindowKeys),
                          [&](const WindowKey& other) { return std::strcmp(other.keys, key.keys) == 0; }) > 1;
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const CKeysDlg::Row& r)
                                {
                                    const bool rowShared =
                                        std::find(shared.begin(), shared.end(), r.keys) != shared.end();
                                    return isShared ? r.keys == keys : !rowShared && r.what == use;
                                });
        if (row == rows.end())
        {
            rows.push_back({keys, use});
            if (isShared)
                shared.push_back(keys);
        }
        else if (isShared)
            row->what += QStringLiteral("; ") + use;
        else
            row->keys += QStringLiteral(", ") + keys;
    }
    rows.push_back(
        {QStringLiteral("Escape"), QStringLiteral("leave Quillet (an unfinished test can be continued)")});
    rows.push_back({QString::fromLatin1(kKeyboardHelpKey), QStringLiteral("this list")});
    return rows;
}

void ShowWindowKeys(QWidget* owner)
{
    CKeysDlg box(owner);
    box.m_rows = WindowKeyRows();
    box.DoModal();
}
