#include "skin/MessageDlgs.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/Version.h"

using namespace quillet::skin;

namespace
{
constexpr const char* kClickHint = "Click here to continue.";

// The box of the one-button dialogs, and the area their texts go in.
struct OneButtonLayout
{
    QSize size;
    int tile; // 0: chosen by the message box's background selector
};
constexpr OneButtonLayout kMessageLayout{QSize(400, 200), 0};
constexpr OneButtonLayout kAlertLayout{QSize(275, 150), bitmap::kWoodTile};
constexpr QSize kPromptSize(300, 150);
constexpr QSize kAboutSize(500, 300);
constexpr int kAboutPicture = bitmap::kAbout;
// Inside the test window's page (kSurfaceWidth by kSurfaceHeight), with
// room for what the window has over its page (menu bar, title bar).
constexpr QSize kKeysSize(600, 370);
constexpr int kKeysTitleHeight = 30;
constexpr int kKeysHintHeight = 22;
constexpr int kKeysRowHeight = 17; // the most a row takes; less when there are many
constexpr int kKeysColumnGap = 12;

int MessageTile(int background)
{
    switch (background)
    {
    case 1:
        return bitmap::kTableTile;
    case 2:
        return bitmap::kWoodTile;
    default:
        return bitmap::kHintTile;
    }
}

// The tiled, framed surface of a one-button box; answers the text area.
QRect PaintOneButtonSurface(QPainter& painter, const QRect& item, int tile)
{
    TileBitmap(painter, tile, item);
    QRect frames = item;
    DrawFrames(painter, frames);
    return item.adjusted(5, 15, -5, -5);
}
}

CMessageDlg::CMessageDlg(QWidget* parent) : CSkinDialog(parent)
{
    setObjectName(QStringLiteral("messageBox"));
    PlaceCentred(kMessageLayout.size);
    AddButton(IDOK, QStringLiteral("OK"), QRect(QPoint(0, 0), kMessageLayout.size))
        ->setObjectName(QStringLiteral("okButton"));
}

void CMessageDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    const QRect text = PaintOneButtonSurface(painter, item.rect, MessageTile(m_nBackground));
    if (m_strText.empty())
        return;
    painter.setPen(Qt::black);
    // A table whose lines do not wrap is made smaller rather than cut off.
    const QString message = FromBytes(m_strText);
    int height = m_nHeight;
    QFont font = MakeFont(m_strFace, height);
    while (!(m_nFormat & DT_WORDBREAK) && height > 8 &&
           QFontMetrics(font).boundingRect(text, Qt::AlignLeft, message).width() > text.width())
        font = MakeFont(m_strFace, --height);
    painter.setFont(font);
    DrawText(painter, text, message, m_nFormat);
    painter.setFont(MakeFont(m_strFace, m_nHeight - 4));
    DrawText(painter, text, QString::fromLatin1(kClickHint), DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
}

CAlertDlg::CAlertDlg(QWidget* parent) : CSkinDialog(parent)
{
    setObjectName(QStringLiteral("alertBox"));
    PlaceCentred(kAlertLayout.size);
    AddButton(IDOK, QStringLiteral("OK"), QRect(QPoint(0, 0), kAlertLayout.size))
        ->setObjectName(QStringLiteral("okButton"));
}

void CAlertDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    QRect text = PaintOneButtonSurface(painter, item.rect, kAlertLayout.tile);
    painter.setPen(Qt::black);
    painter.setFont(MakeFont("Arial", 22, 700));
    DrawText(painter, text, QString::fromLatin1(kClickHint), DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    text.setBottom(text.bottom() - 20);
    DrawText(painter, text, FromBytes(m_strMessage), DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    painter.setFont(MakeFont("Arial", 32, 700));
    DrawText(painter, text, FromBytes(m_strTitle), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

CPromptDlg::CPromptDlg(QWidget* parent) : CSkinDialog(parent)
{
    setObjectName(QStringLiteral("promptBox"));
    PlaceCentred(kPromptSize);
    for (const DialogButtonSpec& spec : kPromptButtons)
        AddButton(spec.id, QString::fromLatin1(spec.caption), ToQRect(spec.rect))
            ->setObjectName(spec.id == IDOK ? QStringLiteral("okButton") : QStringLiteral("cancelButton"));
}

QString CPromptDlg::SpokenTitle() const
{
    if (!m_strTitle.empty())
        return SpokenLine(m_strTitle);
    const QStringList lines = FromBytes(m_strText).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.back().simplified();
}

void CPromptDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPromptSurface(painter, rect(), FromBytes(m_strText), m_nFontHeight, m_bWrap ? DT_WORDBREAK : 0u);
}

void CPromptDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    DrawPromptButton(painter, item);
}

CBusyDlg::CBusyDlg(QWidget* parent) : CSkinDialog(parent)
{
    setObjectName(QStringLiteral("busyBox"));
    PlaceCentred(kPromptSize);
    AddButton(kBusyButton.id, QString::fromLatin1(kBusyButton.caption), ToQRect(kBusyButton.rect))
        ->setObjectName(QStringLiteral("cancelButton"));
}

void CBusyDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPromptSurface(painter, rect(), FromBytes("\n" + m_strText), 26);
}

void CBusyDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    DrawPromptButton(painter, item);
}

CAboutDlg::CAboutDlg(QWidget* parent) : CSkinDialog(parent)
{
    setObjectName(QStringLiteral("aboutBox"));
    setAccessibleName(QStringLiteral("About Quillet"));
    PlaceCentred(kAboutSize);
    AddButton(IDOK, QStringLiteral("OK"), QRect(QPoint(0, 0), kAboutSize))
        ->setObjectName(QStringLiteral("okButton"));
}

QString CAboutDlg::SpokenMessage() const
{
    return QStringLiteral("Quillet, version %1. Tests, quizzes and results for your video course. Click to "
                          "close.")
        .arg(QLatin1String(quillet::kShortVersion));
}

void CAboutDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    TileBitmap(painter, kAboutPicture, item.rect);
}

CKeysDlg::CKeysDlg(QWidget* parent) : CSkinDialog(parent)
{
    setObjectName(QStringLiteral("keyboardBox"));
    setAccessibleName(QStringLiteral("Keyboard"));
    PlaceCentred(kKeysSize);
    AddButton(IDOK, QStringLiteral("OK"), QRect(QPoint(0, 0), kKeysSize))
        ->setObjectName(QStringLiteral("okButton"));
}

QString CKeysDlg::SpokenMessage() const
{
    QStringList lines;
    for (const Row& row : m_rows)
        lines += row.keys + QStringLiteral(": ") + row.what;
    return lines.join(QStringLiteral(". "));
}

void CKeysDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    const QRect inside =
        PaintOneButtonSurface(painter, item.rect, bitmap::kTableTile).adjusted(4, -10, -4, 0);
    painter.setPen(Qt::black);
    painter.setFont(MakeFont("Arial", 24, 700));
    DrawText(painter, inside.adjusted(0, 0, 0, kKeysTitleHeight - inside.height()),
             QStringLiteral("Keyboard"), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    painter.setFont(MakeFont("Arial", 18));
    DrawText(painter, inside, QString::fromLatin1(kClickHint), DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    if (m_rows.empty())
        return;

    // Every row set in one face, made smaller until the rows fit the height
    // and the widest row the width.
    const QRect table = inside.adjusted(0, kKeysTitleHeight, 0, -kKeysHintHeight);
    int height = std::min(kKeysRowHeight, table.height() / static_cast<int>(m_rows.size()));
    QFont keyFont;
    QFont whatFont;
    int keyWidth = 0;
    for (;; --height)
    {
        keyFont = MakeFont("Arial", height, 700);
        whatFont = MakeFont("Arial", height);
        keyWidth = 0;
        int whatWidth = 0;
        for (const Row& row : m_rows)
        {
            keyWidth = std::max(keyWidth, QFontMetrics(keyFont).horizontalAdvance(row.keys));
            whatWidth = std::max(whatWidth, QFontMetrics(whatFont).horizontalAdvance(row.what));
        }
        if (keyWidth + kKeysColumnGap + whatWidth <= table.width() || height <= 8)
            break;
    }
    QRect line(table.left(), table.top(), table.width(), height);
    for (const Row& row : m_rows)
    {
        painter.setFont(keyFont);
        DrawText(painter, line, row.keys, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        painter.setFont(whatFont);
        DrawText(painter, line.adjusted(keyWidth + kKeysColumnGap, 0, 0, 0), row.what,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        line.translate(0, height);
    }
}
