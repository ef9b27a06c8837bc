#pragma once

// Courses for the window tests, the window on a record file of the test's
// own, and answering the boxes the window opens (confirmation, alerts,
// prompts, hints) as a student would.

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/FileRecordStore.h"
#include "skin/MessageDlgs.h"
#include "testwin/QuilletDlg.h"
#include "testwin/SkinPrompts.h"

namespace windowtest
{
// The window on the record file `recordFile`, with the skinned boxes as
// start-up gives it, or the prompts given.
inline std::unique_ptr<CQuilletDlg> WindowOn(const std::string& recordFile,
                                             std::unique_ptr<CWindowPrompts> prompts = nullptr)
{
    return std::make_unique<CQuilletDlg>(std::make_unique<quillet::FileRecordStore>(recordFile),
                                         prompts ? std::move(prompts) : std::make_unique<CSkinPrompts>());
}

// "Networks": chapter c holds choice[c] questions "C<c>Q<q>" of four answers
// (the first right, as in a bank), each with a hint, and statements[c]
// true/false ones "C<c>T<t>".
inline std::string Bank(const std::vector<int>& choice, const std::vector<int>& statements = {})
{
    std::string text = "!Networks\n";
    for (std::size_t c = 0; c < choice.size(); ++c)
    {
        const std::string prefix = "C" + std::to_string(c + 1);
        text += "@Ch" + std::to_string(c + 1) + "\n";
        for (int q = 1; q <= choice[c]; ++q)
            text +=
                "#" + prefix + "Q" + std::to_string(q) + "\n%Hint\n^right\n^wrong 1\n^wrong 2\n^wrong 3\n";
        for (int t = 1; c < statements.size() && t <= statements[c]; ++t)
            text += "$" + prefix + "T" + std::to_string(t) + (t % 2 ? "\n^True\n" : "\n^False\n");
    }
    return text;
}

// "<name>" or "<name>: <text>" of a box.
inline QString Describe(QWidget& box)
{
    std::string text;
    if (auto* prompt = qobject_cast<CPromptDlg*>(&box))
        text = prompt->m_strText;
    else if (auto* message = qobject_cast<CMessageDlg*>(&box))
        text = message->m_strText;
    else if (auto* alert = qobject_cast<CAlertDlg*>(&box))
        text = alert->m_strTitle + "|" + alert->m_strMessage;
    else
        return box.objectName();
    return box.objectName() + ": " + QString::fromStdString(text);
}

// How to answer a box: the button's object name or "escape", and the text
// to type into its edit first.
struct Reply
{
    QString button;
    QString typed = {};
};

// Does `act` and answers the boxes it opens with `replies` in turn; answers
// the boxes seen. A box beyond the replies is closed with -1.
inline QStringList Answering(const std::vector<Reply>& replies, const std::function<void()>& act)
{
    QStringList seen;
    std::size_t next = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout,
                     [&]
                     {
                         auto* box = qobject_cast<CSkinDialog*>(QApplication::activeModalWidget());
                         if (!box || box->property("answered").toBool())
                             return;
                         box->setProperty("answered", true);
                         seen << Describe(*box);
                         if (next == replies.size())
                             return box->done(-1);
                         const Reply& reply = replies[next++];
                         QApplication::setActiveWindow(box);
                         if (auto* edit = box->findChild<QLineEdit*>(); edit && !reply.typed.isNull())
                             edit->setText(reply.typed);
                         if (reply.button == QLatin1String("escape"))
                             QTest::keyClick(box, Qt::Key_Escape);
                         else if (auto* button = box->findChild<QAbstractButton*>(reply.button))
                             QTest::mouseClick(button, Qt::LeftButton);
                     });
    timer.start(5);
    act();
    return seen;
}
}
