#pragma once

// Every skin bitmap by id, and the painters behind them.

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace skingen
{
struct Bitmap
{
    int id = 0;
    int width = 0;
    int height = 0;
    QString group;                         // contact-sheet section
    QString caption;                       // what it is, for the contact sheet
    std::function<QImage(int scale)> draw; // at `scale` device pixels a pixel
};

// All bitmaps, in contact-sheet order.
std::vector<Bitmap> Catalogue();

enum class QuestionPage
{
    Test,
    Quiz,
    Review,
};

// Each drawn at `scale` device pixels to a skin pixel: the same picture in
// the same skin-pixel coordinates, `scale` times as many pixels.
QImage DrawLoginPage(int scale);
QImage DrawQuestionPage(QuestionPage kind, int scale);
QImage DrawResultsPage(int scale);

QImage DrawQuestionPanel(bool flagged, int scale);
QImage DrawAnswerMarker(int id, int scale);
QImage DrawResultMarker(bool right, int scale);
QImage DrawCertificate(int scale);
QImage DrawAbout(int scale);
QImage DrawTableTile(int scale);
QImage DrawHintTile(int scale);
QImage DrawWoodTile(int scale);
}
