#pragma once

// The push-button family: every command button and the dialog buttons
// share one face, drawn in three states.

#include "Paint.h"

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
    int pressed = 0;
    int focused = 0;
    int normal = 0;
    int width = 0;
    int height = 0;
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
QImage DrawButton(const ButtonDesign& design, FaceState state);
}
