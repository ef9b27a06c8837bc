#include "Buttons.h"

#include "Artwork.h"
#include "Theme.h"

#include <QPainter>

#include <cmath>
#include <map>

namespace skingen
{
const std::vector<ButtonDesign>& AllButtons()
{
    using L = QStringList;
    static const std::vector<ButtonDesign> buttons = {
        // Question pages, right column.
        {.name = "Next",
         .control = IDC_NEXT,
         .caption = L{"Next"},
         .icon = Icon::ChevronRight,
         .iconAfter = true,
         .iconSize = 9},
        {.name = "Previous",
         .control = IDC_PREVIOUS,
         .caption = L{"Previous"},
         .icon = Icon::ChevronLeft,
         .iconSize = 9,
         .inset = QMargins(0, 0, 4, 0),
         .backdrop = PageTest},
        {.name = "Flag",
         .control = IDC_FLAG,
         .caption = L{"Flag"},
         .icon = Icon::Flag,
         .iconSize = 12,
         .maxPx = 14},
        {.name = "Last Flagged",
         .control = IDC_LAST_FLAGGED,
         .caption = L{"Last", "Flagged"},
         .maxPx = 12,
         .lineFactor = 1.08},
        {.name = "Next Flagged",
         .control = IDC_NEXT_FLAGGED,
         .caption = L{"Next", "Flagged"},
         .maxPx = 12,
         .lineFactor = 1.08},
        {.name = "Next Unanswered",
         .control = IDC_NEXT_UNANSWERED,
         .caption = L{"Next Unanswered"},
         .maxPx = 12},
        {.name = "Last Unanswered",
         .control = IDC_LAST_UNANSWERED,
         .caption = L{"Last Unanswered"},
         .maxPx = 12},
        {.name = "EXIT (question pages)",
         .control = IDC_EXIT,
         .caption = L{"EXIT"},
         .tone = Tone::Burgundy,
         .maxPx = 13},
        {.name = "HINT",
         .control = IDC_HINT,
         .caption = L{"H", "I", "N", "T"},
         .tone = Tone::Teal,
         .maxPx = 16,
         .lineFactor = 0.93,
         .inset = QMargins(0, 0, 0, 4),
         .backdrop = PageQuiz},
        {.name = "Play Topic",
         .control = IDC_PLAY_TOPIC,
         .caption = L{"Play Topic"},
         .icon = Icon::Play,
         .iconSize = 20,
         .tone = Tone::Teal,
         .maxPx = 16,
         .inset = QMargins(0, 0, 0, 4),
         .backdrop = PageReview},
        // Results page, left column.
        {.name = "Review",
         .control = IDC_REVIEW,
         .caption = L{"Review"},
         .icon = Icon::Magnifier,
         .iconSize = 30,
         .maxPx = 19},
        {.name = "Retake",
         .control = IDC_RETAKE,
         .caption = L{"Retake"},
         .icon = Icon::Retake,
         .iconSize = 19,
         .maxPx = 17},
        {.name = "Print",
         .control = IDC_PRINT,
         .caption = L{"Print"},
         .icon = Icon::Printer,
         .iconSize = 21,
         .maxPx = 17},
        {.name = "E-Mail",
         .control = IDC_EMAIL,
         .caption = L{"E-Mail"},
         .icon = Icon::Envelope,
         .iconSize = 20,
         .maxPx = 17},
        {.name = "Compare Previous",
         .control = IDC_COMPARE_PREVIOUS,
         .caption = L{"Compare", "Previous"},
         .icon = Icon::Bars,
         .iconSize = 22,
         .maxPx = 16},
        {.name = "Compare National",
         .control = IDC_COMPARE_NATIONAL,
         .caption = L{"Compare", "National"},
         .icon = Icon::Globe,
         .iconSize = 24,
         .maxPx = 16},
        {.name = "EXIT (results)",
         .control = IDC_EXIT_RESULTS,
         .caption = L{"EXIT"},
         .tone = Tone::Burgundy,
         .maxPx = 15},
        // Login page.
        {.name = "Login Next",
         .control = IDC_LOGIN_NEXT,
         .caption = L{"Next"},
         .icon = Icon::ChevronRight,
         .iconAfter = true,
         .iconSize = 9},
        // Prompt, password and e-mail dialogs.
        {.name = "OK", .control = quillet::skin::kDialogOk, .caption = L{"OK"}, .maxPx = 16},
        {.name = "Cancel", .control = quillet::skin::kDialogCancel, .caption = L{"Cancel"}, .maxPx = 16},
    };
    return buttons;
}

namespace
{
struct ToneColours
{
    QColor top;
    QColor bottom;
    QColor border;
};

ToneColours ColoursOf(Tone tone)
{
    switch (tone)
    {
    case Tone::Teal:
        return {QColor(0x3f, 0xae, 0xa0), QColor(0x17, 0x63, 0x5c), QColor(0x06, 0x26, 0x23)};
    case Tone::Burgundy:
        return {QColor(0xb8, 0x4f, 0x4c), QColor(0x6c, 0x1d, 0x20), QColor(0x26, 0x08, 0x0a)};
    case Tone::Navy:
        break;
    }
    return {QColor(0x4f, 0x80, 0xb0), QColor(0x1c, 0x36, 0x5a), theme::kNavyInk};
}

void Frame(QPainter& p, const QRect& r, const QColor& c)
{
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), c);
    p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), c);
}

