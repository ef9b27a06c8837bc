#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "ModalRunner.h"
#include "platform/Text.h"
#include "skin/MessageDlgs.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/EmailAddressDlg.h"

namespace
{
using quillet::skin::BitmapSize;

// Every bitmap the windows paint, at the size its painter relies on: the
// pictures, and the three faces of every button.
std::vector<BitmapSize> AllBitmaps()
{
    std::vector<BitmapSize> all(std::begin(quillet::skin::kPictures), std::end(quillet::skin::kPictures));
    for (const quillet::skin::ButtonFaces& f : quillet::skin::kButtonFaces)
        for (const int id : {f.pressed, f.focused, f.normal})
            all.push_back({id, f.width, f.height});
    return all;
}

QImage Render(QWidget& widget)
{
    widget.show();
    QApplication::processEvents();
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether every pixel of `area` shows the tile repeated from the origin.
bool ShowsOnlyTile(const QImage& image, const QRect& area, int tileId)
{
    const QImage tile = LoadSkinBitmap(tileId).convertToFormat(QImage::Format_RGB32);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != tile.pixel(x % tile.width(), y % tile.height()))
                return false;
    return true;
}

CSkinButton* Button(QWidget& dialog, const char* name)
{
    return dialog.findChild<CSkinButton*>(QString::fromLatin1(name));
}
}

class SkinTest : public QObject
{
    Q_OBJECT
  private slots:
    void everyBitmapLoadsAtItsSizeAsEightBitsOfOneSharedTable()
    {
        const QList<QRgb> table = LoadSkinBitmap(quillet::skin::bitmap::kLoginPage).colorTable();
        QCOMPARE(table.size(), 256);
        QSet<int> ids;
        for (const BitmapSize& b : AllBitmaps())
        {
            QVERIFY2(!ids.contains(b.id), qPrintable(QStringLiteral("bitmap %1 is listed twice").arg(b.id)));
            ids.insert(b.id);
            const QImage image = LoadSkinBitmap(b.id);
            QVERIFY2(!image.isNull(), qPrintable(QString::number(b.id)));
            QCOMPARE(image.size(), QSize(b.width, b.height));
            QCOMPARE(image.format(), QImage::Format_Indexed8);
            QCOMPARE(image.colorTable(), table);
        }
        QVERIFY(LoadSkinBitmap(999).isNull());
    }

    void threeFacesOfEveryButtonDiffer()
    {
        for (const quillet::skin::ButtonFaces& faces : quillet::skin::kButtonFaces)
        {
            const QImage pressed = LoadSkinBitmap(faces.pressed);
            const QImage focused = LoadSkinBitmap(faces.focused);
            const QImage normal = LoadSkinBitmap(faces.normal);
            QVERIFY2(pressed != focused && focused != normal && pressed != normal,
                     qPrintable(QString::number(faces.normal)));
        }
    }

