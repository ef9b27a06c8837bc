#include "Paint.h"

#include "Theme.h"

#include <QFontMetricsF>
#include <QPainterPath>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace skingen
{
QImage Canvas(int width, int height, int scale, const QColor& fill)
{
    QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

QFont Sans(int pixels, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont Serif(int pixels, bool bold, bool italic)
{
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QColor Mix(const QColor& a, const QColor& b, double t)
{
    const auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

QColor WithAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

void SoftShadow(QPainter& p, const QRectF& r, qreal radius, int spread, int alpha, QPointF offset)
{
    p.save();
    p.setPen(Qt::NoPen);
    // Each ring adds a little darkness, so the middle ends darkest.
    for (int i = spread; i >= 1; --i)
    {
        p.setBrush(QColor(0, 0, 0, std::max(1, alpha / spread)));
        const QRectF ring = r.translated(offset).adjusted(-i, -i, i, i);
        p.drawRoundedRect(ring, radius + i, radius + i);
    }
    p.restore();
}

void Bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight, int width)
{
    for (int i = 1; i <= width; ++i)
    {
        const QRect o = r.adjusted(-i, -i, i, i);
        p.fillRect(QRect(o.left(), o.top(), o.width() - 1, 1), topLeft);
        p.fillRect(QRect(o.left(), o.top(), 1, o.height() - 1), topLeft);
        p.fillRect(QRect(o.left() + 1, o.bottom(), o.width() - 1, 1), bottomRight);
        p.fillRect(QRect(o.right(), o.top() + 1, 1, o.height() - 1), bottomRight);
    }
}

TextBlock LayOutText(const QFont& font, const QStringList& lines, const QRectF& box, qreal lineFactor)
{
    TextBlock block{font, lines, {}};
    const QFontMetricsF metrics(font);
    const qreal step = std::round(font.pixelSize() * lineFactor);
    const qreal cap = metrics.tightBoundingRect(QStringLiteral("H")).height();
    const qreal height = cap + step * (lines.size() - 1);
    const qreal top = box.center().y() - height / 2;
    for (qsizetype i = 0; i < lines.size(); ++i)
    {
        const qreal width = metrics.horizontalAdvance(lines[i]);
        block.baselines.append(
            QPointF(std::round(box.center().x() - width / 2), std::round(top + cap + step * i)));
    }
    return block;
}

static bool Inside(const TextBlock& block, const QRectF& box)
{
    const QFontMetricsF metrics(block.font);
    for (qsizetype i = 0; i < block.lines.size(); ++i)
    {
        const QPointF at = block.baselines[i];
        const QRectF ink = metrics.tightBoundingRect(block.lines[i]).translated(at);
        const QRectF advance(at.x(), ink.top(), metrics.horizontalAdvance(block.lines[i]), ink.height());
        if (!box.contains(ink) || !box.contains(advance))
            return false;
    }
    return true;
}

TextBlock FitText(QFont font, const QStringList& lines, const QRectF& box, int maxPx, int minPx,
                  qreal lineFactor)
{
    for (int px = maxPx; px >= minPx; --px)
    {
        font.setPixelSize(px);
        TextBlock block = LayOutText(font, lines, box, lineFactor);
        if (Inside(block, box))
            return block;
    }
    throw std::runtime_error("caption does not fit: " + lines.join(QLatin1Char(' ')).toStdString());
}

qreal BlockWidth(const TextBlock& block)
{
    const QFontMetricsF metrics(block.font);
    qreal widest = 0;
    for (const QString& line : block.lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

void DrawBlock(QPainter& p, const TextBlock& block, const QColor& colour, QPointF offset)
{
    p.setFont(block.font);
    p.setPen(colour);
    for (qsizetype i = 0; i < block.lines.size(); ++i)
        p.drawText(block.baselines[i] + offset, block.lines[i]);
}

void DrawLine(QPainter& p, const QFont& font, const QString& text, qreal x, qreal baseline,
              const QColor& colour, Qt::Alignment align)
{
    const qreal width = QFontMetricsF(font).horizontalAdvance(text);
    if (align & Qt::AlignHCenter)
        x -= width / 2;
    else if (align & Qt::AlignRight)
        x -= width;
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPointF(std::round(x), std::round(baseline)), text);
}

void DrawSpaced(QPainter& p, const QFont& font, const QString& text, qreal cx, qreal baseline, qreal spacing,
                const QColor& colour)
{
    const QFontMetricsF metrics(font);
    qreal total = spacing * (text.size() - 1);
    for (const QChar c : text)
        total += metrics.horizontalAdvance(c);
    qreal x = cx - total / 2;
    p.setFont(font);
    p.setPen(colour);
    for (const QChar c : text)
    {
        p.drawText(QPointF(x, baseline), QString(c));
        x += metrics.horizontalAdvance(c) + spacing;
    }
}

void DrawOnArc(QPainter& p, const QFont& font, const QString& text, QPointF centre, qreal radius, bool top,
               qreal spacing, const QColor& colour)
{
    const QFontMetricsF metrics(font);
    qreal total = spacing * (text.size() - 1);
    for (const QChar c : text)
        total += metrics.horizontalAdvance(c);
    const qreal span = total / radius;
    const qreal pi = std::numbers::pi;
    qreal along = 0;
    p.save();
    p.setFont(font);
    p.setPen(colour);
    for (const QChar c : text)
    {
        const qreal advance = metrics.horizontalAdvance(c);
        const qreal mid = (along + advance / 2) / radius;
        // Top text runs clockwise from the left; bottom text anticlockwise.
        const qreal angle = top ? -pi / 2 - span / 2 + mid : pi / 2 + span / 2 - mid;
        p.save();
        p.translate(centre + QPointF(std::cos(angle), std::sin(angle)) * radius);
        p.rotate((top ? angle + pi / 2 : angle - pi / 2) * 180 / pi);
        p.drawText(QPointF(-advance / 2, 0), QString(c));
        p.restore();
        along += advance + spacing;
    }
    p.restore();
}

static double Lattice(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    h *= 0x27d4eb2du;
    h ^= h >> 16;
    return static_cast<double>(h & 0xffffffu) / 16777216.0;
}

double PeriodicNoise(double x, double y, int periodX, int periodY, std::uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto wrap = [](long v, int period) { return static_cast<int>(((v % period) + period) % period); };
    const int x0 = wrap(static_cast<long>(fx), periodX);
    const int y0 = wrap(static_cast<long>(fy), periodY);
    const int x1 = (x0 + 1) % periodX;
    const int y1 = (y0 + 1) % periodY;
    const auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double top = Lattice(x0, y0, seed) * (1 - tx) + Lattice(x1, y0, seed) * tx;
    const double bottom = Lattice(x0, y1, seed) * (1 - tx) + Lattice(x1, y1, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

void DrawQuill(QPainter& p, QPointF centre, qreal length, qreal angleDegrees, const QColor& vane,
               const QColor& edge)
{
    // Drawn upright in a unit frame (tip at y = -1, nib at y = 1), then
    // turned and scaled into place.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(centre);
    p.rotate(angleDegrees);
    p.scale(length / 2, length / 2);

    QPainterPath feather;
    feather.moveTo(0, -1);
    feather.cubicTo(-0.12, -0.86, -0.36, -0.46, -0.31, -0.06);
    feather.cubicTo(-0.28, 0.22, -0.14, 0.44, 0.0, 0.60);
    feather.cubicTo(0.09, 0.42, 0.22, 0.12, 0.22, -0.20);
    feather.cubicTo(0.22, -0.56, 0.08, -0.86, 0, -1);
    // Two notches where the barbs have parted.
    QPainterPath notch;
    notch.moveTo(-0.40, 0.02);
    notch.lineTo(-0.08, 0.12);
    notch.lineTo(-0.40, 0.14);
    notch.closeSubpath();
    notch.moveTo(0.30, -0.40);
    notch.lineTo(0.06, -0.28);
    notch.lineTo(0.30, -0.30);
    notch.closeSubpath();
    feather = feather.subtracted(notch);

    QLinearGradient shade(-0.3, 0, 0.25, 0);
    shade.setColorAt(0, vane);
    shade.setColorAt(1, vane.darker(118));
    p.setPen(QPen(edge, 0.035));
    p.setBrush(shade);
    p.drawPath(feather);

    // Barbs: faint strokes from the shaft out to the edges.
    p.save();
    p.setClipPath(feather);
    p.setPen(QPen(WithAlpha(edge, 90), 0.018));
    for (int i = 0; i < 9; ++i)
    {
        const qreal y = -0.82 + i * 0.16;
        p.drawLine(QPointF(0, y), QPointF(-0.45, y - 0.30));
        p.drawLine(QPointF(0, y - 0.04), QPointF(0.40, y - 0.32));
    }
    p.restore();

    // Shaft and nib.
    QPainterPath shaft;
    shaft.moveTo(-0.012, -0.92);
    shaft.lineTo(0.012, -0.92);
    shaft.lineTo(0.03, 0.70);
    shaft.lineTo(0.0, 1.0);
    shaft.lineTo(-0.03, 0.70);
    shaft.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawPath(shaft);
    p.restore();
}

void DrawEmblem(QPainter& p, const QRectF& box)
{
    using namespace theme;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = std::min(box.width(), box.height()) / 2;
    const QPointF c = box.center();
    QRadialGradient disc(c - QPointF(r * 0.3, r * 0.35), r * 1.4);
    disc.setColorAt(0, kNavyLight);
    disc.setColorAt(1, kNavyDeep);
    p.setPen(QPen(kGoldDeep, std::max(1.0, r * 0.05)));
    p.setBrush(disc);
    p.drawEllipse(c, r - r * 0.03, r - r * 0.03);
    p.setPen(QPen(kGold, std::max(1.0, r * 0.035)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.86, r * 0.86);
    DrawQuill(p, c + QPointF(r * 0.04, r * 0.02), r * 1.45, 38, kCream, kGoldDeep);
    p.restore();
}

void DrawCheck(QPainter& p, const QRectF& b, const QColor& colour, qreal width)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(b.left() + b.width() * 0.12, b.top() + b.height() * 0.54);
    path.lineTo(b.left() + b.width() * 0.40, b.top() + b.height() * 0.82);
    path.lineTo(b.left() + b.width() * 0.90, b.top() + b.height() * 0.16);
    p.drawPath(path);
    p.restore();
}

void DrawCross(QPainter& p, const QRectF& b, const QColor& colour, qreal width)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    const qreal i = 0.18;
    p.drawLine(QPointF(b.left() + b.width() * i, b.top() + b.height() * i),
               QPointF(b.right() - b.width() * i, b.bottom() - b.height() * i));
    p.drawLine(QPointF(b.right() - b.width() * i, b.top() + b.height() * i),
               QPointF(b.left() + b.width() * i, b.bottom() - b.height() * i));
    p.restore();
}

void DrawFlag(QPainter& p, const QRectF& b, const QColor& cloth, const QColor& pole)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = b.width();
    const qreal h = b.height();
    const qreal poleWidth = std::max(1.5, w * 0.1);
    p.setPen(Qt::NoPen);
    p.setBrush(pole);
    p.drawRect(QRectF(b.left() + w * 0.08, b.top(), poleWidth, h));
    QPainterPath flag;
    const qreal x0 = b.left() + w * 0.08 + poleWidth;
    flag.moveTo(x0, b.top() + h * 0.04);
    flag.cubicTo(x0 + w * 0.3, b.top() - h * 0.06, x0 + w * 0.5, b.top() + h * 0.16, b.right(),
                 b.top() + h * 0.06);
    flag.lineTo(b.right(), b.top() + h * 0.52);
    flag.cubicTo(x0 + w * 0.5, b.top() + h * 0.62, x0 + w * 0.3, b.top() + h * 0.40, x0, b.top() + h * 0.52);
    flag.closeSubpath();
    p.setBrush(cloth);
    p.drawPath(flag);
    p.restore();
}

void DrawStar(QPainter& p, QPointF centre, qreal outer, qreal inner, int points, const QColor& colour)
{
    QPolygonF star;
    const qreal pi = std::numbers::pi;
    for (int i = 0; i < points * 2; ++i)
    {
        const qreal r = i % 2 == 0 ? outer : inner;
        const qreal a = -pi / 2 + i * pi / points;
        star << centre + QPointF(std::cos(a), std::sin(a)) * r;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(star);
    p.restore();
}

void DrawIcon(QPainter& p, Icon icon, const QRectF& box, const QColor& colour)
{
    if (icon == Icon::None)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    const qreal s = box.width();
    p.scale(s, s);
    const qreal w = std::max(1.4, s * 0.1) / s;
    const QPen pen(colour, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (icon)
    {
    case Icon::None:
        break;
    case Icon::ChevronRight:
    case Icon::ChevronLeft:
    {
        QPolygonF arrow;
        arrow << QPointF(0.25, 0.12) << QPointF(0.80, 0.5) << QPointF(0.25, 0.88);
        if (icon == Icon::ChevronLeft)
            for (QPointF& pt : arrow)
                pt.setX(1 - pt.x());
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(arrow);
        break;
    }
    case Icon::Magnifier:
        // A page under a lens.
        p.setPen(QPen(colour, w * 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawRect(QRectF(0.06, 0.04, 0.52, 0.70));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(0.16, 0.20 + i * 0.14), QPointF(0.46, 0.20 + i * 0.14));
        p.setPen(pen);
        p.setBrush(WithAlpha(colour, 60));
        p.drawEllipse(QPointF(0.58, 0.55), 0.22, 0.22);
        p.setPen(QPen(colour, w * 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0.74, 0.71), QPointF(0.93, 0.92));
        break;
    case Icon::Retake:
    {
        QPainterPath arc;
        const QRectF ring(0.14, 0.14, 0.72, 0.72);
        // Clockwise, with the gap and the arrowhead at the top right.
        arc.arcMoveTo(ring, 20);
        arc.arcTo(ring, 20, -300);
        p.drawPath(arc);
        const qreal pi = std::numbers::pi;
        const qreal end = 80.0 * pi / 180;
        const QPointF out(std::cos(end), -std::sin(end));
        const QPointF tip = ring.center() + out * 0.36;
        const QPointF along(std::sin(end), std::cos(end));
        QPolygonF head;
        head << tip + along * 0.22 << tip + out * 0.17 << tip - out * 0.17;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(head);
        break;
    }
    case Icon::Printer:
    {
        QPainterPath body;
        body.addRoundedRect(QRectF(0.04, 0.34, 0.92, 0.40), 0.08, 0.08);
        QPainterPath slot;
        slot.addRect(QRectF(0.20, 0.56, 0.60, 0.40));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPath(body.subtracted(slot));
        p.setPen(QPen(colour, w * 0.8, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.24, 0.08, 0.52, 0.26));
        p.drawRect(QRectF(0.26, 0.62, 0.48, 0.30));
        p.drawLine(QPointF(0.34, 0.72), QPointF(0.66, 0.72));
        p.drawLine(QPointF(0.34, 0.82), QPointF(0.60, 0.82));
        break;
    }
    case Icon::Envelope:
        p.drawRoundedRect(QRectF(0.06, 0.20, 0.88, 0.60), 0.05, 0.05);
        p.drawPolyline(QPolygonF{QPointF(0.08, 0.23), QPointF(0.5, 0.56), QPointF(0.92, 0.23)});
        break;
    case Icon::Bars:
    {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const qreal heights[3] = {0.38, 0.60, 0.80};
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(0.08 + i * 0.30, 0.88 - heights[i], 0.22, heights[i]));
        p.setPen(pen);
        p.drawLine(QPointF(0.02, 0.93), QPointF(0.98, 0.93));
        break;
    }
    case Icon::Globe:
    {
        const QPointF c(0.5, 0.5);
        p.setPen(QPen(colour, w * 0.75));
        p.drawEllipse(c, 0.20, 0.44);
        p.drawLine(QPointF(0.5, 0.06), QPointF(0.5, 0.94));
        p.drawLine(QPointF(0.06, 0.5), QPointF(0.94, 0.5));
        p.drawLine(QPointF(0.15, 0.27), QPointF(0.85, 0.27));
        p.drawLine(QPointF(0.15, 0.73), QPointF(0.85, 0.73));
        p.setPen(pen);
        p.drawEllipse(c, 0.44, 0.44);
        break;
    }
    case Icon::Flag:
        p.restore();
        DrawFlag(p, box, colour, colour);
        return;
    case Icon::Play:
    {
        p.drawEllipse(QPointF(0.5, 0.5), 0.44, 0.44);
        QPolygonF tri;
        tri << QPointF(0.40, 0.28) << QPointF(0.74, 0.5) << QPointF(0.40, 0.72);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(tri);
        break;
    }
    }
    p.restore();
}
}
