#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <string>

#include "skin/SkinCatalogue.h"

// Skin bitmap `id`, decoded once and shared (changing the copy detaches
// it); a null image when the id is unknown. For `scale` device pixels to a pixel above 1 it is the drawing
// at twice the size, whose device pixel ratio of 2 keeps its size in pixels.
QImage LoadSkinBitmap(int id, qreal scale = 1);

namespace quillet::skin
{
constexpr QRect ToQRect(const Rect& r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

// Device pixels to a pixel where `painter` draws: the device's ratio times
// the painter's own scaling.
qreal DeviceScale(const QPainter& painter);
// Copies bitmap `id` at its own size to `at`, from the drawing that suits
// the painter's scale; a missing bitmap is skipped.
void BlitBitmap(QPainter& painter, int id, QPoint at);
// Repeats bitmap `id` over `area` in columns and rows from its top-left
// corner; the last column and row are clipped.
void TileBitmap(QPainter& painter, int id, const QRect& area);
// Three nested one-pixel frames, black at the top and left, grey at the
// bottom and right; `area` shrinks by one pixel on every side after each.
void DrawFrames(QPainter& painter, QRect& area, int count = 3);

// The platform text flags the painting code is written with.
enum DrawTextFlag : unsigned
{
    DT_LEFT = 0x00,
    DT_CENTER = 0x01,
    DT_RIGHT = 0x02,
    DT_VCENTER = 0x04,
    DT_BOTTOM = 0x08,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
};
// Draws text in `area` as those flags ask; text of several lines is clipped
// to the area.
void DrawText(QPainter& painter, const QRect& area, const QString& text, unsigned format);
// Text whose top, not baseline, sits at `at`.
void TextOut(QPainter& painter, QPoint at, const QString& text);

// A font whose cell (ascent plus descent) is `pixelHeight` pixels high;
// weight 400 or 700.
QFont MakeFont(const char* face, int pixelHeight, int weight = 400, bool italic = false);
QFont MakeFont(const std::string& face, int pixelHeight, int weight = 400, bool italic = false);

// Texts stay bytes in the core; they are shown by the same rule as the
// print-out and the e-mail use (quillet::TextToUtf8).
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);
}
