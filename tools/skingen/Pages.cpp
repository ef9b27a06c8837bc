// The 630 x 433 page backgrounds: login, the three question pages and the
// results page. The program lays its own controls and texts over these, so
// the coordinates below come from where it puts them.

#include "Artwork.h"
#include "Buttons.h"
#include "Paint.h"
#include "Theme.h"
#include "platform/Version.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>
#include <utility>

namespace skingen
{
using namespace theme;

namespace
{
constexpr int kPageWidth = quillet::skin::SizeOf(quillet::skin::bitmap::kLoginPage).width;
constexpr int kPageHeight = quillet::skin::SizeOf(quillet::skin::bitmap::kLoginPage).height;
// Left edge of the navy column that holds the page's buttons.
constexpr int kColumnX = 508;
// The question control starts above the client area, under the menu bar.
constexpr int kQuestionHiddenRows = -quillet::skin::ControlOf(IDC_QUESTION).rect.y;
// Client pixels to page bitmap pixels.
constexpr int kBackgroundDx = quillet::skin::kBackgroundX;
constexpr int kBackgroundDy = quillet::skin::kBackgroundY;
// The lanes of the results list.
const QColor kRightLane{0xee, 0xf6, 0xea};
const QColor kWrongLane{0xfb, 0xee, 0xea};

QImage NewPage(int scale)
{
    return Canvas(kPageWidth, kPageHeight, scale, kNavy);
}

void Prepare(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

void PaintBackdrop(QPainter& p)
{
    QLinearGradient fall(0, 0, 0, kPageHeight);
    fall.setColorAt(0, QColor(0x27, 0x4b, 0x74));
    fall.setColorAt(1, QColor(0x14, 0x29, 0x44));
    p.fillRect(0, 0, kPageWidth, kPageHeight, fall);
    // A wide, faint pool of light towards the top left.
    QRadialGradient glow(QPointF(180, 90), 420);
    glow.setColorAt(0, QColor(255, 255, 255, 26));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(0, 0, kPageWidth, kPageHeight, glow);
}

void PaintColumn(QPainter& p, int x, int width)
{
    QLinearGradient fall(0, 0, 0, kPageHeight);
    fall.setColorAt(0, QColor(0x16, 0x2c, 0x48));
    fall.setColorAt(1, kColumn);
    p.fillRect(x, 0, width, kPageHeight, fall);
    p.fillRect(x - 1, 0, 1, kPageHeight, QColor(0, 0, 0, 90));
    p.fillRect(x, 0, 1, kPageHeight, WithAlpha(kTeal, 200));
}

void ColumnRule(QPainter& p, int x1, int x2, int y)
{
    QLinearGradient fade(x1, 0, x2, 0);
    fade.setColorAt(0, WithAlpha(kTeal, 0));
    fade.setColorAt(0.5, WithAlpha(kTeal, 170));
    fade.setColorAt(1, WithAlpha(kTeal, 0));
    p.fillRect(x1, y, x2 - x1, 1, fade);
}

// Where a button sits: a shadow just outside it, so the button looks
// raised once the program draws it.
void ButtonBed(QPainter& p, const QRect& r)
{
    SoftShadow(p, r, 1, 3, 120, QPointF(2, 2));
}

// A white box the program fills (clock, counter, edits): a sunken frame
// around it and a small caption above.
void SunkenBox(QPainter& p, const QRect& r, const QString& caption)
{
    p.fillRect(r, Qt::white);
    Bevel(p, r, QColor(0x08, 0x12, 0x20), QColor(0x7d, 0x9c, 0xbf), 1);
    Bevel(p, r.adjusted(-1, -1, 1, 1), QColor(0x0f, 0x20, 0x36), QColor(0x4e, 0x6f, 0x96), 1);
    if (!caption.isEmpty())
    {
        QFont font = Sans(10);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
        DrawLine(p, font, caption, r.left() - 1, r.top() - 7, kGoldPale);
    }
}

void Wordmark(QPainter& p, qreal cx, qreal baseline)
{
    DrawSpaced(p, Sans(11), QStringLiteral("QUILLET"), cx, baseline, 2.5, WithAlpha(kGold, 230));
}

// The small card in the right column saying which page this is.
void PageBadge(QPainter& p, QuestionPage kind)
{
    const QRectF card(516.5, 290.5, 107, 100);
    p.setPen(QPen(WithAlpha(kGold, 130), 1));
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawRoundedRect(card, 5, 5);
    const qreal cx = card.center().x();
    if (kind == QuestionPage::Review)
    {
        DrawLine(p, Serif(27, true), QStringLiteral("Review"), cx, 322, kGold, Qt::AlignHCenter);
        ColumnRule(p, 524, 616, 332);
        // A key to the review markers, shape first.
        const QFont key = Sans(11, false);
        DrawCheck(p, QRectF(527, 343, 13, 12), QColor(0x6f, 0xe0, 0x9a), 2.6);
        DrawLine(p, key, QStringLiteral("right answer"), 546, 354, QColor(0xe8, 0xef, 0xf7));
        DrawCross(p, QRectF(527, 364, 13, 13), QColor(0xff, 0x7a, 0x6b), 2.6);
        DrawLine(p, key, QStringLiteral("your choice"), 546, 375, QColor(0xe8, 0xef, 0xf7));
        return;
    }
    DrawEmblem(p, QRectF(cx - 19, 298, 38, 38));
    // The Test page serves the Pre-Test too: it names what both cover.
    const bool quiz = kind == QuestionPage::Quiz;
    DrawLine(p, Serif(28, true), quiz ? QStringLiteral("Quiz") : QStringLiteral("Course"), cx, 365, kGold,
             Qt::AlignHCenter);
    QFont small = Sans(9);
    DrawSpaced(p, small, quiz ? QStringLiteral("ONE CHAPTER") : QStringLiteral("ALL CHAPTERS"), cx, 381, 1.6,
               QColor(0xb8, 0xcc, 0xe2));
}
}

QImage DrawQuestionPage(QuestionPage kind, int scale)
{
    QImage image = NewPage(scale);
    QPainter p(&image);
    Prepare(p);
    PaintBackdrop(p);
    PaintColumn(p, kColumnX, kPageWidth - kColumnX);
    Wordmark(p, 569, 29);

    // The question panel bitmap lands here, its frame below the menu bar;
    // lift it off the page.
    SoftShadow(p, FromControl(IDC_QUESTION).adjusted(0, kQuestionHiddenRows, 0, 0), 2, 5, 120, QPointF(2, 3));

    // The four answer boxes, one under the other, in a parchment mount.
    const QRect answers = FromControl(IDC_ANSWER_A).united(FromControl(IDC_ANSWER_D));
    const QRectF mount = QRectF(answers).adjusted(-5.5, -5.5, 5.5, 5.5);
    SoftShadow(p, mount, 4, 5, 120, QPointF(2, 3));
    QLinearGradient paper(0, mount.top(), 0, mount.bottom());
    paper.setColorAt(0, kParchment);
    paper.setColorAt(1, kParchmentDark);
    p.setPen(QPen(kNavyInk, 1));
    p.setBrush(paper);
    p.drawRoundedRect(mount, 4, 4);
    p.setPen(QPen(kGoldDeep, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(answers).adjusted(-2.5, -2.5, 2.5, 2.5));
    p.fillRect(answers, kAnswerYellow);

    // The review page shows neither the clock nor the counter, nor the flag
    // and unanswered buttons; Play Topic takes the counter's place.
    const bool review = kind == QuestionPage::Review;
    if (!review)
    {
        SunkenBox(p, FromControl(IDC_CLOCK), QStringLiteral("TIME"));
        SunkenBox(p, FromControl(IDC_COMPLETE), QStringLiteral("ANSWERED"));
    }

    const QRect walk[] = {FaceOnPage(IDC_NEXT), FaceOnPage(IDC_PREVIOUS), FaceOnPage(IDC_EXIT)};
    const QRect search[] = {FaceOnPage(IDC_FLAG), FaceOnPage(IDC_LAST_FLAGGED), FaceOnPage(IDC_NEXT_FLAGGED),
                            FaceOnPage(IDC_NEXT_UNANSWERED), FaceOnPage(IDC_LAST_UNANSWERED)};
    for (const QRect& r : walk)
        ButtonBed(p, r);
    if (!review)
        for (const QRect& r : search)
            ButtonBed(p, r);
    ColumnRule(p, 518, 624, 122);
    ColumnRule(p, 518, 624, 220);
    ColumnRule(p, 518, 624, 282);
    if (kind == QuestionPage::Quiz)
        ButtonBed(p, FaceOnPage(IDC_HINT));
    if (kind == QuestionPage::Review)
        ButtonBed(p, FaceOnPage(IDC_PLAY_TOPIC));
    PageBadge(p, kind);
    return image;
}

namespace
{
// A sheet of questions with a quill across it: the login page's picture.
void TestSheet(QPainter& p)
{
    p.save();
    p.translate(128, 312);
    p.rotate(-6);
    const QRectF sheet(-72, -92, 144, 184);
    SoftShadow(p, sheet, 2, 6, 110, QPointF(3, 4));
    QLinearGradient paper(0, sheet.top(), 0, sheet.bottom());
    paper.setColorAt(0, kCream);
    paper.setColorAt(1, kParchment);
    p.setPen(QPen(QColor(0xc9, 0xb7, 0x8e), 1));
    p.setBrush(paper);
    p.drawRect(sheet);
    p.fillRect(QRectF(-58, -78, 70, 6), QColor(0x5a, 0x6b, 0x80));
    p.fillRect(QRectF(-58, -66, 44, 4), QColor(0xa8, 0xb4, 0xc2));
    for (int i = 0; i < 4; ++i)
    {
        const qreal y = -44 + i * 34;
        p.setPen(QPen(kNavy, 1.6));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(-50, y), 6, 6);
        if (i == 1 || i == 2)
        {
            p.setPen(Qt::NoPen);
            p.setBrush(kNavy);
            p.drawEllipse(QPointF(-50, y), 3, 3);
        }
        p.fillRect(QRectF(-38, y - 5, 88 - (i % 2) * 20, 3.5), QColor(0x9a, 0xa6, 0xb5));
        p.fillRect(QRectF(-38, y + 2, 60 + (i % 3) * 10, 3.5), QColor(0xc3, 0xcb, 0xd5));
    }
    DrawCheck(p, QRectF(24, 54, 40, 32), kRight, 5);
    p.restore();
    DrawQuill(p, QPointF(196, 330), 150, 28, kCream, kGoldDeep);
}
}

QImage DrawLoginPage(int scale)
{
    QImage image = NewPage(scale);
    QPainter p(&image);
    Prepare(p);
    PaintBackdrop(p);
    PaintColumn(p, kColumnX, kPageWidth - kColumnX);
    DrawLine(p, Sans(10, false), QStringLiteral("Version %1").arg(QLatin1String(quillet::kShortVersion)), 569,
             420, QColor(0x9d, 0xb4, 0xcf), Qt::AlignHCenter);

    // The program's name, large.
    DrawEmblem(p, QRectF(34, 30, 100, 100));
    DrawLine(p, Serif(78, true), QStringLiteral("Quillet"), 150, 104, QColor(0, 0, 0, 90));
    DrawLine(p, Serif(78, true), QStringLiteral("Quillet"), 148, 102, kCream);
    DrawLine(p, Sans(19, false), QStringLiteral("Tests and quizzes for your course"), 152, 138,
             QColor(0xcf, 0xe0, 0xf0));
    QLinearGradient rule(34, 0, 490, 0);
    rule.setColorAt(0, WithAlpha(kGold, 220));
    rule.setColorAt(1, WithAlpha(kGold, 0));
    p.fillRect(34, 160, 456, 2, rule);

    TestSheet(p);

    // The sign-in card: the two edits sit in its wells. With no edits
    // showing, it still reads as a tidy, empty form.
    const QRectF card(256.5, 246.5, 222, 104);
    SoftShadow(p, card, 6, 6, 120, QPointF(3, 4));
    QLinearGradient paper(0, card.top(), 0, card.bottom());
    paper.setColorAt(0, kCream);
    paper.setColorAt(1, kParchment);
    p.setPen(QPen(kGoldDeep, 1));
    p.setBrush(paper);
    p.drawRoundedRect(card, 6, 6);

    const QRect name = FromControl(IDC_USER_NAME);
    const QRect password = FromControl(IDC_PASSWORD);
    const QFont label = Sans(14);
    for (const auto& [field, text] :
         {std::pair{name, QStringLiteral("User name")}, std::pair{password, QStringLiteral("Password")}})
    {
        p.fillRect(field, QColor(0xff, 0xfe, 0xf9));
        Bevel(p, field, QColor(0x8a, 0x78, 0x52), QColor(0xff, 0xfb, 0xf0), 1);
        DrawLine(p, label, text, field.left() - 9, field.top() + 16, kInk, Qt::AlignRight);
    }
    return image;
}

namespace
{
// A rosette with ribbon tails: decoration for the results page.
void Rosette(QPainter& p, QPointF c, qreal r)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int side = -1; side <= 1; side += 2)
    {
        QPolygonF tail;
        tail << c + QPointF(side * r * 0.15, 0) << c + QPointF(side * r * 0.75, r * 1.9)
             << c + QPointF(side * r * 0.45, r * 1.65) << c + QPointF(side * r * 0.20, r * 2.0)
             << c + QPointF(-side * r * 0.2, r * 0.2);
        p.setBrush(side < 0 ? kTealDark : kNavy);
        p.drawPolygon(tail);
    }
    QPolygonF petals;
    const int points = 24;
    for (int i = 0; i < points * 2; ++i)
    {
        const qreal a = i * std::numbers::pi / points;
        const qreal rr = i % 2 == 0 ? r : r * 0.88;
        petals << c + QPointF(std::cos(a), std::sin(a)) * rr;
    }
    QRadialGradient gold(c - QPointF(r * 0.3, r * 0.3), r * 1.5);
    gold.setColorAt(0, kGoldPale);
    gold.setColorAt(1, kGoldDeep);
    p.setBrush(gold);
    p.setPen(QPen(QColor(0x8a, 0x64, 0x1c), 1));
    p.drawPolygon(petals);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x8a, 0x64, 0x1c, 160), 1));
    p.drawEllipse(c, r * 0.68, r * 0.68);
    p.restore();
    DrawCheck(p, QRectF(c.x() - r * 0.42, c.y() - r * 0.38, r * 0.84, r * 0.76), kNavy, r * 0.16);
}
}

