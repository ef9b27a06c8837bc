// quillet-skingen: draws every skin bitmap and writes them as 8-bit BMPs
// sharing one colour table, with the resource file that compiles them in.
// Each is drawn twice: ID.bmp at its own size, and ID@2x.bmp at twice the
// size for screens of more than one device pixel to a pixel (Qt reads the
// ratio from the name). The table is fitted to the first set only, so that
// adding the second changed none of its bytes.
//
//   quillet-skingen OUTDIR                      bitmaps and OUTDIR/skin.qrc
//   quillet-skingen --contact-sheet FILE.png    all bitmaps on one sheet
//   quillet-skingen --icon SIZE FILE.png        the menu entry's icon, SIZE pixels square
//
// Any of them may be given at once, --icon more than once. Output depends
// only on the code and the installed fonts: the same build writes the same
// bytes.

#include "Artwork.h"
#include "ContactSheet.h"
#include "Indexed.h"
#include "Paint.h"
#include "Theme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>

#include <cstdio>
#include <exception>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace
{
using namespace skingen;

void Fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        Fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

// A different fallback font would change every caption, so insist.
void RequireFonts()
{
    for (const QFont& font : {Sans(12), Serif(12)})
    {
        const QString got = QFontInfo(font).family();
        if (got != font.family())
            Fail(QStringLiteral("font %1 is not installed (got %2); install fonts-liberation2")
                     .arg(font.family(), got));
    }
}

QString BitmapName(int id, int scale)
{
    return scale == 1 ? QStringLiteral("%1.bmp").arg(id) : QStringLiteral("%1@%2x.bmp").arg(id).arg(scale);
}

QByteArray ResourceFile(const std::map<int, QImage>& bitmaps, int scale)
{
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/skin\">\n";
    for (const int s : {1, scale})
        for (const auto& [id, image] : bitmaps)
            qrc += QStringLiteral("  <file alias=\"%1\">%1</file>\n").arg(BitmapName(id, s)).toUtf8();
    qrc += "  <file alias=\"icon.png\">icon.png</file>\n";
    qrc += "</qresource>\n</RCC>\n";
    return qrc;
}

// The window and application icon: the emblem on a transparent ground.
QByteArray IconPng(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal margin = size / 32.0;
        DrawEmblem(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!icon.save(&buffer, "PNG"))
        Fail(QStringLiteral("cannot encode the icon"));
    return bytes;
}

void WriteBitmaps(const QString& dir, const std::map<int, QImage>& bitmaps, int scale)
{
    if (!QDir().mkpath(dir))
        Fail(QStringLiteral("cannot create %1").arg(dir));
    for (const auto& [id, image] : bitmaps)
    {
        const QByteArray bytes = EncodeBmp8(image);
        const QString path = QDir(dir).filePath(BitmapName(id, scale));
        WriteFile(path, bytes);

        // Read it back: the header as written, and the pixels as Qt (and so
        // the program) will load them.
        QFile back(path);
        if (!back.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read back %1").arg(path));
        const QByteArray stored = back.readAll();
        if (const QString why = CheckBmp8(stored, image.size()); !why.isEmpty())
            Fail(QStringLiteral("%1: %2").arg(path, why));
        QImage loaded;
        if (!loaded.loadFromData(stored, "BMP") || loaded.format() != QImage::Format_Indexed8 ||
            loaded.colorTable() != image.colorTable() || loaded != image)
            Fail(QStringLiteral("%1 does not load back as written").arg(path));
    }
}

// Every bitmap of the catalogue drawn at `scale`, checked against its size.
std::vector<QImage> DrawAll(const std::vector<Bitmap>& catalogue, int scale)
{
    std::vector<QImage> art;
    for (const Bitmap& b : catalogue)
    {
        QImage image = b.draw(scale);
        if (image.size() != QSize(b.width, b.height) * scale)
            Fail(QStringLiteral("bitmap %1 came out %2 x %3 at scale %4, not %5 x %6")
                     .arg(b.id)
                     .arg(image.width())
                     .arg(image.height())
                     .arg(scale)
                     .arg(b.width * scale)
                     .arg(b.height * scale));
        art.push_back(std::move(image));
    }
    return art;
}

std::map<int, QImage> Reduce(const std::vector<Bitmap>& catalogue, const std::vector<QImage>& art,
                             const QList<QRgb>& table)
{
    std::map<int, QImage> finished;
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        finished[catalogue[i].id] = ToIndexed(art[i], table);
    return finished;
}

int Run(const QStringList& args)
{
    QString outDir;
    QString sheetPath;
    std::vector<std::pair<int, QString>> icons;
    bool understood = true;
    for (qsizetype i = 1; i < args.size() && understood; ++i)
    {
        if (args[i] == QLatin1String("--contact-sheet") && i + 1 < args.size() && sheetPath.isEmpty())
            sheetPath = args[++i];
        else if (args[i] == QLatin1String("--icon") && i + 2 < args.size())
        {
            const int size = args[++i].toInt();
            understood = size >= 16 && size <= 1024;
            icons.emplace_back(size, args[++i]);
        }
        else if (!args[i].startsWith(QLatin1Char('-')) && outDir.isEmpty())
            outDir = args[i];
        else
            understood = false;
    }
    if (!understood || (outDir.isEmpty() && sheetPath.isEmpty() && icons.empty()))
    {
        std::fprintf(stderr,
                     "usage: quillet-skingen OUTDIR\n       quillet-skingen --contact-sheet FILE.png\n"
                     "       quillet-skingen --icon SIZE FILE.png\n");
        return 2;
    }
    for (const auto& [size, path] : icons)
        WriteFile(path, IconPng(size));
    if (outDir.isEmpty() && sheetPath.isEmpty())
        return 0;

    RequireFonts();
    const std::vector<Bitmap> catalogue = Catalogue();
    std::set<int> ids;
    for (const Bitmap& b : catalogue)
        if (!ids.insert(b.id).second)
            Fail(QStringLiteral("bitmap %1 is listed twice").arg(b.id));

    const std::vector<QImage> art = DrawAll(catalogue, 1);
    const QList<QRgb> table = BuildSharedTable(art);
    const std::map<int, QImage> finished = Reduce(catalogue, art, table);

    if (!outDir.isEmpty())
    {
        constexpr int kHighScale = 2;
        WriteBitmaps(outDir, finished, 1);
        WriteBitmaps(outDir, Reduce(catalogue, DrawAll(catalogue, kHighScale), table), kHighScale);
        WriteFile(QDir(outDir).filePath(QStringLiteral("icon.png")), IconPng(128));
        WriteFile(QDir(outDir).filePath(QStringLiteral("skin.qrc")), ResourceFile(finished, kHighScale));
    }
    if (!sheetPath.isEmpty() && !ContactSheet(catalogue, finished).save(sheetPath, "PNG"))
        Fail(QStringLiteral("cannot write %1").arg(sheetPath));
    return 0;
}
}

int main(int argc, char* argv[])
{
    // Nothing is ever shown: draw without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try
    {
        return Run(QGuiApplication::arguments());
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "quillet-skingen: %s\n", e.what());
        return 1;
    }
}
