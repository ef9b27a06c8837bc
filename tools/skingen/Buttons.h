#pragma once

// The push-button family: every command button and the dialog buttons
// share one face, drawn in three states.

#include "Paint.h"
#include "skin/SkinCatalogue.h"

#include <QImage>
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
    // Rows the program actually shows; the rest are clipped by the control.
    int faceHeight = 0;
    qreal lineFactor = 1.12;
};

const std::vector<ButtonDesign>& AllButtons();
// The design's bitmap ids and size.
const quillet::skin::ButtonFaces& FacesOf(const ButtonDesign& design);
QImage DrawButton(const ButtonDesign& design, FaceState state);
}
