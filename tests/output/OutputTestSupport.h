#pragma once

// Helpers of the output tests: banks, answering the boxes the window opens,
// running the command-line tools, and a local SMTP server.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "skin/MessageDlgs.h"

namespace outputtest
{
// A bank titled `title`: chapter c ("Ch<c>") holds counts[c] questions of
// four answers, the first right.
inline std::string Bank(const std::string& title, const std::vector<int>& counts)
{
    std::string text = "!" + title + "\n";
    for (std::size_t c = 0; c < counts.size(); ++c)
    {
        text += "@Ch" + std::to_string(c + 1) + "\n";
        for (int q = 1; q <= counts[c]; ++q)
            text += "#C" + std::to_string(c + 1) + "Q" + std::to_string(q) +
                    "\n^right\n^wrong 1\n^wrong 2\n^wrong 3\n";
    }
    return text;
}

// "<object name>" or "<object name>: <text>" of a box.
inline QString Describe(QWidget& box)
{
    QString text;
    if (auto* prompt = qobject_cast<CPromptDlg*>(&box))
        text = QString::fromStdString(prompt->m_strText);
    else if (auto* message = qobject_cast<CMessageDlg*>(&box))
        text = QString::fromStdString(message->m_strText);
    else if (auto* files = qobject_cast<QFileDialog*>(&box))
        text = files->selectedFiles().value(0); // where it offers to save
    return text.isNull() ? box.objectName() : box.objectName() + ": " + text;
}

// How to answer a box: the button's object name (a file dialog with "save"
// or anything else), the text to type into its edit first (the file to save
// into), and something to do while it is up.
struct Reply
{
    QString button;
    QString typed = {};
    std::function<void()> look = {};
};

// Does `act` and answers the modal boxes it opens with `replies` in turn;
// answers the boxes seen. A box beyond the replies, or without the button
// named, is closed with -1.
inline QStringList Answering(const std::vector<Reply>& replies, const std::function<void()>& act)
{
    QStringList seen;
    std::size_t next = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout,
                     [&]
                     {
                         auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         // The busy box comes and goes as fast as the mail program.
                         if (!box || box->property("answered").toBool() || qobject_cast<CBusyDlg*>(box))
                             return;
                         box->setProperty("answered", true);
                         seen << Describe(*box);
                         if (next == replies.size())
                             return box->done(-1);
                         const Reply& reply = replies[next++];
                         if (reply.look)
                             reply.look();
                         if (auto* edit = box->findChild<QLineEdit*>(); edit && !reply.typed.isNull())
                             edit->setText(reply.typed);
                         // A file dialog saves into the file typed, or is cancelled.
                         if (auto* files = qobject_cast<QFileDialog*>(box))
                         {
                             files->selectFile(reply.typed);
                             return box->done(reply.button == QLatin1String("save") ? QDialog::Accepted
                                                                                    : QDialog::Rejected);
                         }
                         if (auto* button = box->findChild<QAbstractButton*>(reply.button))
                             button->click();
                         else
                             box->done(-1);
                     });
    timer.start(5);
    act();
    return seen;
}

// The standard output of a program run to its end (at most half a minute).
inline QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30'000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The texts of folder/message1<suffix>, folder/message2<suffix> ... in turn.
inline QStringList Stored(const QString& folder, const QString& suffix)
{
    QStringList texts;
    for (int n = 1;; ++n)
    {
        QFile file(folder + QStringLiteral("/message%1").arg(n) + suffix);
        if (!file.open(QIODevice::ReadOnly))
            return texts;
        texts << QString::fromUtf8(file.readAll()).replace("\r\n", "\n");
    }
}

// SmtpSink.py started on 127.0.0.1, storing into `folder`; the port it
// listens on, 0 when it did not start. It ends with `sink`.
inline int StartSmtpSink(QProcess& sink, const QString& script, const QString& folder, bool refuseLogin)
{
    sink.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The system Python: Debian's python3-aiosmtpd lives there.
    sink.start("/usr/bin/python3", QStringList{script, folder, "--lifetime", "120"} +
                                       (refuseLogin ? QStringList{"--refuse-login"} : QStringList{}));
    while (!sink.canReadLine() && sink.waitForReadyRead(10'000))
        ;
    return sink.readLine().trimmed().toInt();
}
}
