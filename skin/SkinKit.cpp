#include "skin/SkinKit.h"

#include <QFile>
#include <QFontMetrics>
#include <QHash>
#include <QMutex>

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/Text.h"

static void InitSkinResources()
{
    // The bitmaps are compiled into this static library; their resource
    // table has to be registered by hand.
    static const bool registered = []
    {
        Q_INIT_RESOURCE(skin);
        return true;
    }();
    (void)registered;
}

QImage LoadSkinBitmap(int id, qreal scale)
{
    InitSkinResources();
    const bool twice = scale > 1;
    // Decoded once: every repaint, down to a blink of a text cursor, draws the
    // page's background again. The copies share the pixels until one is changed.
    static QHash<std::pair<int, bool>, QImage> decoded;
    static QMutex guard;
    const QMutexLocker lock(&guard);
    if (const auto found = decoded.constFind({id, twice}); found != decoded.constEnd())
        return *found;
    // The @2x name is what tells the image reader its device pixel ratio.
    const QString path =
        twice ? QStringLiteral(":/skin/%1@2x.bmp").arg(id) : QStringLiteral(":/skin/%1.bmp").arg(id);
    QImage image = QFile::exists(path) ? QImage(path) : QImage();
    decoded.insert({id, twice}, image);
    return image;
}

namespace quillet::skin
{
qreal DeviceScale(const QPainter& painter)
{
    const QTransform& world = painter.worldTransform();
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    return ratio * std::max(std::abs(world.m11()), std::abs(world.m22()));
}

namespace
{
// Drawn at a scale other than its own, a bitmap is resampled smoothly
// (the 2x drawing at 1.5, or on a printer) rather than in blocks.
class Resampling
{
  public:
    Resampling(QPainter& painter, const QImage& bitmap) : m_painter(painter)
    {
        m_smooth = DeviceScale(painter) != bitmap.devicePixelRatio();
        if (!m_smooth)
            return;
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    ~Resampling()
    {
        if (m_smooth)
            m_painter.restore();
    }
    Resampling(const Resampling&) = delete;
    Resampling& operator=(const Resampling&) = delete;

    bool Smooth() const { return m_smooth; }

  private:
    QPainter& m_painter;
    bool m_smooth = false;
};
}

void BlitBitmap(QPainter& painter, int id, QPoint at)
{
    const QImage bitmap = LoadSkinBitmap(id, DeviceScale(painter));
    if (bitmap.isNull())
        return;
    const Resampling resampling(painter, bitmap);
    painter.drawImage(at, bitmap);
}

void TileBitmap(QPainter& painter, int id, const QRect& area)
{
    const QImage tile = LoadSkinBitmap(id, DeviceScale(painter));
    if (tile.isNull() || tile.width() == 0 || tile.height() == 0)
        return;
    const Resampling resampling(painter, tile);
    if (resampling.Smooth())
    {
        // One texture, so that resampling leaves no seams where tiles meet.
        QBrush texture(tile);
        texture.setTransform(QTransform::fromTranslate(area.left(), area.top()));
        painter.fillRect(area, texture);
        return;
    }
    const QSize step = tile.deviceIndependentSize().toSize();
    painter.save();
    painter.setClipRect(area);
    for (int x = 0; x < area.width(); x += step.width())
    {
        for (int y = 0; y < area.height(); y += step.height())
            painter.drawImage(area.topLeft() + QPoint(x, y), tile);
    }
    painter.restore();
}

void DrawFrames(QPainter& painter, QRect& area, int count)
{
    painter.save();
    for (int i = 0; i < count && area.width() > 1 && area.height() > 1; ++i)
    {
        const QColor topLeft(0, 0, 0);
        const QColor bottomRight(128, 128, 128);
        painter.fillRect(area.left(), area.top(), area.width() - 1, 1, topLeft);
        painter.fillRect(area.left(), area.top(), 1, area.height() - 1, topLeft);
        painter.fillRect(area.right(), area.top(), 1, area.height(), bottomRight);
        painter.fillRect(area.left(), area.bottom(), area.width(), 1, bottomRight);
        area.adjust(1, 1, -1, -1);
    }
    painter.restore();
}

void DrawText(QPainter& painter, const QRect& area, const QString& text, unsigned format)
{
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;

    QString shown = text;
    if (format & DT_SINGLELINE)
    {
        // One line: line feeds do not break it, and only then do the
        // vertical placements apply.
        shown.replace(QLatin1String("\r\n"), QLatin1String(" "));
        shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
        shown.replace(QLatin1Char('\r'), QLatin1Char(' '));
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    }
    else
    {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    // Text that runs over several lines is clipped to its rectangle; a single
    // line may run a little past it rather than lose a digit.
    painter.save();
    if (!(format & DT_SINGLELINE))
        painter.setClipRect(area, Qt::IntersectClip);
    painter.drawText(area, flags, shown);
    painter.restore();
}

void TextOut(QPainter& painter, QPoint at, const QString& text)
{
    const QFontMetrics metrics(painter.font());
    painter.drawText(at + QPoint(0, metrics.ascent()), text);
}

QFont MakeFont(const char* face, int pixelHeight, int weight, bool italic)
{
    QFont font{QString::fromLatin1(face)};
    font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    // The heights the windows are laid out with are cell heights (ascent
    // plus descent), as the fonts were asked for on the original system; a
    // pixel size in Qt is the smaller em size. Scale so that the cell
    // height matches, or every text would run out of its box.
    const int height = pixelHeight > 0 ? pixelHeight : 1;
    font.setPixelSize(height);
    const int cell = QFontMetrics(font).height();
    if (cell > height)
        font.setPixelSize(std::max(1, height * height / cell));
    return font;
}

QFont MakeFont(const std::string& face, int pixelHeight, int weight, bool italic)
{
    return MakeFont(face.c_str(), pixelHeight, weight, italic);
}

QString FromBytes(const std::string& bytes)
{
    // Cut first: the text converted and drawn stays small, whatever the bank holds.
    return QString::fromStdString(TextToUtf8(quillet::ShownText(bytes)));
}

std::string ToBytes(const QString& text)
{
    return text.toStdString();
}
}
