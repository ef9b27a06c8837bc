#pragma once

// Courses for the window tests, and a helper that answers the boxes the
// window opens (confirmation, alerts, prompts, hints) as a student would.

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "records/ConfirmPasswordDlg.h"
#include "skin/MessageDlgs.h"

namespace windowtest
{
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
            text += "#" + prefix + "Q" + std::to_string(q) + "\n%Hint " + std::to_string(q) +
                    "\n^right\n^wrong 1\n^wrong 2\n^wrong 3\n";
        for (int t = 1; c < statements.size() && t <= statements[c]; ++t)
            text += "$" + prefix + "T" + std::to_string(t) + (t % 2 ? "\n^True\n" : "\n^False\n");
    }
    return text;
}

// Answers the modal boxes that open over the window in the planned order,
// and notes each as "<name>" or "<name>: <text>". A box nobody planned for
// is noted too and closed with -1, so a fault never hangs the run.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QObject* parent) : QObject(parent)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
        m_timer.start(5);
    }

    // `button` is an object name or "escape"; `typed` goes into the box's
    // edit; `look` runs while the box is up, before it is answered.
    void Plan(const QString& button, const QString& typed = QString(), std::function<void()> look = {})
    {
        m_plans.push_back({button, typed, std::move(look)});
    }

    QStringList Take()
    {
        m_plans.clear();
        return std::exchange(m_seen, {});
    }

private:
    struct Step
    {
        QString button;
        QString typed;
        std::function<void()> look;
    };

    static QString Describe(QWidget& box)
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

    void Tick()
    {
        auto* box = qobject_cast<CSkinDialog*>(QApplication::activeModalWidget());
        if (m_busy || !box)
            return;
        m_busy = true;
        m_seen << Describe(*box);
        if (m_plans.empty())
            box->done(-1);
        else
        {
            const Step step = m_plans.front();
            m_plans.pop_front();
            QApplication::setActiveWindow(box);
            (void)QTest::qWaitForWindowActive(box);
            if (step.look)
                step.look();
            if (auto* edit = box->findChild<QLineEdit*>(); edit && !step.typed.isNull())
                edit->setText(step.typed);
            if (step.button == QLatin1String("escape"))
                QTest::keyClick(box, Qt::Key_Escape);
            else if (auto* button = box->findChild<QAbstractButton*>(step.button))
                QTest::mouseClick(button, Qt::LeftButton);
        }
        m_busy = false;
    }

    QTimer m_timer;
    std::deque<Step> m_plans;
    QStringList m_seen;
    bool m_busy = false;
};
}
