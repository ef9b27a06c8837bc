// The skin on a screen of more than one device pixel to a pixel: run with
// QT_SCALE_FACTOR set (2, then 1.5), the window and its boxes must draw from
// the skin's drawing at twice the size, copied one to one at 2 and smoothly
// resampled at 1.5, never the small drawing blown up in blocks.
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

#include "WindowTestSupport.h"
#include "skin/MessageDlgs.h"
#include "skin/SkinKit.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/QuilletDlg.h"

using namespace quillet::skin;

namespace
{
QImage Rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// Mean difference per channel, 0 to 255, of two pictures of one size.
double Distance(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
        {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// `area` (in pixels) of bitmap `id` as the screen would show it at `ratio`:
// from the large drawing resampled smoothly, or from the small one blown up
// pixel by pixel as Qt does by itself.
QImage Expected(int id, const QRect& area, qreal ratio, bool large)
{
    const int from = large ? 2 : 1;
    const QImage source =
        Rgb(LoadSkinBitmap(id, from)).copy(QRect(area.topLeft() * from, area.size() * from));
    const QSize size(qRound(area.width() * ratio), qRound(area.height() * ratio));
    return source.scaled(size, Qt::IgnoreAspectRatio,
                         large ? Qt::SmoothTransformation : Qt::FastTransformation);
}

struct Match
{
    double large = 255; // how far from the large drawing
    double small = 255; // how far from the small one blown up
};

// How close `shown` comes to the nearest of `ids`, both ways.
Match Compare(const QImage& shown, std::initializer_list<int> ids, const QRect& area, qreal ratio)
{
    Match best;
    for (const int id : ids)
    {
        best.large = std::min(best.large, Distance(shown, Expected(id, area, ratio, true)));
        best.small = std::min(best.small, Distance(shown, Expected(id, area, ratio, false)));
    }
    return best;
}

QImage Grab(QWidget& widget)
{
    return Rgb(widget.grab().toImage());
}
}

class HighDpiTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_records;
    qreal m_ratio = 1;

    std::unique_ptr<CQuilletDlg> Window() const
    {
        return windowtest::WindowOn(QFile::encodeName(m_records.filePath(kRecordFileName)).toStdString());
    }

    // At 2 the large drawing itself; at 1.5 nearer to it than to the small
    // one blown up, by a margin that blocky or half-sized pictures miss.
    void Verify(const Match& match, const QString& what) const
    {
        if (m_ratio == 2)
            QVERIFY2(match.large == 0, qPrintable(what + QStringLiteral(": %1").arg(match.large)));
        else
            QVERIFY2(match.large < 4 && match.large * 2 < match.small,
                     qPrintable(what + QStringLiteral(": %1 from the large drawing, %2 from the small one")
                                           .arg(match.large)
                                           .arg(match.small)));
    }

  private slots:
    void initTestCase()
    {
        m_ratio = Window()->devicePixelRatio();
        QVERIFY2(m_ratio > 1, "run with QT_SCALE_FACTOR above 1");
    }

    void buttonsShowTheLargeFaces_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("button");
        QTest::newRow("window, Next") << "window"
                                      << "control1020";
        QTest::newRow("prompt, OK") << "prompt"
                                    << "okButton";
        QTest::newRow("prompt, Cancel") << "prompt"
                                        << "cancelButton";
        QTest::newRow("password, OK") << "password"
                                      << "okButton";
        QTest::newRow("busy, Cancel") << "busy"
                                      << "cancelButton";
    }
    void buttonsShowTheLargeFaces()
    {
        QFETCH(QString, box);
        QFETCH(QString, button);
        std::unique_ptr<QWidget> shown;
        if (box == "window")
        {
            auto window = Window();
            window->OnInitDialog();
            shown = std::move(window);
        }
        else if (box == "prompt")
            shown = std::make_unique<CPromptDlg>();
        else if (box == "password")
            shown = std::make_unique<CConfirmPasswordDlg>();
        else
            shown = std::make_unique<CBusyDlg>();
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        auto* skinButton = shown->findChild<CSkinButton*>(button);
        QVERIFY(skinButton);
        const ButtonFaces* faces = FacesOf(skinButton->Id());
        QVERIFY(faces);
        Verify(Compare(Grab(*skinButton), {faces->normal, faces->focused, faces->pressed},
                       QRect(0, 0, faces->width, faces->height), m_ratio),
               box + QLatin1Char(' ') + button);
    }

    void pageShowsTheLargeBackground()
    {
        const auto window = Window();
        window->OnInitDialog();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* surface = window->findChild<QWidget*>(QStringLiteral("pageSurface"));
        QVERIFY(surface);
        // The program's name and emblem: sharp edges, and no control over them.
        const QRect client(20, 20, 300, 100);
        const QRect shownArea(client.topLeft() * m_ratio, client.size() * m_ratio);
        const QRect inBitmap = client.translated(-kBackgroundX, -kBackgroundY);
        Verify(Compare(Grab(*surface).copy(shownArea), {BackgroundOf(PageLogin)}, inBitmap, m_ratio),
               QStringLiteral("login page"));
    }
};

QTEST_MAIN(HighDpiTest)
#include "HighDpiTest.moc"
