#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "ModalRunner.h"
#include "testwin/EmailAddressDlg.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "skin/MessageDlgs.h"

namespace
{
struct BitmapSize
{
    int id;
    int width;
    int height;
};

// Every bitmap the windows paint, at the size its painter relies on.
const BitmapSize kBitmaps[] = {
    {129, 630, 433}, {130, 630, 433}, {158, 630, 433}, {181, 630, 433}, {187, 630, 433}, {142, 26, 16},
    {163, 26, 16},   {228, 800, 600}, {217, 500, 300}, {194, 22, 18},   {135, 66, 90},   {196, 380, 200},
    {219, 100, 30},  {220, 100, 30},  {221, 100, 30},  {223, 100, 30},  {224, 100, 30},  {225, 100, 30},
    {186, 470, 97},  {188, 470, 97},  {182, 25, 25},   {183, 25, 25},   {184, 25, 25},   {185, 25, 25},
    {144, 129, 78},  {145, 129, 78},  {216, 129, 78},  {146, 127, 56},  {147, 127, 56},  {200, 127, 56},
    {148, 132, 36},  {149, 132, 36},  {201, 132, 36},  {150, 78, 31},   {151, 78, 31},   {202, 78, 31},
    {152, 131, 41},  {153, 131, 41},  {203, 131, 41},  {154, 127, 39},  {155, 127, 39},  {204, 127, 39},
    {156, 143, 65},  {157, 143, 65},  {205, 143, 65},  {159, 79, 29},   {160, 79, 29},   {206, 79, 29},
    {161, 40, 60},   {162, 40, 60},   {208, 40, 60},   {164, 105, 22},  {165, 105, 22},  {209, 105, 22},
    {166, 53, 38},   {167, 53, 38},   {210, 53, 38},   {168, 52, 38},   {169, 52, 38},   {211, 52, 38},
    {170, 104, 21},  {171, 104, 21},  {212, 104, 21},  {172, 50, 38},   {173, 50, 38},   {213, 50, 38},
    {174, 79, 29},   {175, 79, 29},   {214, 79, 29},   {176, 104, 21},  {177, 104, 21},  {215, 104, 21},
    {178, 89, 33},   {179, 89, 33},   {199, 89, 33},   {189, 132, 41},  {190, 132, 41},  {207, 132, 41},
};

// Pressed, focused and normal faces of every button.
const int kFaces[][3] = {{174, 214, 175}, {178, 199, 179}, {166, 210, 167}, {168, 211, 169}, {172, 213, 173},
                         {176, 215, 177}, {170, 212, 171}, {164, 209, 165}, {161, 208, 162}, {156, 205, 157},
                         {154, 204, 155}, {152, 203, 153}, {148, 201, 149}, {146, 200, 147}, {144, 216, 145},
                         {150, 202, 151}, {159, 206, 160}, {189, 207, 190}, {223, 224, 225}, {220, 219, 221}};

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
        const QList<QRgb> table = LoadSkinBitmap(181).colorTable();
        QCOMPARE(table.size(), 256);
        for (const BitmapSize& b : kBitmaps)
        {
            const QImage image = LoadSkinBitmap(b.id);
            QVERIFY2(!image.isNull(), qPrintable(QString::number(b.id)));
            QCOMPARE(image.size(), QSize(b.width, b.height));
            QCOMPARE(image.format(), QImage::Format_Indexed8);
            QCOMPARE(image.colorTable(), table);
        }
        QVERIFY(LoadSkinBitmap(999).isNull());
        QVERIFY(CreatePaletteFromBitmap(181) == nullptr);
    }

    void threeFacesOfEveryButtonDiffer()
    {
        for (const auto& faces : kFaces)
        {
            const QImage pressed = LoadSkinBitmap(faces[0]);
            const QImage focused = LoadSkinBitmap(faces[1]);
            const QImage normal = LoadSkinBitmap(faces[2]);
            QVERIFY2(pressed != focused && focused != normal && pressed != normal,
                     qPrintable(QString::number(faces[2])));
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
            const int got = RunModal(*dialog, [key](QWidget& box) {
                CSkinButton* ok = Button(box, "okButton");
                if (key == 0)
                    QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(ok->width() - 3, ok->height() - 3));
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

        const auto clickOn = [](const char* name) {
            return [name](QWidget& box) { QTest::mouseClick(Button(box, name), Qt::LeftButton); };
        };
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
        const auto act = [finish, &editHadFocus](QWidget& box) {
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
        const std::string typed = "p\xc3\xa4" "ass word";
        if (password)
        {
            CConfirmPasswordDlg dialog;
            QCOMPARE(RunModal(dialog, act), accepted ? IDOK : IDCANCEL);
            QCOMPARE(QString::fromStdString(dialog.m_strConfirm), QString::fromStdString(accepted ? typed : std::string()));
            QCOMPARE(dialog.findChild<QLineEdit*>()->echoMode(), QLineEdit::Password);
        }
        else
        {
            CEmailAddressDlg dialog;
            QCOMPARE(RunModal(dialog, act), accepted ? IDOK : IDCANCEL);
            QCOMPARE(QString::fromStdString(dialog.m_strAddress), QString::fromStdString(accepted ? typed : std::string()));
        }
        QVERIFY(editHadFocus);
    }

    void windowsOnOldSystemsBytesAreReadAsWindows1252()
    {
        QCOMPARE(quillet::skin::FromBytes("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
        QCOMPARE(quillet::skin::FromBytes("caf\xe9 \x93q\x94"), QStringLiteral("caf\u00e9 \u201cq\u201d"));
    }
};

QTEST_MAIN(SkinTest)
#include "SkinTest.moc"
