#include "ContactSheet.h"

#include "Paint.h"
#include "Theme.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace skingen
{
namespace
{
constexpr int kSheetWidth = 1360;
constexpr int kMargin = 24;
constexpr int kGap = 18;
constexpr int kLabelHeight = 30;
const QColor kBackground(0xc8, 0xc8, 0xc8);
const QColor kLabel(0x22, 0x22, 0x22);

// Large bitmaps shrink to fit a cell; small ones stay at full size.
double ScaleFor(const Bitmap& b)
{
    const double limit = b.width > 600 ? 420.0 : 380.0;
    return b.width > limit ? limit / b.width : 1.0;
}

struct Cell
{
    const Bitmap* bitmap;
    QRect area; // image plus label
    double scale;
};
}

QImage ContactSheet(const std::vector<Bitmap>& catalogue, const std::map<int, QImage>& finished)
{
    // Lay out first to learn the height.
    std::vector<std::pair<QString, int>> headings; // text, y
    std::vector<Cell> cells;
    int x = kMargin;
    int y = kMargin;
    int rowHeight = 0;
    QString group;
    for (const Bitmap& b : catalogue)
    {
        const double scale = ScaleFor(b);
        const int w = std::max(int(std::lround(b.width * scale)), 120);
        const int h = int(std::lround(b.height * scale)) + kLabelHeight;
        if (b.group != group)
        {
            if (!group.isEmpty())
                y += rowHeight + kGap;
            group = b.group;
            headings.emplace_back(group, y + 20);
            y += 34;
            x = kMargin;
            rowHeight = 0;
        }
        if (x + w > kSheetWidth - kMargin)
        {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        cells.push_back({&b, QRect(x, y, w, h), scale});
        x += w + kGap;
        rowHeight = std::max(rowHeight, h);
    }
    const int height = y + rowHeight + kMargin;

    QImage sheet(kSheetWidth, height, QImage::Format_RGB32);
    sheet.fill(kBackground);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const auto& [text, at] : headings)
        DrawLine(p, Sans(17), text, kMargin, at, kLabel);
    for (const Cell& cell : cells)
    {
        const Bitmap& b = *cell.bitmap;
        const QImage image = finished.at(b.id).convertToFormat(QImage::Format_RGB32);
        const QSize shown(int(std::lround(b.width * cell.scale)), int(std::lround(b.height * cell.scale)));
        const QRect target(cell.area.topLeft(), shown);
        p.fillRect(target.adjusted(-1, -1, 1, 1), QColor(0x80, 0x80, 0x80));
        p.drawImage(target,
                    cell.scale == 1.0 ? image : image.scaledToWidth(shown.width(), Qt::SmoothTransformation));
        QString size = QStringLiteral("%1  %2\u00d7%3").arg(b.id).arg(b.width).arg(b.height);
        if (cell.scale != 1.0)
            size += QStringLiteral("  (%1%)").arg(int(std::lround(cell.scale * 100)));
        const int top = cell.area.top() + shown.height();
        DrawLine(p, Sans(12), size, cell.area.left(), top + 14, kLabel);
        const QFont small = Sans(10, false);
        const QString caption = QFontMetrics(small).elidedText(b.caption, Qt::ElideRight, cell.area.width());
        DrawLine(p, small, caption, cell.area.left(), top + 27, QColor(0x44, 0x44, 0x44));
    }
    return sheet;
}
}