    void messageBoxClosesOnClickEnterAndSpaceWithOkAndOnEscapeWithCancel_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("click") << 0 << IDOK;
        QTest::newRow("enter") << int(Qt::Key_Return) << IDOK;
        QTest::newRow("space") << int(Qt::Key_Space) << IDOK;
        QTest::newRow("escape") << int(Qt::Key_Escape) << IDCANCEL;
    }
    void messageBoxClosesOnClickEnterAndSpaceWithOkAndOnEscapeWithCancel()
    {
        QFETCH(int, key);
        QFETCH(int, answer);
        for (int kind = 0; kind < 3; ++kind)
        {
            std::unique_ptr<CSkinDialog> dialog;
            if (kind == 0)
                dialog = std::make_unique<CMessageDlg>();
            else if (kind == 1)
                dialog = std::make_unique<CAlertDlg>();
            else
                dialog = std::make_unique<CAboutDlg>();
            const int got = RunModal(*dialog,
                                     [key](QWidget& box)
                                     {
                                         CSkinButton* ok = Button(box, "okButton");
                                         if (key == 0)
                                             QTest::mouseClick(ok, Qt::LeftButton, {},
                                                               QPoint(ok->width() - 3, ok->height() - 3));
                                         else
                                             QTest::keyClick(ok, Qt::Key(key));
                                     });
            QCOMPARE(got, answer);
        }
    }

    void messageWithoutTextDrawsNoHintLine()
    {
        CMessageDlg empty;
        empty.m_strFace = "Arial";
        empty.m_nHeight = 22;
        empty.m_nBackground = 1;
        const QRect hintLine(20, 170, 360, 22);
        QVERIFY(ShowsOnlyTile(Render(empty), hintLine, 194));

        CMessageDlg hinted;
        hinted.m_strFace = "Arial";
        hinted.m_nHeight = 22;
        hinted.m_strText = "A hint";
        QVERIFY(!ShowsOnlyTile(Render(hinted), hintLine, 194));
    }

    void promptTextStartingWithLineBreakLeavesTheFirstLineEmpty()
    {
        CPromptDlg prompt;
        prompt.m_strText = "\nPrint Results?";
        const QImage image = Render(prompt);
        QVERIFY(ShowsOnlyTile(image, QRect(10, 4, 280, 24), 196));
        QVERIFY(!ShowsOnlyTile(image, QRect(10, 34, 280, 24), 196));
    }

    void promptAnswersOkOrCancelAndTabMovesTheFocusFace()
    {
        CPromptDlg prompt;
        prompt.m_strText = "Grade?";
        Render(prompt);
        QApplication::setActiveWindow(&prompt);
        QVERIFY(QTest::qWaitForWindowActive(&prompt));
        // The first button has the focus, and shows the focus face.
        QVERIFY(Button(prompt, "okButton")->hasFocus());
        const QImage first = prompt.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(first.copy(20, 100, 100, 30), LoadSkinBitmap(224).convertToFormat(QImage::Format_RGB32));
        QTest::keyClick(&prompt, Qt::Key_Tab);
        QVERIFY(Button(prompt, "cancelButton")->hasFocus());
        const QImage tabbed = prompt.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(tabbed.copy(180, 100, 100, 30), LoadSkinBitmap(219).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(tabbed.copy(20, 100, 100, 30), LoadSkinBitmap(225).convertToFormat(QImage::Format_RGB32));
        prompt.hide();

        const auto clickOn = [](const char* name)
        { return [name](QWidget& box) { QTest::mouseClick(Button(box, name), Qt::LeftButton); }; };
        QCOMPARE(RunModal(prompt, clickOn("okButton")), IDOK);
        QCOMPARE(RunModal(prompt, clickOn("cancelButton")), IDCANCEL);
        QCOMPARE(RunModal(prompt, [](QWidget& box) { QTest::keyClick(&box, Qt::Key_Escape); }), IDCANCEL);
    }

    void typedTextComesBackOnlyOnOk_data()
    {
        QTest::addColumn<bool>("password");
        QTest::addColumn<QString>("finish");
        for (const bool password : {true, false})
        {
            const char* dialog = password ? "confirm" : "address";
            QTest::newRow(qPrintable(QString::fromLatin1(dialog) + "-ok")) << password << "okButton";
            QTest::newRow(qPrintable(QString::fromLatin1(dialog) + "-enter")) << password << "enter";
            QTest::newRow(qPrintable(QString::fromLatin1(dialog) + "-cancel")) << password << "cancelButton";
            QTest::newRow(qPrintable(QString::fromLatin1(dialog) + "-escape")) << password << "escape";
        }
    }
    void typedTextComesBackOnlyOnOk()
    {
        QFETCH(bool, password);
        QFETCH(QString, finish);
        const bool accepted = finish == "okButton" || finish == "enter";
        bool editHadFocus = false;
        const auto act = [finish, &editHadFocus](QWidget& box)
        {
            auto* edit = box.findChild<QLineEdit*>();
            editHadFocus = edit->hasFocus();
            QTest::keyClicks(edit, QStringLiteral("pass word"));
            edit->setCursorPosition(1);
            edit->insert(QStringLiteral("\u00e4"));
            if (finish == "enter")
                QTest::keyClick(edit, Qt::Key_Return);
            else if (finish == "escape")
                QTest::keyClick(edit, Qt::Key_Escape);
            else
                QTest::mouseClick(Button(box, qPrintable(finish)), Qt::LeftButton);
        };
        const std::string typed = "p\xc3\xa4"
                                  "ass word";
        if (password)
        {
            CConfirmPasswordDlg dialog;
            QCOMPARE(RunModal(dialog, act), accepted ? IDOK : IDCANCEL);
            QCOMPARE(QString::fromStdString(dialog.m_strConfirm),
                     QString::fromStdString(accepted ? typed : std::string()));
            QCOMPARE(dialog.findChild<QLineEdit*>()->echoMode(), QLineEdit::Password);
        }
        else
        {
            CEmailAddressDlg dialog;
            QCOMPARE(RunModal(dialog, act), accepted ? IDOK : IDCANCEL);
            QCOMPARE(QString::fromStdString(dialog.m_strAddress),
                     QString::fromStdString(accepted ? typed : std::string()));
        }
        QVERIFY(editHadFocus);
    }

    void windowsOnOldSystemsBytesAreReadAsWindows1252()
    {
        QCOMPARE(quillet::skin::FromBytes("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
        QCOMPARE(quillet::skin::FromBytes("caf\xe9 \x93q\x94"), QStringLiteral("caf\u00e9 \u201cq\u201d"));
        // Mixed bytes read as the e-mail reads them: each byte on its own.
        const std::string mixed = "caf\xc3\xa9 \x93q\x94";
        QCOMPARE(quillet::skin::FromBytes(mixed), QStringLiteral("caf\u00e9 \u201cq\u201d"));
        QCOMPARE(quillet::skin::FromBytes(mixed), QString::fromStdString(quillet::TextToUtf8(mixed)));
    }

    void textsPastTheLimitAreShownCutBetweenCharacters()
    {
        const QString ellipsis = QStringLiteral("\u2026");
        const std::string euro = "\xe2\x82\xac"; // three bytes
        const std::string limit(quillet::kShownTextLimit, 'x');
        QCOMPARE(quillet::skin::FromBytes(limit), QString::fromStdString(limit));
        QCOMPARE(quillet::skin::FromBytes(limit + "y"), QString::fromStdString(limit) + ellipsis);
        // A sequence across the limit is left out whole, never shown half.
        const std::string across = std::string(quillet::kShownTextLimit - 1, 'x') + euro;
        QCOMPARE(quillet::skin::FromBytes(across), QString(quillet::kShownTextLimit - 1, 'x') + ellipsis);
        // A line as long as a bank can hold is shown by its start only.
        QCOMPARE(quillet::skin::FromBytes(std::string(50'000'000, 'q')).size(),
                 qsizetype(quillet::kShownTextLimit + 1));
    }
};

QTEST_MAIN(SkinTest)
#include "SkinTest.moc"
