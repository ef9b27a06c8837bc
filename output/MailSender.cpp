#include "output/MailSender.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QSysInfo>
#include <ctime>

#include "output/MailMessage.h"
#include "output/ResultsText.h"

namespace quillet
{
namespace
{
constexpr int kMailTimeoutMs = 60'000;
constexpr int kLogonRefused = 77; // EX_NOPERM

QString FindMailer()
{
    if (const QByteArray chosen = qgetenv("QUILLET_SENDMAIL"); !chosen.isEmpty())
        return QFileInfo::exists(QString::fromLocal8Bit(chosen)) ? QString::fromLocal8Bit(chosen) : QString();
    for (const char* path : {"/usr/sbin/sendmail", "/usr/lib/sendmail"})
        if (QFileInfo::exists(QString::fromLatin1(path)))
            return QString::fromLatin1(path);
    return {};
}

MailOutcome RunMailer(const QString& mailer, const std::string& message)
{
    QProcess process;
    process.setProgram(mailer);
    process.setArguments({QStringLiteral("-i"), QStringLiteral("-t")});
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!process.waitForStarted(kMailTimeoutMs))
        return MailOutcome::InvalidMailer;
    process.write(message.data(), static_cast<qint64>(message.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(kMailTimeoutMs))
    {
        process.kill();
        process.waitForFinished(1000);
        return MailOutcome::SendFailed;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return MailOutcome::SendFailed;
    if (process.exitCode() == 0)
        return MailOutcome::Sent;
    return process.exitCode() == kLogonRefused ? MailOutcome::LogonFailed : MailOutcome::SendFailed;
}

MailOutcome Send(const CResultsDoc& doc)
{
    const QString mailer = FindMailer();
    if (mailer.isEmpty())
        return MailOutcome::NoMailer;
    if (!QFileInfo(mailer).isExecutable() || QFileInfo(mailer).isDir())
        return MailOutcome::InvalidMailer;

    MailParts parts;
    doc.ComposeResultsText(parts.subject, parts.body);
    parts.recipientAddress = doc.m_strAddress;
    parts.date = static_cast<TimeStamp>(std::time(nullptr));
    parts.messageId = QStringLiteral("quillet.%1.%2@%3")
                          .arg(parts.date)
                          .arg(QRandomGenerator::global()->generate64(), 0, 16)
                          .arg(QSysInfo::machineHostName().isEmpty() ? QStringLiteral("localhost")
                                                                     : QSysInfo::machineHostName())
                          .toStdString();
    const auto message = BuildMailMessage(parts);
    if (!message)
        return MailOutcome::SendFailed;
    return RunMailer(mailer, *message);
}
}

MailOutcome SendResults(const CResultsDoc& doc, QWidget* window)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (window)
        window->setEnabled(false);
    const MailOutcome outcome = Send(doc);
    if (window)
    {
        window->setEnabled(true);
        window->activateWindow();
    }
    QApplication::restoreOverrideCursor();

    const char* text = nullptr;
    switch (outcome)
    {
    case MailOutcome::NoMailer:
        text = kMailLoadFailed;
        break;
    case MailOutcome::InvalidMailer:
        text = kMailInvalid;
        break;
    case MailOutcome::SendFailed:
        text = kMailSendFailed;
        break;
    case MailOutcome::LogonFailed:
        text = kMailLoginRefused;
        break;
    case MailOutcome::Sent:
        break;
    }
    if (text)
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillet"), QString::fromLatin1(text),
                        QMessageBox::Ok, window);
        box.setObjectName(QStringLiteral("mailMessage"));
        box.exec();
    }
    return outcome;
}
}
