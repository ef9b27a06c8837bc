// The artwork against the layout: every place where the program writes or
// puts a control lies inside the frame the artwork draws for it, on pixels
// the window shows, and no button face is larger than its control; in the
// skin's own size and in its drawing at twice the size.
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QtTest>

#include "skin/MessageDlgs.h"
#include "skin/SkinCatalogue.h"
#include "skin/SkinKit.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/EmailAddressDlg.h"
#include "testwin/PagePainter.h"

using namespace quillet::skin;

namespace
{
QRect ClientRect(int id)
{
    return ToQRect(ControlOf(id).rect);
}

// What a window shows, at `scale` device pixels to a client pixel.
struct Surface
{
    QImage image;
    int scale = 1;
};

// The surface below the menu bar as the window paints it: the page, and on
// the question pages the question panel where its control is.
Surface Shown(int scale, int page, int panel = 0)
{
    QImage shown(kSurfaceWidth * scale, kSurfaceHeight * scale, QImage::Format_RGB32);
    shown.setDevicePixelRatio(scale);
    shown.fill(Qt::black);
    QPainter painter(&shown);
    BlitBitmap(painter, BackgroundOf(page), QPoint(kBackgroundX, kBackgroundY));
    if (panel)
        BlitBitmap(painter, panel, ClientRect(IDC_QUESTION).topLeft());
    return {shown, scale};
}

// A skinned dialog as it paints itself at `scale`.
Surface Rendered(QWidget& dialog, int scale)
{
    QImage shown(dialog.size() * scale, QImage::Format_RGB32);
    shown.setDevicePixelRatio(scale);
    dialog.render(&shown);
    return {shown, scale};
}

void AddScales()
{
    QTest::addColumn<int>("scale");
    for (const int scale : {1, 2})
        QTest::addRow("scale %d", scale) << scale;
}

bool IsFrame(QRgb pixel, const QList<QColor>& frame)
{
    return std::ranges::any_of(frame,
                               [pixel](const QColor& c)
                               {
                                   return std::abs(qRed(pixel) - c.red()) <= 20 &&
                                          std::abs(qGreen(pixel) - c.green()) <= 20 &&
                                          std::abs(qBlue(pixel) - c.blue()) <= 20;
                               });
}

// What keeps `client` from lying inside a frame of the colours `frame`: from
// every pixel just outside its edges, walking outward over shown pixels, a
// frame pixel must come within `reach` client pixels; a text, which the
// program draws without a background, must not have one on its own edges
// either.
QString NotInside(const Surface& surface, const QRect& client, const QList<QColor>& frame, int reach,
                  bool text)
{
    const QImage& shown = surface.image;
    const QRect r(client.topLeft() * surface.scale, client.size() * surface.scale);
    reach *= surface.scale;
    struct Side
    {
        QPoint from, along, out;
        int length;
    };
    const Side sides[] = {
        {r.topLeft(), {1, 0}, {0, -1}, r.width()},
        {r.bottomLeft(), {1, 0}, {0, 1}, r.width()},
        {r.topLeft(), {0, 1}, {-1, 0}, r.height()},
        {r.topRight(), {0, 1}, {1, 0}, r.height()},
    };
    for (const Side& side : sides)
        for (int i = 0; i < side.length; ++i)
        {
            const QPoint edge = side.from + side.along * i;
            if (text && shown.rect().contains(edge) && IsFrame(shown.pixel(edge), frame))
                return QString("a frame pixel at (%1, %2) on the edge").arg(edge.x()).arg(edge.y());
            bool framed = false;
            for (int step = 1; step <= reach && !framed; ++step)
            {
                const QPoint at = edge + side.out * step;
                if (!shown.rect().contains(at))
                    break;
                framed = IsFrame(shown.pixel(at), frame);
            }
            if (!framed)
                return QString("no frame outward of (%1, %2)").arg(edge.x()).arg(edge.y());
        }
    return {};
}

// Theme colours of the frames, as the generator draws them.
const QColor kPanelEdge(0x0a, 0x16, 0x28);
const QColor kGoldEdge(0xb8, 0x8a, 0x2e);
const QColor kListEdge(0xb4, 0x9a, 0x62);
const QColor kListRule(0xea, 0xdf, 0xc6);
const QColor kLaneRule(0xe4, 0xd4, 0xae);
const QList<QColor> kSunken{{0x08, 0x12, 0x20}, {0x7d, 0x9c, 0xbf}, {0x0f, 0x20, 0x36}, {0x4e, 0x6f, 0x96}};
}

class ArtworkFitTest : public QObject
{
    Q_OBJECT

  private slots:
    void questionPagesFrameTheQuestionAnswersAndCounters_data()
    {
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("panel");
        for (const int scale : {1, 2})
            for (const int page : {PageTest, PageQuiz, PageReview})
                for (const int panel : {bitmap::kQuestionPanel, bitmap::kFlaggedPanel})
                    QTest::addRow("scale %d, page %d, panel %d", scale, page, panel)
                        << scale << page << panel;
    }
    void questionPagesFrameTheQuestionAnswersAndCounters()
    {
        QFETCH(int, scale);
        QFETCH(int, page);
        QFETCH(int, panel);
        const Surface shown = Shown(scale, page, panel);
        // Where the program writes the question inside its control.
        const QRect question = ClientRect(IDC_QUESTION).adjusted(15, 10, -15, -13);
        QCOMPARE(NotInside(shown, question, {kPanelEdge}, 16, true), QString());
        const QRect answers = ClientRect(IDC_ANSWER_A).united(ClientRect(IDC_ANSWER_D));
        QCOMPARE(NotInside(shown, answers, {kGoldEdge}, 6, false), QString());
        if (page != PageReview)
            for (const int id : {IDC_CLOCK, IDC_COMPLETE})
                QCOMPARE(NotInside(shown, ClientRect(id), kSunken, 3, false), QString());
    }