void PaintFace(QPainter& p, const QRect& r, Tone tone, FaceState state)
{
    const ToneColours t = ColoursOf(tone);
    p.fillRect(r, t.border);
    const QRect in = r.adjusted(1, 1, -1, -1);
    QLinearGradient face(0, in.top(), 0, in.bottom() + 1);
    if (state == FaceState::Pressed)
    {
        face.setColorAt(0, t.bottom.darker(140));
        face.setColorAt(1, Mix(t.top, t.bottom, 0.65).darker(112));
    }
    else
    {
        face.setColorAt(0, t.top);
        face.setColorAt(1, t.bottom);
    }
    p.fillRect(in, face);

    if (state == FaceState::Pressed)
    {
        // Pushed in: the light comes from the top left, so the inside of
        // the top and left edges falls into shadow.
        const int top[] = {130, 70, 30};
        for (int i = 0; i < 3; ++i)
            p.fillRect(QRect(in.left(), in.top() + i, in.width(), 1), QColor(0, 0, 0, top[i]));
        const int left[] = {90, 40};
        for (int i = 0; i < 2; ++i)
            p.fillRect(QRect(in.left() + i, in.top() + 3, 1, in.height() - 3), QColor(0, 0, 0, left[i]));
        return;
    }

    // Raised: a sheen on the upper half and a lit top-left edge.
    QLinearGradient sheen(0, in.top(), 0, in.center().y() + 1);
    sheen.setColorAt(0, QColor(255, 255, 255, 46));
    sheen.setColorAt(1, QColor(255, 255, 255, 8));
    p.fillRect(QRect(in.left(), in.top(), in.width(), in.height() / 2), sheen);
    p.fillRect(QRect(in.left(), in.top(), in.width(), 1), QColor(255, 255, 255, 110));
    p.fillRect(QRect(in.left(), in.top() + 1, 1, in.height() - 1), QColor(255, 255, 255, 50));
    p.fillRect(QRect(in.left() + 1, in.bottom(), in.width() - 1, 1), QColor(0, 0, 0, 80));
    p.fillRect(QRect(in.right(), in.top() + 1, 1, in.height() - 2), QColor(0, 0, 0, 50));

    if (state == FaceState::Focused)
    {
        // The focus ring: two pixels of gold inside the border, and a faint
        // glow inside that.
        Frame(p, in, theme::kGold);
        Frame(p, in.adjusted(1, 1, -1, -1), theme::kGold);
        Frame(p, in.adjusted(2, 2, -2, -2), WithAlpha(theme::kGoldPale, 90));
    }
}
}

