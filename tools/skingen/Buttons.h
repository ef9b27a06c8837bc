#pragma once

// The push-button family: every command button and the dialog buttons
// share one face, drawn in three states.

#include "Paint.h"
#include "skin/SkinCatalogue.h"

#include <QImage>
#include <QMargins>
#include <QStringList>

#include <vector>

namespace skingen
{
enum class Tone
{
    Navy,
    Teal,
    Burgundy,
};

enum class FaceState
{
    Normal,
    Focused,
    Pressed,
};

struct ButtonDesign
{
    const char* name = "";
    int control = 0; // whose faces these are, in the skin's catalogue
    QStringList caption;
    Icon icon = Icon::None;
    bool iconAfter = false;
    int iconSize = 0;
    Tone tone = Tone::Navy;
    int maxPx = 15;
    qreal lineFactor = 1.12;
    // Space between the control's edges and the drawn button, where the page
    // behind shows: a button at the window's edge keeps clear of it.
    QMargins inset = {};
    // The page whose picture lies behind an inset button (a page id).
    int backdrop = -1;
};

const std::vector<ButtonDesign>& AllButtons();
// Where a control's button is drawn on the page bitmap: the control less
// its design's inset.
QRect FaceOnPage(int control);
// The design's bitmap ids and size.
const quillet::skin::ButtonFaces& FacesOf(const ButtonDesign& design);
QImage DrawButton(const ButtonDesign& design, FaceState state, int scale);
}
