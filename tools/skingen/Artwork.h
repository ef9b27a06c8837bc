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
    QString group;   // contact-sheet section
    QString caption; // what it is, for the contact sheet
    std::function<QImage()> draw;
};

// All bitmaps, in contact-sheet order.
std::vector<Bitmap> Catalogue();

enum class QuestionPage
{
    Test,
    Quiz,
    Review,
};

QImage DrawLoginPage();
QImage DrawQuestionPage(QuestionPage kind);
QImage DrawResultsPage();

QImage DrawQuestionPanel(bool flagged);
QImage DrawAnswerMarker(int id);
QImage DrawResultMarker(bool right);
QImage DrawCertificate();
QImage DrawAbout();
QImage DrawTableTile();
QImage DrawHintTile();
QImage DrawWoodTile();
}