namespace
{
const ButtonDesign* DesignOf(int control)
{
    for (const ButtonDesign& design : AllButtons())
        if (design.control == control)
            return &design;
    return nullptr;
}

// The page picture, drawn once a scale for all the faces that show it.
const QImage& Backdrop(int page, int scale)
{
    static std::map<std::pair<int, int>, QImage> drawn;
    auto [at, added] = drawn.try_emplace({page, scale});
    if (added)
        at->second = page == PageQuiz     ? DrawQuestionPage(QuestionPage::Quiz, scale)
                     : page == PageReview ? DrawQuestionPage(QuestionPage::Review, scale)
                                          : DrawQuestionPage(QuestionPage::Test, scale);
    return at->second;
}
}

QRect FaceOnPage(int control)
{
    const ButtonDesign* design = DesignOf(control);
    return FromControl(control).marginsRemoved(design ? design->inset : QMargins());
}

const quillet::skin::ButtonFaces& FacesOf(const ButtonDesign& design)
{
    return *quillet::skin::FacesOf(design.control);
}

QImage DrawButton(const ButtonDesign& design, FaceState state, int scale)
{
    const quillet::skin::ButtonFaces& faces = FacesOf(design);
    QImage image = Canvas(faces.width, faces.height, scale, theme::kColumn);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    if (design.backdrop >= 0)
    {
        const QRect behind = FromControl(design.control);
        QImage piece =
            Backdrop(design.backdrop, scale).copy(QRect(behind.topLeft() * scale, behind.size() * scale));
        piece.setDevicePixelRatio(scale);
        p.drawImage(QPoint(0, 0), piece);
    }
    const QRect face = QRect(0, 0, faces.width, faces.height).marginsRemoved(design.inset);
    const int faceHeight = face.height();
    PaintFace(p, face, design.tone, state);

    // Captions keep clear of the focus ring so that no state clips them.
    const qreal padX = faceHeight <= 24 || faces.width < 60 ? 5 : 6;
    const qreal padY = faceHeight <= 24 ? 3 : 4;
    const QRectF content = QRectF(face).adjusted(padX, padY, -padX, -padY);
    const qreal icon = design.icon == Icon::None ? 0 : design.iconSize;
    const qreal gap = icon > 0 ? std::max(4.0, icon * 0.3) : 0;
    QRectF textBox =
        content.adjusted(design.iconAfter ? 0 : icon + gap, 0, design.iconAfter ? -(icon + gap) : 0, 0);
    TextBlock text = FitText(Sans(design.maxPx), design.caption, textBox, design.maxPx, 9, design.lineFactor);

    // Centre icon and caption together as one group.
    const qreal textWidth = BlockWidth(text);
    const qreal group = icon + gap + textWidth;
    const qreal left = std::round(content.center().x() - group / 2);
    const qreal textLeft = design.iconAfter ? left : left + icon + gap;
    const qreal shift = std::round(textLeft + textWidth / 2 - textBox.center().x());
    for (QPointF& at : text.baselines)
        at.rx() += shift;

    const QPointF pushed = state == FaceState::Pressed ? QPointF(1, 1) : QPointF(0, 0);
    const QColor ink = state == FaceState::Pressed ? QColor(0xe4, 0xea, 0xf2) : QColor(Qt::white);
    if (icon > 0)
    {
        const qreal x = design.iconAfter ? left + textWidth + gap : left;
        const QRectF box(x, std::round(face.center().y() + 0.5 - icon / 2), icon, icon);
        DrawIcon(p, design.icon, box.translated(pushed + QPointF(1, 1)), QColor(0, 0, 0, 110));
        DrawIcon(p, design.icon, box.translated(pushed), ink);
    }
    DrawBlock(p, text, QColor(0, 0, 0, 150), pushed + QPointF(1, 1));
    DrawBlock(p, text, ink, pushed);
    return image;
}
}
