#include "skin/TextFit.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <climits>

#include "skin/SkinKit.h"

namespace quillet::skin
{
namespace
{
// The strip at the right edge of a scrolling text that holds its marks.
constexpr int kMarkStrip = 9;
constexpr QColor kMarkColour(90, 90, 90);

QRect Measure(const QFont& font, int width, const QString& text)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, width, INT_MAX / 2),
                                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

// A small triangle pointing up or down in the mark strip, `y` its flat side.
void DrawMark(QPainter& painter, int x, int y, bool up)
{
    const int tip = up ? y - 5 : y + 5;
    painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + 6, y), QPoint(x + 3, tip)}));
}
}

const TextBox kQuestionBox{"Arial", 700, 18, 13, QSize(440, 74)};
const TextBox kAnswerBox{"Arial", 700, 18, 13, QSize(433, 54)};
const TextBox kNotesBox{"Arial", 400, 15, 12, QSize(336, 54)};

QRect QuestionTextArea(const QRect& control)
{
    return QRect(control.topLeft() + QPoint(15, 10), kQuestionBox.size);
}

QRect AnswerTextArea(const QRect& control)
{
    // Right of the answer's marker, with room for its frame.
    return QRect(control.topLeft() + QPoint(SizeOf(bitmap::kMarkerChosen).width + 6, 3), kAnswerBox.size);
}

QRect NotesTextArea(const QRect& control)
{
    return QRect(control.topLeft() + QPoint(6, 4), kNotesBox.size);
}

QString QuestionShown(int number, const QString& text)
{
    return QStringLiteral("%1) %2").arg(number).arg(text);
}

QString AnswerShown(int i, const QString& text, bool statement)
{
    if (statement)
        return text;
    return QStringLiteral("%1) %2").arg(QChar(QLatin1Char(static_cast<char>('A' + i)))).arg(text);
}

TextFit FitText(const TextBox& box, const QString& text)
{
    TextFit fit;
    fit.width = box.size.width();
    for (fit.height = box.height; fit.height >= box.smallest; --fit.height)
    {
        const QRect needed = Measure(MakeFont(box.face, fit.height, box.weight), fit.width, text);
        fit.textHeight = needed.height();
        if (needed.height() <= box.size.height() && needed.width() <= fit.width)
        {
            fit.smaller = fit.height < box.height;
            return fit;
        }
    }
    fit.height = box.smallest;
    fit.smaller = true;
    fit.width = box.size.width() - kMarkStrip;
    fit.textHeight = Measure(MakeFont(box.face, fit.height, box.weight), fit.width, text).height();
    fit.overflow = std::max(0, fit.textHeight - box.size.height());
    return fit;
}

void DrawFitted(QPainter& painter, const QRect& area, const TextBox& box, const TextFit& fit,
                const QString& text, int scroll)
{
    painter.save();
    painter.setFont(MakeFont(box.face, fit.height, box.weight));
    painter.setClipRect(area, Qt::IntersectClip);
    const QRect laid(area.left(), area.top() - scroll, fit.width, std::max(area.height(), fit.textHeight));
    DrawText(painter, laid, text, DT_WORDBREAK);
    if (fit.overflow > 0)
    {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kMarkColour);
        const int x = area.right() - kMarkStrip + 3;
        if (scroll > 0)
            DrawMark(painter, x, area.top() + 6, true);
        if (scroll < fit.overflow)
            DrawMark(painter, x, area.bottom() - 6, false);
    }
    painter.restore();
}
}
