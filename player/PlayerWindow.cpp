#include "PlayerWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QThread>
#include <QTime>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "platform/IniFile.h"

namespace
{
const char* const kSection = "New";
constexpr int kLogLimit = 200;
const QColor kAccent(0x2b, 0xb3, 0xa3);
}

// The dark "video" area with a play mark and the topic under it.
class CPlayerScreen : public QWidget
{
  public:
    explicit CPlayerScreen(QWidget* parent) : QWidget(parent) { setMinimumSize(360, 190); }

    void SetTopic(const QString& topic)
    {
        m_topic = topic;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient shade(area.topLeft(), area.bottomLeft());
        shade.setColorAt(0, QColor(0x26, 0x2d, 0x3d));
        shade.setColorAt(1, QColor(0x0f, 0x12, 0x1a));
        QPainterPath frame;
        frame.addRoundedRect(area, 10, 10);
        painter.fillPath(frame, shade);

        const QPointF centre = area.center() - QPointF(0, 18);
        const qreal radius = 32;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, m_topic.isEmpty() ? 20 : 36));
        painter.drawEllipse(centre, radius, radius);
        const QPointF play[] = {centre + QPointF(-10, -16), centre + QPointF(17, 0),
                                centre + QPointF(-10, 16)};
        painter.setBrush(m_topic.isEmpty() ? QColor(0x8a, 0x93, 0xa6) : kAccent);
        painter.drawPolygon(play, 3);

        QFont font = painter.font();
        font.setPixelSize(15);
        font.setBold(!m_topic.isEmpty());
        painter.setFont(font);
        painter.setPen(QColor(0xe8, 0xec, 0xf2));
        const QRectF caption(area.left() + 16, centre.y() + radius + 10, area.width() - 32, 44);
        painter.drawText(caption, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         m_topic.isEmpty() ? QStringLiteral("Waiting for a topic") : m_topic);
    }

  private:
    QString m_topic;
};

CPlayerWindow::CPlayerWindow(const QByteArray& title, std::string iniPath, QWidget* parent)
    : QWidget(parent), m_title(title), m_iniPath(std::move(iniPath)), m_screen(new CPlayerScreen(this)),
      m_nowPlaying(new QLabel(QStringLiteral("Nothing playing"), this)), m_log(new QListWidget(this)),
      m_status(new QLabel(this)), m_backButton(new QPushButton(QStringLiteral("Back to the test"), this))
{
    setObjectName(QStringLiteral("playerWindow"));
    setWindowTitle(QString::fromUtf8(title));
    setAccessibleName(QStringLiteral("Video player"));
    setStyleSheet(
        QStringLiteral("#playerWindow { background: #f3f5f8; }"
                       "#nowPlaying { color: #1c2433; font-size: 15px; font-weight: bold; }"
                       "#log { background: white; border: 1px solid #d5dae3; border-radius: 6px; color: "
                       "#3a4456; padding: 4px; }"
                       "#status { color: #5b6578; }"
                       "#backButton { background: #2bb3a3; color: white; border: none; border-radius: 6px;"
                       "  padding: 7px 16px; font-weight: bold; }"
                       "#backButton:hover { background: #249c8e; }"
                       "#backButton:disabled { background: #a9d9d3; }"));

    const struct
    {
        QWidget* widget;
        const char* object;
        const char* accessible;
    } names[] = {{m_screen, "screen", "Video screen"},
                 {m_nowPlaying, "nowPlaying", "Now playing"},
                 {m_log, "log", "Player log"},
                 {m_status, "status", "Status"},
                 {m_backButton, "backButton", "Back to the test"}};
    for (const auto& name : names)
    {
        name.widget->setObjectName(QString::fromLatin1(name.object));
        name.widget->setAccessibleName(QString::fromLatin1(name.accessible));
    }
    m_log->setFocusPolicy(Qt::NoFocus);
    m_log->setFixedHeight(104);
    m_nowPlaying->setWordWrap(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_backButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 14);
    layout->setSpacing(10);
    layout->addWidget(m_screen, 1);
    layout->addWidget(m_nowPlaying);
    layout->addWidget(m_log);
    layout->addLayout(bottom);
    resize(480, 440);

    connect(m_backButton, &QPushButton::clicked, this, &CPlayerWindow::OnBack);
    m_link.SetHandler([this](const quillet::link::LinkRequest& request) { return OnLinkRequest(request); });
}