    void loginFieldsLieOnTheCard_data() { AddScales(); }
    void loginFieldsLieOnTheCard()
    {
        QFETCH(int, scale);
        const Surface shown = Shown(scale, PageLogin);
        for (const int id : {IDC_USER_NAME, IDC_PASSWORD})
            QCOMPARE(NotInside(shown, ClientRect(id), {kGoldEdge}, 150, false), QString());
    }

    void resultsPageHoldsEveryRowAndTheGrade_data() { AddScales(); }
    void resultsPageHoldsEveryRowAndTheGrade()
    {
        QFETCH(int, scale);
        const Surface shown = Shown(scale, PageResults);
        namespace r = results;
        const QFontMetrics list(MakeFont("Courier", 14));
        for (int y = r::kListTop; y < r::kListBottom; y += r::kListStep)
        {
            // Each marker in its lane, between the row's rules.
            const QList<QColor> lanes{kListEdge, kListRule, kLaneRule};
            QCOMPARE(NotInside(shown, QRect(r::kRightMarkerX, y, 26, 16), lanes, 13, false), QString());
            QCOMPARE(NotInside(shown, QRect(r::kWrongMarkerX, y, 26, 16), lanes, 13, false), QString());
            const QRect text = ToQRect(r::kListText).translated(0, y);
            const QRect line(text.left(), text.top() + (text.height() - list.height()) / 2, text.width(),
                             list.height());
            QCOMPARE(NotInside(shown, line, lanes, 10, true), QString());
        }
        QCOMPARE(NotInside(shown, ToQRect(r::kGradeSentence), {kGoldEdge}, 80, true), QString());
        const QFontMetrics big(MakeFont("Times New Roman", 60));
        for (const char* letter : {"A+", "A", "B", "C"})
        {
            const QRect drawn(r::kGradeLetterX, r::kGradeLetterY, big.horizontalAdvance(letter),
                              big.height());
            QCOMPARE(NotInside(shown, drawn, {kGoldEdge}, 80, true), QString());
        }
    }

    // Whatever the score, the grade sentence is whole inside its box, for
    // a short name and for a long one, which is set smaller.
    void gradeSentenceFitsItsBoxAtEveryScore()
    {
        const QRect box = ToQRect(results::kGradeSentence);
        for (const std::string name : {"Ann", "Christopher", "Maximiliane-Alexandra"})
            for (int percent = 0; percent <= 100; ++percent)
            {
                const QString sentence = CPagePainter::GradeSentenceFor(name, quillet::GradeFor(percent));
                QCOMPARE(sentence.isEmpty(), percent < 70);
                const QRect drawn = QFontMetrics(CPagePainter::GradeSentenceFont(sentence))
                                        .boundingRect(box, Qt::AlignLeft | Qt::AlignTop, sentence);
                QVERIFY2(box.contains(drawn),
                         qPrintable(QString("%1 at %2%: %3").arg(sentence).arg(percent).arg(drawn.width())));
            }
    }

    void dialogControlsLieInsideTheirFrames_data() { AddScales(); }
    void dialogControlsLieInsideTheirFrames()
    {
        QFETCH(int, scale);
        CPromptDlg prompt;
        CConfirmPasswordDlg confirm;
        CEmailAddressDlg address;
        CBusyDlg busy;
        for (QWidget* dialog : std::initializer_list<QWidget*>{&prompt, &confirm, &address, &busy})
        {
            const Surface shown = Rendered(*dialog, scale);
            for (QWidget* control : dialog->findChildren<QWidget*>())
                if (qobject_cast<CSkinButton*>(control) || qobject_cast<QLineEdit*>(control))
                    QVERIFY2(
                        NotInside(shown, control->geometry(), {Qt::black, QColor(128, 128, 128)}, 200, false)
                            .isEmpty(),
                        qPrintable(dialog->objectName() + " " + control->objectName()));
        }
    }

    void noButtonFaceIsLargerThanItsControl()
    {
        for (const ButtonFaces& faces : kButtonFaces)
        {
            const QRect control = faces.id == kDialogOk       ? ToQRect(kPromptButtons[0].rect)
                                  : faces.id == kDialogCancel ? ToQRect(kPromptButtons[1].rect)
                                                              : ClientRect(faces.id);
            QVERIFY2(faces.width <= control.width() && faces.height <= control.height(),
                     qPrintable(QString::number(faces.id)));
            QCOMPARE(LoadSkinBitmap(faces.normal).size(), QSize(faces.width, faces.height));
            const QImage twice = LoadSkinBitmap(faces.normal, 2);
            QCOMPARE(twice.size(), QSize(faces.width, faces.height) * 2);
            QCOMPARE(twice.deviceIndependentSize(), QSizeF(faces.width, faces.height));
        }
    }
};

QTEST_MAIN(ArtworkFitTest)
#include "ArtworkFitTest.moc"
