#include "output/MailSender.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTimer>
#include <ctime>
#include <memory>
#include <optional>

#include "output/MailMessage.h"
#include "output/ResultsDoc.h"
#include "output/Settings.h"
#include "skin/MessageDlgs.h"

namespace quillet
{
namespace
{
int g_deadlineMs = 60'000;
constexpr int kLogonRefused = 77; // EX_NOPERM
constexpr int kOpenerWaitMs = 5'000;

QString FindMailer()
{
    if (const QByteArray chosen = qgetenv("QUILLET_SENDMAIL"); !chosen.isEmpty())
        return QFileInfo::exists(QString::fromLocal8Bit(chosen)) ? QString::fromLocal8Bit(chosen) : QString();
    for (const char* path : {"/usr/sbin/sendmail", "/usr/lib/sendmail"})
        if (QFileInfo::exists(QString::fromLatin1(path)))
            return QString::fromLatin1(path);
    return {};
}

// Runs the mail program under the busy box; the first of its end, Cancel
// and the deadline decides the outcome, and the program never outlives it.
MailOutcome RunMailer(const QString& mailer, const std::string& message, QWidget* window)
{
    QProcess process;
    process.setProgram(mailer);
    process.setArguments({QStringLiteral("-i"), QStringLiteral("-t")});
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    CBusyDlg box(window);
    box.m_strText = kMailSending;
    std::optional<MailOutcome> outcome;
    const auto settle = [&](MailOutcome how)
    {
        if (outcome)
            return;
        outcome = how;
        box.done(IDOK);
    };
    QObject::connect(&process, &QProcess::errorOccurred, &box,
                     [&](QProcess::ProcessError error)
                     {
                         if (error == QProcess::FailedToStart)
                             settle(MailOutcome::InvalidMailer);
                     });
    QObject::connect(&process, &QProcess::finished, &box,
                     [&](int code, QProcess::ExitStatus status)
                     {
                         if (status != QProcess::NormalExit)
                             settle(MailOutcome::SendFailed);
                         else if (code == 0)
                             settle(MailOutcome::Sent);
                         else
                             settle(code == kLogonRefused ? MailOutcome::LogonFailed
                                                          : MailOutcome::SendFailed);
                     });
    QObject::connect(&process, &QProcess::started, &box,
                     [&]
                     {
                         process.write(message.data(), static_cast<qint64>(message.size()));
                         process.closeWriteChannel();
                     });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &box, [&] { settle(MailOutcome::TimedOut); });

    deadline.start(g_deadlineMs);
    process.start();
    // Cancel, Escape or a close of the box: anything but the settling.
    if (!outcome)
        box.DoModal();
    settle(MailOutcome::Cancelled);
    if (process.state() != QProcess::NotRunning)
    {
        process.kill();
        process.waitForFinished(1000);
    }
    return *outcome;
}

// Opens the desktop's mail client on the message. xdg-open itself, not
// through the platform plugin: every plugin can start it, while some open
// nothing at all. It ends at once, with a failure when no mail client took
// the message (3: "no method available"), or waits for the mail client it
// started: one still running after a few seconds has opened a client and is
// left to run.
MailOutcome HandOver(const MailParts& parts)
{
    const std::optional<std::string> address = MailtoAddress(parts);
    if (!address)
        return MailOutcome::NoMailer;
    auto opener = std::make_unique<QProcess>();
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({QString::fromStdString(*address)});
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->start();
    if (!opener->waitForStarted(kOpenerWaitMs))
        return MailOutcome::NoMailer;
    if (!opener->waitForFinished(kOpenerWaitMs))
    {
        QProcess* running = opener.release();
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
        return MailOutcome::HandedOver;
    }
    return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0
               ? MailOutcome::HandedOver
               : MailOutcome::NotHandedOver;
}

MailParts Compose(const CResultsDoc& doc)
{
    MailParts parts;
    doc.ComposeResultsText(parts.subject, parts.body);
    parts.recipientAddress = doc.m_strAddress;
    const ResultsSettings settings = ReadResultsSettings();
    for (const std::string& problem : settings.problems)
        qWarning("quillet: %s; it is passed over", problem.c_str());
    parts.senderName = settings.senderName;
    parts.senderAddress = settings.senderAddress;
    parts.date = static_cast<TimeStamp>(std::time(nullptr));
    parts.messageId = QStringLiteral("quillet.%1.%2@%3")
                          .arg(parts.date)
                          .arg(QRandomGenerator::global()->generate64(), 0, 16)
                          .arg(QSysInfo::machineHostName().isEmpty() ? QStringLiteral("localhost")
                                                                     : QSysInfo::machineHostName())
                          .toStdString();
    return parts;
}

MailOutcome Send(const CResultsDoc& doc, QWidget* window)
{
    const MailParts parts = Compose(doc);
    const QString mailer = FindMailer();
    if (mailer.isEmpty())
        return HandOver(parts);
    if (!QFileInfo(mailer).isExecutable() || QFileInfo(mailer).isDir())
        return MailOutcome::InvalidMailer;
    const auto message = BuildMailMessage(parts);
    if (!message)
        return MailOutcome::SendFailed;
    return RunMailer(mailer, *message, window);
}
}

void SetMailDeadline(int milliseconds)
{
    g_deadlineMs = milliseconds;
}

MailOutcome SendResults(const CResultsDoc& doc, QWidget* window)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const MailOutcome outcome = Send(doc, window);
    QApplication::restoreOverrideCursor();
    return outcome;
}
}