CPlayerWindow::~CPlayerWindow()
{
    // A send ends within its time-out.
    if (m_sender)
    {
        m_sender->wait();
        delete m_sender;
    }
}

bool CPlayerWindow::Start()
{
    if (!m_link.Listen(m_title))
        return false;
    if (quillet::ini::WriteValue(m_iniPath, kSection, "CURRENT_TITLE", m_title.toStdString()))
        Note(QStringLiteral("Ready as \"%1\"").arg(QString::fromUtf8(m_title)));
    else
        Note(QStringLiteral("Could not write the title to %1").arg(QString::fromStdString(m_iniPath)));
    return true;
}

qint64 CPlayerWindow::OnLinkRequest(const quillet::link::LinkRequest& request)
{
    using quillet::link::LinkKind;
    // A window request answers whether the window was showing before.
    const qint64 wasVisible = isVisible() ? 1 : 0;
    switch (request.kind)
    {
    case LinkKind::Hide:
        hide();
        Note(QStringLiteral("Hidden"));
        return wasVisible;
    case LinkKind::Show:
        showNormal();
        Note(QStringLiteral("Shown"));
        return wasVisible;
    case LinkKind::Raise:
        raise();
        activateWindow();
        return wasVisible;
    case LinkKind::Message:
        break;
    }
    if (request.command == quillet::link::kCommandPlayTopic)
    {
        const auto end = std::find(request.block.begin(), request.block.end(), std::uint8_t{0});
        const QString topic = QString::fromUtf8(reinterpret_cast<const char*>(request.block.data()),
                                                static_cast<qsizetype>(end - request.block.begin()));
        m_screen->SetTopic(topic);
        m_nowPlaying->setText(QStringLiteral("Now playing: %1").arg(topic));
        Note(m_nowPlaying->text());
    }
    else if (request.command == quillet::link::kCommandTestClosed)
    {
        m_status->setText(QStringLiteral("The test window closed"));
        Note(m_status->text());
    }
    else
    {
        Note(QStringLiteral("Message %1 ignored").arg(request.command));
    }
    // As a copy-data handler answers with its wParam.
    return request.command;
}

void CPlayerWindow::OnBack()
{
    if (m_sender)
        return;
    const std::string testTitle = quillet::ini::ReadValue(m_iniPath, kSection, "CURRENT_TITLE_QUILLET");
    if (testTitle.empty())
    {
        m_status->setText(QStringLiteral("No test window is known"));
        return;
    }
    m_backButton->setEnabled(false);
    m_status->setText(QStringLiteral("Calling the test window…"));
    const auto answer = std::make_shared<std::optional<qint64>>();
    const QByteArray title = QByteArray::fromStdString(testTitle);
    m_sender = QThread::create(
        [title, answer] {
            *answer =
                quillet::link::Send(title, quillet::link::MakeMessage(quillet::link::kCommandHidePlayer));
        });
    connect(m_sender, &QThread::finished, this,
            [this, answer]
            {
                m_sender->deleteLater();
                m_sender = nullptr;
                m_backButton->setEnabled(true);
                m_status->setText(*answer ? QStringLiteral("Back to the test")
                                          : QStringLiteral("No test window answered"));
                Note(m_status->text());
            });
    m_sender->start();
}

void CPlayerWindow::Note(const QString& text)
{
    m_log->addItem(QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")) + text);
    while (m_log->count() > kLogLimit)
        delete m_log->takeItem(0);
    m_log->scrollToBottom();
}
