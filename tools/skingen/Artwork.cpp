// Everything that is not a page or a button: the question panels, the
// markers, the certificate, the About picture and the three tiles.

#include "Artwork.h"

#include "Buttons.h"
#include "Paint.h"
#include "Theme.h"
#include "platform/Version.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace skingen
{
using namespace theme;

namespace
{
constexpr double kPi = std::numbers::pi;

void Prepare(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QRgb Lerp(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return qRgb(static_cast<int>(std::lround(a.red() + (b.red() - a.red()) * t)),
                static_cast<int>(std::lround(a.green() + (b.green() - a.green()) * t)),
                static_cast<int>(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}
}

QImage DrawQuestionPanel(bool flagged, int scale)
{
    // The control starts above the client area: its first rows lie under
    // the menu bar, so the panel's frame starts below them. The program
    // writes the question in bold black over the rest, so nearly all of it
    // is plain light paper; ornament stays within the edges.
    const int hidden = -quillet::skin::ControlOf(IDC_QUESTION).rect.y;
    QImage image = Canvas(470, 97, scale, kNavy);
    QPainter p(&image);
    Prepare(p);
    const QRect r(0, hidden, 470, 97 - hidden);
    QLinearGradient paper(0, r.top(), 0, r.bottom());
    paper.setColorAt(0, QColor(0xff, 0xfd, 0xf7));
    paper.setColorAt(1, QColor(0xf6, 0xee, 0xdb));
    p.fillRect(r, paper);
    p.setPen(Qt::NoPen);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), kNavyInk);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), kNavyInk);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), kNavyInk);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), kNavyInk);
    p.setPen(QPen(WithAlpha(kGoldDeep, 170), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(r).adjusted(1.5, 1.5, -2.5, -2.5));
    if (!flagged)
        return image;

    // A bookmark ribbon hanging from the top edge, with a flag on it.
    QPainterPath ribbon;
    const qreal x = 436;
    const qreal w = 24;
    // Hung just below the frame line, which stays whole.
    const qreal top = r.top() + 1.5;
    ribbon.moveTo(x, top);
    ribbon.lineTo(x + w, top);
    ribbon.lineTo(x + w, top + 44);
    ribbon.lineTo(x + w / 2, top + 36);
    ribbon.lineTo(x, top + 44);
    ribbon.closeSubpath();
    p.save();
    p.translate(2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawPath(ribbon);
    p.restore();
    QLinearGradient cloth(x, 0, x + w, 0);
    cloth.setColorAt(0, kFlag.lighter(112));
    cloth.setColorAt(1, kFlag.darker(120));
    p.setPen(QPen(kFlag.darker(160), 1));
    p.setBrush(cloth);
    p.drawPath(ribbon);
    DrawFlag(p, QRectF(x + 5, top + 8, 15, 22), Qt::white, Qt::white);
    return image;
}

QImage DrawAnswerMarker(int id, int scale)
{
    QImage image = Canvas(25, 25, scale, kAnswerYellow);
    QPainter p(&image);
    Prepare(p);
    const QPointF c(12.5, 12.5);
    switch (id)
    {
    case quillet::skin::bitmap::kMarkerChosen: // chosen: a filled dot in a ring
        p.setPen(QPen(kNavy, 2.2));
        p.setBrush(Qt::white);
        p.drawEllipse(c, 9.5, 9.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kNavy);
        p.drawEllipse(c, 5.2, 5.2);
        break;
    case quillet::skin::bitmap::kMarkerNotChosen: // not chosen: an empty ring
        p.setPen(QPen(QColor(0x5d, 0x73, 0x8f), 1.8));
        p.setBrush(Qt::white);
        p.drawEllipse(c, 9.5, 9.5);
        break;
    case quillet::skin::bitmap::kMarkerWrongChoice: // your wrong choice: a cross
        DrawCross(p, QRectF(2, 2, 21, 21), kWrong.darker(150), 5.6);
        DrawCross(p, QRectF(2, 2, 21, 21), kWrong, 3.6);
        break;
    case quillet::skin::bitmap::kMarkerRight: // the right answer: a check mark
        DrawCheck(p, QRectF(1, 2, 23, 21), kRight.darker(150), 5.6);
        DrawCheck(p, QRectF(1, 2, 23, 21), kRight, 3.6);
        break;
    default:
        break;
    }
    return image;
}

QImage DrawResultMarker(bool right, int scale)
{
    // Sits on the results list's paper, so the corners are that paper.
    QImage image = Canvas(26, 16, scale, kListPaper);
    QPainter p(&image);
    Prepare(p);
    const QColor fill = right ? kRight : kWrong;
    p.setPen(QPen(fill.darker(140), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 0.5, 23, 15), 7.5, 7.5);
    if (right)
        DrawCheck(p, QRectF(7, 2.5, 12, 11), Qt::white, 2.2);
    else
        DrawCross(p, QRectF(7.5, 2.5, 11, 11), Qt::white, 2.2);
    return image;
}

namespace
{
// Interlaced sine waves along one straight stretch of the border.
void Guilloche(QPainter& p, QPointF from, QPointF to, qreal amplitude)
{
    const QPointF along = to - from;
    const qreal length = std::hypot(along.x(), along.y());
    const QPointF unit = along / length;
    const QPointF normal(-unit.y(), unit.x());
    const int waves = std::max(1, static_cast<int>(std::lround(length / 26)));
    for (int k = 0; k < 4; ++k)
    {
        const qreal phase = k * kPi / 2;
        QPainterPath path;
        for (int i = 0; i <= static_cast<int>(length); ++i)
        {
            const qreal t = i / length;
            const qreal off = amplitude * std::sin(2 * kPi * waves * t + phase);
            const QPointF pt = from + unit * i + normal * off;
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        p.setPen(QPen(k % 2 == 0 ? WithAlpha(kGoldDeep, 200) : WithAlpha(kNavy, 150), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

void CornerOrnament(QPainter& p, QPointF c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawRect(QRectF(c.x() - 19, c.y() - 19, 38, 38));
    p.setPen(QPen(kGold, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(c.x() - 15.5, c.y() - 15.5, 31, 31));
    DrawStar(p, c, 13, 5, 8, kGold);
    p.setBrush(kNavy);
    p.setPen(QPen(kGold, 1));
    p.drawEllipse(c, 4, 4);
}

void Seal(QPainter& p, QPointF c, qreal r)
{
    // Ribbon tails first, so the seal covers their tops.
    p.setPen(Qt::NoPen);
    for (int side = -1; side <= 1; side += 2)
    {
        QPolygonF tail;
        tail << c + QPointF(side * 10, 10) << c + QPointF(side * 38, r + 30) << c + QPointF(side * 27, r + 22)
             << c + QPointF(side * 18, r + 34) << c + QPointF(-side * 6, 14);
        p.setBrush(side < 0 ? kNavy : kWrong.darker(115));
        p.drawPolygon(tail);
    }
    QPolygonF burst;
    const int points = 36;
    for (int i = 0; i < points * 2; ++i)
    {
        const qreal a = i * kPi / points;
        burst << c + QPointF(std::cos(a), std::sin(a)) * (i % 2 == 0 ? r : r * 0.9);
    }
    QRadialGradient gold(c - QPointF(r * 0.35, r * 0.4), r * 1.6);
    gold.setColorAt(0, kGoldPale);
    gold.setColorAt(0.55, kGold);
    gold.setColorAt(1, kGoldDeep);
    p.setPen(QPen(QColor(0x8a, 0x64, 0x1c), 1));
    p.setBrush(gold);
    p.drawPolygon(burst);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x7a, 0x56, 0x14), 1.4));
    p.drawEllipse(c, r * 0.83, r * 0.83);
    p.setPen(QPen(QColor(0x7a, 0x56, 0x14), 1));
    p.drawEllipse(c, r * 0.55, r * 0.55);
    const QColor ink(0x5a, 0x3c, 0x0a);
    DrawOnArc(p, Serif(12, true), QStringLiteral("PELLMARK"), c, r * 0.60, true, 2.2, ink);
    DrawOnArc(p, Serif(9, true), QStringLiteral("CERTIFIED"), c, r * 0.79, false, 1.8, ink);
    DrawStar(p, c, r * 0.30, r * 0.13, 5, ink);
}
}

QImage DrawCertificate(int scale)
{
    QImage image = Canvas(800, 600, scale, kCream);
    QPainter p(&image);
    Prepare(p);

    QRadialGradient age(QPointF(400, 300), 520);
    age.setColorAt(0, QColor(0xfd, 0xf9, 0xee));
    age.setColorAt(0.7, kCream);
    age.setColorAt(1, QColor(0xee, 0xe0, 0xbf));
    p.fillRect(QRect(0, 0, 800, 600), age);

    // Border: navy rule, gold line, a band of waves, gold and navy lines.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kNavy, 4));
    p.drawRect(QRectF(16, 16, 768, 568));
    p.setPen(QPen(kGoldDeep, 1.2));
    p.drawRect(QRectF(22.5, 22.5, 755, 555));
    Guilloche(p, QPointF(58, 36), QPointF(742, 36), 6);
    Guilloche(p, QPointF(58, 564), QPointF(742, 564), 6);
    Guilloche(p, QPointF(36, 58), QPointF(36, 542), 6);
    Guilloche(p, QPointF(764, 58), QPointF(764, 542), 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGoldDeep, 1.2));
    p.drawRect(QRectF(49.5, 49.5, 701, 501));
    p.setPen(QPen(kNavy, 1));
    p.drawRect(QRectF(53.5, 53.5, 693, 493));
    for (const QPointF c : {QPointF(36, 36), QPointF(764, 36), QPointF(36, 564), QPointF(764, 564)})
        CornerOrnament(p, c);

    const QColor ink(0x22, 0x2c, 0x3c);
    DrawLine(p, Serif(54, true), QStringLiteral("Certificate of Completion"), 400, 118, kNavy,
             Qt::AlignHCenter);
    // Flourish under the heading.
    QLinearGradient rule(250, 0, 550, 0);
    rule.setColorAt(0, WithAlpha(kGoldDeep, 0));
    rule.setColorAt(0.5, kGoldDeep);
    rule.setColorAt(1, WithAlpha(kGoldDeep, 0));
    p.fillRect(QRectF(230, 146, 340, 1.5), rule);
    p.save();
    p.translate(400, 146.75);
    p.rotate(45);
    p.setPen(Qt::NoPen);
    p.setBrush(kGoldDeep);
    p.drawRect(QRectF(-4.5, -4.5, 9, 9));
    p.restore();

    // Fields the program prints into stay blank; lines under them guide
    // the eye.
    const QFont words = Serif(24, false, true);
    DrawLine(p, words, QStringLiteral("for"), 400, 200, ink, Qt::AlignHCenter);
    p.fillRect(QRectF(130, 262, 540, 1), WithAlpha(kGoldDeep, 200));
    DrawLine(p, Serif(22, false, true), QStringLiteral("In completion of the Comprehensive Test for"), 400,
             297, ink, Qt::AlignHCenter);
    DrawLine(p, words, QStringLiteral("This"), 268, 395, ink, Qt::AlignRight);
    DrawLine(p, words, QStringLiteral("Day of"), 418, 395, ink, Qt::AlignHCenter);
    p.fillRect(QRectF(278, 409, 90, 1), WithAlpha(kGoldDeep, 200));
    p.fillRect(QRectF(468, 409, 262, 1), WithAlpha(kGoldDeep, 200));

    // Signature, lower left.
    p.save();
    p.translate(92, 488);
    p.setTransform(QTransform(1, 0, -0.28, 1, 0, 0), true);
    DrawLine(p, Serif(36, false, true), QStringLiteral("E. Marlowe"), 0, 0, QColor(0x1c, 0x30, 0x5c));
    p.restore();
    QPainterPath flourish;
    flourish.moveTo(100, 497);
    flourish.cubicTo(170, 503, 260, 499, 318, 486);
    p.setPen(QPen(QColor(0x1c, 0x30, 0x5c), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flourish);
    p.fillRect(QRectF(80, 502, 250, 1), ink);
    DrawLine(p, Serif(18), QStringLiteral("Director of Training"), 205, 524, ink, Qt::AlignHCenter);

    // The publisher's seal, bottom centre, clear of the score.
    Seal(p, QPointF(420, 478), 50);
    return image;
}

QImage DrawAbout(int scale)
{
    QImage image = Canvas(500, 300, scale, kNavy);
    QPainter p(&image);
    Prepare(p);
    QLinearGradient fall(0, 0, 0, 300);
    fall.setColorAt(0, QColor(0x2a, 0x50, 0x7c));
    fall.setColorAt(1, QColor(0x12, 0x25, 0x3e));
    const QRect all(0, 0, 500, 300);
    p.fillRect(all, fall);
    QRadialGradient glow(QPointF(110, 110), 260);
    glow.setColorAt(0, WithAlpha(kTeal, 70));
    glow.setColorAt(1, WithAlpha(kTeal, 0));
    p.fillRect(all, glow);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kNavyInk, 2));
    p.drawRect(QRectF(1, 1, 498, 298));
    p.setPen(QPen(WithAlpha(kGold, 200), 1));
    p.drawRect(QRectF(7.5, 7.5, 485, 285));

    DrawEmblem(p, QRectF(44, 42, 112, 112));
    DrawLine(p, Serif(66, true), QStringLiteral("Quillet"), 182, 108, QColor(0, 0, 0, 90));
    DrawLine(p, Serif(66, true), QStringLiteral("Quillet"), 180, 106, kCream);
    DrawLine(p, Sans(17), QStringLiteral("Version %1").arg(QLatin1String(quillet::kShortVersion)), 184, 138,
             kGold);
    QLinearGradient rule(40, 0, 460, 0);
    rule.setColorAt(0, WithAlpha(kGold, 0));
    rule.setColorAt(0.5, WithAlpha(kGold, 200));
    rule.setColorAt(1, WithAlpha(kGold, 0));
    p.fillRect(QRectF(40, 180, 420, 1.5), rule);
    DrawLine(p, Sans(17, false), QStringLiteral("Tests, quizzes and results for your video course"), 250, 216,
             QColor(0xe6, 0xee, 0xf7), Qt::AlignHCenter);
    DrawLine(p, Sans(11, false), QStringLiteral("Click to close"), 250, 276, QColor(0x9d, 0xb4, 0xcf),
             Qt::AlignHCenter);
    return image;
}

QImage DrawTableTile(int scale)
{
    // Pale blue paper with a diamond lattice of dots, one dot at the
    // corners and one in the middle, so that it repeats without a seam.
    constexpr int w = 22;
    constexpr int h = 18;
    QImage image(w * scale, h * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    const QColor paper(0xee, 0xf3, 0xf8);
    const QColor dot(0xb8, 0xc9, 0xdd);
    for (int py = 0; py < image.height(); ++py)
    {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(py));
        const double y = SkinPixel(py, scale);
        for (int px = 0; px < image.width(); ++px)
        {
            const double x = SkinPixel(px, scale);
            double nearest = 1e9;
            for (const auto& [cx, cy] : {std::pair{0.0, 0.0}, std::pair{w / 2.0, h / 2.0}})
            {
                double dx = std::fabs(x + 0.5 - cx);
                double dy = std::fabs(y + 0.5 - cy);
                dx = std::min(dx, w - dx);
                dy = std::min(dy, h - dy);
                nearest = std::min(nearest, std::hypot(dx, dy));
            }
            row[px] = Lerp(dot, paper, (nearest - 1.2) / 1.3);
        }
    }
    return image;
}

QImage DrawHintTile(int scale)
{
    // Warm note paper with a faint, fine fibre; repeats seamlessly because
    // the noise lattice wraps at the tile's edges.
    constexpr int w = 66;
    constexpr int h = 90;
    QImage image(w * scale, h * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    const QColor light(0xfd, 0xf8, 0xe6);
    const QColor dark(0xf4, 0xea, 0xcf);
    for (int py = 0; py < image.height(); ++py)
    {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(py));
        const double y = SkinPixel(py, scale);
        for (int px = 0; px < image.width(); ++px)
        {
            const double x = SkinPixel(px, scale);
            const double broad = PeriodicNoise(x / 11.0, y / 15.0, 6, 6, 7);
            const double fibre = PeriodicNoise(x / 6.0, y / 2.0, 11, 45, 11);
            row[px] = Lerp(light, dark, 0.7 * broad + 0.3 * fibre * fibre);
        }
    }
    return image;
}

QImage DrawWoodTile(int scale)
{
    // Light oak, flat sawn. Grain lines run along the board, bent gently by
    // waves and noise that all repeat exactly across the tile, so it tiles
    // seamlessly both ways.
    constexpr int w = 380;
    constexpr int h = 200;
    constexpr int rings = 11;
    QImage image(w * scale, h * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    const QColor early(0xec, 0xd3, 0xa8);
    const QColor late(0xcf, 0xa2, 0x6a);
    const QColor line(0xa5, 0x74, 0x42);
    const auto smoothstep = [](double a, double b, double x)
    {
        const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
        return t * t * (3 - 2 * t);
    };
    for (int py = 0; py < image.height(); ++py)
    {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(py));
        const double y = SkinPixel(py, scale);
        for (int px = 0; px < image.width(); ++px)
        {
            const double x = SkinPixel(px, scale);
            const double u = static_cast<double>(x) / w;
            const double v = static_cast<double>(y) / h;
            const double bend = 5.0 * std::sin(2 * kPi * (u + 0.13)) + 2.0 * std::sin(2 * kPi * (2 * u + v)) +
                                12.0 * (PeriodicNoise(u * 3, v * 2, 3, 2, 3) - 0.5) +
                                3.0 * (PeriodicNoise(u * 10, v * 4, 10, 4, 5) - 0.5);
            // Uneven ring widths: the phase runs faster and slower down the
            // tile but still gains exactly `rings` per tile height.
            const double s = (y + bend) / h;
            const double phase =
                rings * s + 0.45 * std::sin(2 * kPi * 3 * s) + 0.25 * std::sin(2 * kPi * 5 * s + 1);
            const double ring = std::floor(phase);
            const double t = phase - ring;
            const int ringIndex = ((static_cast<int>(ring) % rings) + rings) % rings;
            const double strength = 0.5 + 0.5 * PeriodicNoise(ringIndex * 1.0, u * 5, rings, 5, 21);
            // Early wood light, late wood darkening towards the ring's end,
            // and a crisp line where the next year starts.
            const double dark = std::pow(smoothstep(0.45, 1.0, t), 1.6) * strength;
            const double edge = std::exp(-(1 - t) * 28) * strength + std::exp(-t * 40) * 0.5 * strength;
            const double streak = PeriodicNoise(u * 24, v * 200, 24, 200, 9);
            const double body = PeriodicNoise(u * 2, v * 2, 2, 2, 17);
            QColor c = QColor(Lerp(early, late, 0.75 * dark + 0.15 * body));
            c = QColor(Lerp(c, line, std::min(1.0, 0.55 * edge)));
            c = QColor(Lerp(c, late, 0.30 * streak * streak));
            row[px] = c.rgb();
        }
    }
    return image;
}

std::vector<Bitmap> Catalogue()
{
    std::vector<Bitmap> all;
    const auto add = [&all](int id, int w, int h, const char* group, const QString& caption,
                            std::function<QImage(int)> draw) {
        all.push_back(Bitmap{id, w, h, QString::fromLatin1(group), caption, std::move(draw)});
    };
    const auto picture =
        [&add](int id, const char* group, const QString& caption, std::function<QImage(int)> draw)
    {
        const quillet::skin::BitmapSize size = quillet::skin::SizeOf(id);
        add(id, size.width, size.height, group, caption, std::move(draw));
    };
    using namespace quillet::skin::bitmap;
    picture(kLoginPage, "Pages", QStringLiteral("Login / start"), DrawLoginPage);
    picture(kTestPage, "Pages", QStringLiteral("Test question"),
            [](int scale) { return DrawQuestionPage(QuestionPage::Test, scale); });
    picture(kQuizPage, "Pages", QStringLiteral("Quiz question"),
            [](int scale) { return DrawQuestionPage(QuestionPage::Quiz, scale); });
    picture(kReviewPage, "Pages", QStringLiteral("Review"),
            [](int scale) { return DrawQuestionPage(QuestionPage::Review, scale); });
    picture(kResultsPage, "Pages", QStringLiteral("Results"), DrawResultsPage);
    picture(kCertificate, "Pictures", QStringLiteral("Certificate"), DrawCertificate);
    picture(kAbout, "Pictures", QStringLiteral("About"), DrawAbout);
    picture(kQuestionPanel, "Panels and markers", QStringLiteral("Question"),
            [](int scale) { return DrawQuestionPanel(false, scale); });
    picture(kFlaggedPanel, "Panels and markers", QStringLiteral("Question, flagged"),
            [](int scale) { return DrawQuestionPanel(true, scale); });
    picture(kMarkerChosen, "Panels and markers", QStringLiteral("chosen"),
            [](int scale) { return DrawAnswerMarker(kMarkerChosen, scale); });
    picture(kMarkerNotChosen, "Panels and markers", QStringLiteral("not chosen"),
            [](int scale) { return DrawAnswerMarker(kMarkerNotChosen, scale); });
    picture(kMarkerWrongChoice, "Panels and markers", QStringLiteral("wrong choice"),
            [](int scale) { return DrawAnswerMarker(kMarkerWrongChoice, scale); });
    picture(kMarkerRight, "Panels and markers", QStringLiteral("right answer"),
            [](int scale) { return DrawAnswerMarker(kMarkerRight, scale); });
    picture(kResultRight, "Panels and markers", QStringLiteral("right"),
            [](int scale) { return DrawResultMarker(true, scale); });
    picture(kResultWrong, "Panels and markers", QStringLiteral("wrong"),
            [](int scale) { return DrawResultMarker(false, scale); });
    picture(kWoodTile, "Tiles", QStringLiteral("Dialog wood"), DrawWoodTile);
    picture(kHintTile, "Tiles", QStringLiteral("Hint box"), DrawHintTile);
    picture(kTableTile, "Tiles", QStringLiteral("Table box"), DrawTableTile);
    for (const ButtonDesign& b : AllButtons())
    {
        const QString name = QString::fromLatin1(b.name);
        const quillet::skin::ButtonFaces& f = FacesOf(b);
        const bool dialog =
            b.control == quillet::skin::kDialogOk || b.control == quillet::skin::kDialogCancel;
        const char* group = dialog ? "Dialog buttons" : "Command buttons";
        add(f.normal, f.width, f.height, group, name,
            [&b](int scale) { return DrawButton(b, FaceState::Normal, scale); });
        add(f.focused, f.width, f.height, group, name + QStringLiteral(", focused"),
            [&b](int scale) { return DrawButton(b, FaceState::Focused, scale); });
        add(f.pressed, f.width, f.height, group, name + QStringLiteral(", pressed"),
            [&b](int scale) { return DrawButton(b, FaceState::Pressed, scale); });
    }
    return all;
}
}
