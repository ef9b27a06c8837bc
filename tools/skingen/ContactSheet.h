#pragma once

#include "Artwork.h"

#include <QImage>

#include <map>
#include <vector>

namespace skingen
{
// Every bitmap (as written, after the colour reduction) on one sheet,
// labelled with its id and size, grouped as the catalogue groups them.
QImage ContactSheet(const std::vector<Bitmap>& catalogue, const std::map<int, QImage>& finished);
}