QImage DrawResultsPage(int scale)
{
    QImage image = NewPage(scale);
    QPainter p(&image);
    Prepare(p);

    // Light paper wherever the program writes.
    QLinearGradient paper(0, 0, 0, kPageHeight);
    paper.setColorAt(0, kCream);
    paper.setColorAt(1, kParchment);
    p.fillRect(0, 0, kPageWidth, kPageHeight, paper);

    // Faint quill in the empty lower right corner.
    DrawQuill(p, QPointF(560, 350), 150, 35, QColor(0xef, 0xe3, 0xc6), QColor(0xe2, 0xd2, 0xae));

    // The button column.
    constexpr int columnWidth = 150;
    QLinearGradient fall(0, 0, 0, kPageHeight);
    fall.setColorAt(0, QColor(0x1d, 0x38, 0x5c));
    fall.setColorAt(1, kColumn);
    p.fillRect(0, 0, columnWidth, kPageHeight, fall);
    p.fillRect(columnWidth, 0, 1, kPageHeight, WithAlpha(kTeal, 220));
    p.fillRect(columnWidth + 1, 0, 3, kPageHeight, QColor(0, 0, 0, 26));
    DrawSpaced(p, Sans(13), QStringLiteral("RESULTS"), 72, 31, 3, kGold);
    const QRect buttons[] = {
        FaceOnPage(IDC_REVIEW),       FaceOnPage(IDC_RETAKE),           FaceOnPage(IDC_PRINT),
        FaceOnPage(IDC_EMAIL),        FaceOnPage(IDC_COMPARE_PREVIOUS), FaceOnPage(IDC_COMPARE_NATIONAL),
        FaceOnPage(IDC_EXIT_RESULTS),
    };
    for (const QRect& r : buttons)
        ButtonBed(p, r);

    Rosette(p, QPointF(203, 104), 30);
    // A key to the list's markers.
    const QFont key = Sans(12, false);
    QRectF mark(166, 196, 26, 16);
    // Each key on its lane's colour, as in the list.
    p.fillRect(mark.adjusted(-3, -2, 3, 2), kRightLane);
    p.fillRect(mark.translated(0, 24).adjusted(-3, -2, 3, 2), kWrongLane);
    p.drawImage(mark.topLeft(), DrawResultMarker(true, scale));
    DrawLine(p, key, QStringLiteral("right"), 198, 209, kInk);
    mark.translate(0, 24);
    p.drawImage(mark.topLeft(), DrawResultMarker(false, scale));
    DrawLine(p, key, QStringLiteral("wrong"), 198, 233, kInk);

    // The answer list: one ruled row per question, with a lane for the
    // right marker, one for the wrong marker and the start of the question.
    namespace results = quillet::skin::results;
    const QRect list = FromClient(results::kListFrame.x, results::kListFrame.y, results::kListFrame.width,
                                  results::kListFrame.height);
    const int wrongLane = results::kWrongMarkerX - kBackgroundDx - 3;
    const int textLane = results::kListText.x - kBackgroundDx - 5;
    SoftShadow(p, list, 1, 4, 60, QPointF(1, 2));
    p.fillRect(list, kListPaper);
    p.fillRect(QRect(list.left() + 1, list.top() + 1, wrongLane - list.left() - 1, list.height() - 2),
               kRightLane);
    p.fillRect(QRect(wrongLane, list.top() + 1, textLane - wrongLane, list.height() - 2), kWrongLane);
    p.setPen(Qt::NoPen);
    for (int y = results::kListTop - kBackgroundDy + results::kListStep - 1; y < list.bottom();
         y += results::kListStep)
        p.fillRect(list.left() + 1, y, list.width() - 2, 1, kListRule);
    p.fillRect(wrongLane, list.top() + 1, 1, list.height() - 2, kParchmentDark);
    p.fillRect(textLane, list.top() + 1, 1, list.height() - 2, kParchmentDark);
    const QColor edge(0xb4, 0x9a, 0x62);
    p.fillRect(list.left(), list.top(), list.width(), 1, edge);
    p.fillRect(list.left(), list.top(), 1, list.height(), edge);
    p.fillRect(list.right(), list.top(), 1, list.height(), edge);
    p.fillRect(list.left(), list.bottom(), list.width(), 1, edge);

    // The program draws the percentage but no per-cent sign.
    DrawLine(p, Serif(50), QStringLiteral("%"), 565, 145, QColor(0x14, 0x14, 0x14));

    DrawLine(p, Serif(13, false, true), QStringLiteral("Time taken"), 525, 175, QColor(0x4a, 0x40, 0x30),
             Qt::AlignRight);

    // The grade: a light box that holds the sentence and the letter, with a tab.
    const QRect grade = FromClient(results::kGradeFrame.x, results::kGradeFrame.y, results::kGradeFrame.width,
                                   results::kGradeFrame.height);
    p.fillRect(grade, kListPaper);
    p.fillRect(grade.left(), grade.top(), grade.width(), 1, kGoldDeep);
    p.fillRect(grade.left(), grade.bottom(), grade.width(), 1, kGoldDeep);
    p.fillRect(grade.right(), grade.top(), 1, grade.height(), kGoldDeep);
    p.fillRect(grade.left(), grade.top(), 1, grade.height(), kGoldDeep);
    const QRect tab(grade.left() - 16, grade.top(), 16, grade.height());
    p.fillRect(tab, kNavy);
    p.save();
    p.translate(tab.center().x() + 4.5, tab.center().y() + 1);
    p.rotate(-90);
    DrawSpaced(p, Sans(10), QStringLiteral("GRADE"), 0, 0, 1.8, Qt::white);
    p.restore();
    return image;
}
}
