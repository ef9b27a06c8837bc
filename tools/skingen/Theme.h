#pragma once

#include "skin/SkinCatalogue.h"

// The colours, fonts and coordinate rules every skin bitmap shares.

#include <QColor>
#include <QFont>
#include <QRect>

namespace skingen
{
namespace theme
{
// Navy family: page backdrops and button faces.
inline const QColor kNavyDeep{0x13, 0x27, 0x41};
inline const QColor kNavy{0x1f, 0x3a, 0x5f};
inline const QColor kNavyLight{0x4a, 0x7b, 0xab};
inline const QColor kNavyInk{0x0a, 0x16, 0x28};
inline const QColor kColumn{0x10, 0x21, 0x37};

inline const QColor kTeal{0x2a, 0x9d, 0x8f};
inline const QColor kTealDark{0x1b, 0x6e, 0x66};

inline const QColor kGold{0xf2, 0xc1, 0x4e};
inline const QColor kGoldDeep{0xb8, 0x8a, 0x2e};
inline const QColor kGoldPale{0xff, 0xe6, 0x9e};

// Light surfaces that the program writes black text on.
inline const QColor kCream{0xfb, 0xf6, 0xe9};
inline const QColor kParchment{0xf3, 0xe9, 0xd2};
inline const QColor kParchmentDark{0xe4, 0xd4, 0xae};
inline const QColor kListPaper{0xff, 0xfd, 0xf6};
inline const QColor kListRule{0xea, 0xdf, 0xc6};
// The program fills its answer boxes with this before drawing the markers.
inline const QColor kAnswerYellow{0xff, 0xff, 0x99};

inline const QColor kInk{0x1b, 0x25, 0x33};
inline const QColor kRight{0x2e, 0x8b, 0x57};
inline const QColor kWrong{0xc0, 0x39, 0x2b};
inline const QColor kFlag{0xd9, 0x48, 0x2b};
inline const QColor kBurgundy{0x8e, 0x2b, 0x2b};
}

// The page window paints its background at client (1, -6): a control's
// client rectangle lands at this bitmap rectangle.
inline QRect FromClient(int x, int y, int w, int h)
{
    return QRect(x - quillet::skin::kBackgroundX, y - quillet::skin::kBackgroundY, w, h);
}

// Where the test window's control lands on the page bitmap.
inline QRect FromControl(int id)
{
    const quillet::skin::Rect& r = quillet::skin::ControlOf(id).rect;
    return FromClient(r.x, r.y, r.width, r.height);
}

QFont Sans(int pixels, bool bold = true);
QFont Serif(int pixels, bool bold = false, bool italic = false);

// Linear mix: 0 gives a, 1 gives b.
QColor Mix(const QColor& a, const QColor& b, double t);
QColor WithAlpha(QColor c, int alpha);
}
