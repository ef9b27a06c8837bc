#pragma once

// One 256-colour table shared by every bitmap, the conversion to it, and
// the 8-bit BMP files themselves.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <vector>

namespace skingen
{
// The shared table: fixed ramps of the theme's colours and greys, and the
// rest fitted to the colours the artwork actually uses (deterministic:
// same artwork, same table).
QList<QRgb> BuildSharedTable(const std::vector<QImage>& art);

// Error-diffusion dither onto `table`. Large errors (hard edges, text) are
// clipped before they spread, so flat areas next to text stay clean while
// gradients still come out smooth.
QImage ToIndexed(const QImage& art, const QList<QRgb>& table);

// An uncompressed bottom-up 8-bit BMP with a 256-entry colour table.
QByteArray EncodeBmp8(const QImage& indexed);
// Why `bytes` is not such a BMP of `size`; empty when it is.
QString CheckBmp8(const QByteArray& bytes, QSize size);
}
