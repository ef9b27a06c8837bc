#pragma once

// Drawing helpers shared by the pages, buttons and pictures.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QStringList>

#include <cstdint>

namespace skingen
{
// A canvas of `width` x `height` skin pixels filled with `fill` and stored at
// `scale` device pixels to a skin pixel: a painter on it draws in skin pixels.
QImage Canvas(int width, int height, int scale, const QColor& fill);
// Where the centre of device pixel `i` lies, in skin pixels less one half, for
// textures computed pixel by pixel: `i` itself at scale 1.
inline double SkinPixel(int i, int scale)
{
    return (i + 0.5) / scale - 0.5;
}

// A soft shadow around `r`, built from stacked translucent rounded
// rectangles so that it needs no blur filter.
void SoftShadow(QPainter& p, const QRectF& r, qreal radius, int spread, int alpha, QPointF offset = {2, 2});

// Two-tone one-pixel frame outside `r`: sunken when dark is top-left.
void Bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight, int width = 1);

// Lines of text laid out for one font: the font and each line's baseline.
struct TextBlock
{
    QFont font;
    QStringList lines;
    QList<QPointF> baselines;
};

// Largest size from maxPx down to minPx at which `lines` fit inside `box`
// without touching its edges, centred on the box (by cap height, so words
// without descenders look centred). Throws when even minPx does not fit,
// so that a clipped caption stops the build.
TextBlock FitText(QFont font, const QStringList& lines, const QRectF& box, int maxPx, int minPx,
                  qreal lineFactor = 1.12);
// The same, at one fixed size.
TextBlock LayOutText(const QFont& font, const QStringList& lines, const QRectF& box, qreal lineFactor = 1.12);
// Width of the widest line in the block.
qreal BlockWidth(const TextBlock& block);
void DrawBlock(QPainter& p, const TextBlock& block, const QColor& colour, QPointF offset = {});
// One line at a baseline, aligned left, centred or right on x.
void DrawLine(QPainter& p, const QFont& font, const QString& text, qreal x, qreal baseline,
              const QColor& colour, Qt::Alignment align = Qt::AlignLeft);
// Text whose letters are spread `spacing` pixels apart, centred on x.
void DrawSpaced(QPainter& p, const QFont& font, const QString& text, qreal cx, qreal baseline, qreal spacing,
                const QColor& colour);
// Text set along a circle: on top when `top`, else reading along the bottom.
void DrawOnArc(QPainter& p, const QFont& font, const QString& text, QPointF centre, qreal radius, bool top,
               qreal spacing, const QColor& colour);

// Seeded value noise in [0, 1) that repeats every periodX by periodY
// lattice cells, for textures that must tile.
double PeriodicNoise(double x, double y, int periodX, int periodY, std::uint32_t seed);

// Emblem and marks.
void DrawQuill(QPainter& p, QPointF centre, qreal length, qreal angleDegrees, const QColor& vane,
               const QColor& edge);
void DrawEmblem(QPainter& p, const QRectF& box);
void DrawCheck(QPainter& p, const QRectF& box, const QColor& colour, qreal width);
void DrawCross(QPainter& p, const QRectF& box, const QColor& colour, qreal width);
void DrawFlag(QPainter& p, const QRectF& box, const QColor& cloth, const QColor& pole);
void DrawStar(QPainter& p, QPointF centre, qreal outer, qreal inner, int points, const QColor& colour);

enum class Icon
{
    None,
    ChevronLeft,
    ChevronRight,
    Magnifier,
    Retake,
    Printer,
    Envelope,
    Bars,
    Globe,
    Play,
    Flag,
};
// A line icon drawn in `colour`, filling the square `box`.
void DrawIcon(QPainter& p, Icon icon, const QRectF& box, const QColor& colour);
}
