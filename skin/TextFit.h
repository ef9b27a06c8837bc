#pragma once

#include <QRect>
#include <QString>

class QPainter;

// How a text is set in its box on the test window: in the box's own face
// when it fits; else smaller, down to a face still easy to read; and past
// that in the smallest face, the box scrolling. Nothing is cut silently. The
// window draws by these rules and quillet-bank check measures by them, so
// that what the check warns about is what the window does.
namespace quillet::skin
{
struct TextBox
{
    const char* face;
    int weight;
    int height;   // the cell height it is set in when it fits
    int smallest; // the smallest cell height it is made
    QSize size;   // of the area the text goes in
};

// The question panel, each answer, and the notes in review.
extern const TextBox kQuestionBox;
extern const TextBox kAnswerBox;
extern const TextBox kNotesBox;

// Where the text goes inside its control.
QRect QuestionTextArea(const QRect& control);
QRect AnswerTextArea(const QRect& control);
QRect NotesTextArea(const QRect& control);

// The texts as the pages show them: "4) text"; "B) text", or a
// statement's answers as their words alone.
QString QuestionShown(int number, const QString& text);
QString AnswerShown(int i, const QString& text, bool statement);

// How one text is set in its box.
struct TextFit
{
    int height = 0;     // the cell height it is set in
    int textHeight = 0; // of the text as it wraps
    int width = 0;      // it wraps at: narrower when it scrolls, for the scroll marks
    bool smaller = false;
    // Further than the box is high: the box scrolls over it.
    int overflow = 0;
};
TextFit FitText(const TextBox& box, const QString& text);

// Draws the text as `fit` sets it in `area`, `scroll` pixels down into it,
// with marks at the right edge when there is more above or below.
void DrawFitted(QPainter& painter, const QRect& area, const TextBox& box, const TextFit& fit,
                const QString& text, int scroll);
}
