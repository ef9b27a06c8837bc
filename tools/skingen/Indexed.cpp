#include "Indexed.h"

#include "Theme.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>

namespace skingen
{
namespace
{
struct Rgb
{
    double r = 0;
    double g = 0;
    double b = 0;
};

// Green counts most, blue least, roughly as the eye weighs them.
double Distance(const Rgb& a, const Rgb& b)
{
    const double dr = a.r - b.r;
    const double dg = a.g - b.g;
    const double db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

Rgb FromQColor(const QColor& c)
{
    return {double(c.red()), double(c.green()), double(c.blue())};
}

Rgb FromRgb(QRgb c)
{
    return {double(qRed(c)), double(qGreen(c)), double(qBlue(c))};
}

// dark -> mid -> light in `count` steps.
void Ramp(std::vector<Rgb>& out, const QColor& dark, const QColor& mid, const QColor& light, int count)
{
    for (int i = 0; i < count; ++i)
    {
        const double t = count == 1 ? 0.5 : double(i) / (count - 1);
        const QColor c = t < 0.5 ? Mix(dark, mid, t * 2) : Mix(mid, light, (t - 0.5) * 2);
        out.push_back(FromQColor(c));
    }
}

std::vector<Rgb> FixedColours()
{
    using namespace theme;
    std::vector<Rgb> fixed;
    for (int i = 0; i < 16; ++i)
    {
        const double v = std::round(i * 255.0 / 15);
        fixed.push_back({v, v, v});
    }
    Ramp(fixed, QColor(0x05, 0x0d, 0x18), kNavy, QColor(0xe2, 0xea, 0xf3), 16);
    // Dense ramps along the large gradients (page backdrops, button faces,
    // paper), where a gap in the table would show as dots or bands.
    Ramp(fixed, QColor(0x10, 0x21, 0x37), QColor(0x20, 0x3e, 0x62), QColor(0x3a, 0x5d, 0x85), 12);
    Ramp(fixed, QColor(0x1c, 0x36, 0x5a), QColor(0x4f, 0x80, 0xb0), QColor(0x80, 0xa4, 0xc8), 12);
    Ramp(fixed, QColor(0x08, 0x2b, 0x27), kTeal, QColor(0xd6, 0xf0, 0xec), 10);
    Ramp(fixed, QColor(0x17, 0x63, 0x5c), QColor(0x3f, 0xae, 0xa0), QColor(0x80, 0xcf, 0xc5), 8);
    Ramp(fixed, QColor(0x6c, 0x1d, 0x20), QColor(0xb8, 0x4f, 0x4c), QColor(0xda, 0x8c, 0x89), 8);
    Ramp(fixed, QColor(0x3d, 0x2a, 0x06), kGold, QColor(0xff, 0xf4, 0xd2), 14);
    Ramp(fixed, QColor(0x33, 0x08, 0x06), kWrong, QColor(0xfb, 0xe2, 0xde), 8);
    Ramp(fixed, QColor(0x0a, 0x28, 0x16), kRight, QColor(0xdc, 0xf2, 0xe4), 8);
    Ramp(fixed, QColor(0x5a, 0x38, 0x18), QColor(0xb8, 0x88, 0x4f), QColor(0xf0, 0xdc, 0xb8), 14);
    Ramp(fixed, kParchmentDark, kParchment, QColor(0xff, 0xfd, 0xf7), 6);
    Ramp(fixed, kParchment, Mix(kParchment, kCream, 0.5), kCream, 10);
    // The flat surfaces, exactly, so that they never dither.
    for (const QColor& c : {kCream, kParchment, kListPaper, kListRule, kAnswerYellow, kNavy, kColumn,
                            kNavyInk, kInk, kGoldDeep, kFlag, kBurgundy, kParchmentDark})
        fixed.push_back(FromQColor(c));
    // Ramps can meet at a shared colour; keep one of each.
    std::vector<Rgb> unique;
    for (const Rgb& c : fixed)
        if (std::none_of(unique.begin(), unique.end(), [&c](const Rgb& u) { return Distance(u, c) == 0; }))
            unique.push_back(c);
    return unique;
}

struct Bin
{
    Rgb mean;
    double weight = 0;
};

// Colours the artwork uses, pooled into 6-bit-per-channel bins.
std::vector<Bin> Histogram(const std::vector<QImage>& art)
{
    std::map<std::uint32_t, std::array<double, 4>> sums;
    for (const QImage& image : art)
    {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
        {
            const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
            {
                const QRgb c = row[x];
                const std::uint32_t key = (std::uint32_t(qRed(c)) >> 2 << 12) |
                                          (std::uint32_t(qGreen(c)) >> 2 << 6) |
                                          (std::uint32_t(qBlue(c)) >> 2);
                auto& s = sums[key];
                s[0] += qRed(c);
                s[1] += qGreen(c);
                s[2] += qBlue(c);
                s[3] += 1;
            }
        }
    }
    std::vector<Bin> bins;
    bins.reserve(sums.size());
    for (const auto& [key, s] : sums)
    {
        // Square root of the count: big flat areas still win, but small
        // details such as text edges and markers get their say.
        bins.push_back({{s[0] / s[3], s[1] / s[3], s[2] / s[3]}, std::sqrt(s[3])});
    }
    return bins;
}
}

QList<QRgb> BuildSharedTable(const std::vector<QImage>& art)
{
    std::vector<Rgb> centres = FixedColours();
    const std::size_t fixedCount = centres.size();
    if (fixedCount >= 256)
        throw std::logic_error("too many fixed colours");
    const std::vector<Bin> bins = Histogram(art);

    // Seed the free entries where the table fits the artwork worst.
    std::vector<double> nearest(bins.size(), 1e300);
    for (std::size_t i = 0; i < bins.size(); ++i)
        for (const Rgb& c : centres)
            nearest[i] = std::min(nearest[i], Distance(bins[i].mean, c));
    while (centres.size() < 256)
    {
        std::size_t worst = 0;
        double worstCost = -1;
        for (std::size_t i = 0; i < bins.size(); ++i)
        {
            const double cost = bins[i].weight * nearest[i];
            if (cost > worstCost)
            {
                worstCost = cost;
                worst = i;
            }
        }
        const Rgb chosen = bins.empty() ? Rgb{} : bins[worst].mean;
        centres.push_back(chosen);
        for (std::size_t i = 0; i < bins.size(); ++i)
            nearest[i] = std::min(nearest[i], Distance(bins[i].mean, chosen));
    }

    // Then let the free entries settle (k-means with the fixed ones held).
    for (int round = 0; round < 12; ++round)
    {
        std::vector<Rgb> sum(256);
        std::vector<double> weight(256, 0);
        for (const Bin& bin : bins)
        {
            std::size_t best = 0;
            double bestDistance = 1e300;
            for (std::size_t c = 0; c < 256; ++c)
            {
                const double d = Distance(bin.mean, centres[c]);
                if (d < bestDistance)
                {
                    bestDistance = d;
                    best = c;
                }
            }
            sum[best].r += bin.mean.r * bin.weight;
            sum[best].g += bin.mean.g * bin.weight;
            sum[best].b += bin.mean.b * bin.weight;
            weight[best] += bin.weight;
        }
        for (std::size_t c = fixedCount; c < 256; ++c)
            if (weight[c] > 0)
                centres[c] = {sum[c].r / weight[c], sum[c].g / weight[c], sum[c].b / weight[c]};
    }

    QList<QRgb> table;
    for (const Rgb& c : centres)
        table.append(qRgb(int(std::lround(c.r)), int(std::lround(c.g)), int(std::lround(c.b))));
    return table;
}

QImage ToIndexed(const QImage& art, const QList<QRgb>& table)
{
    if (table.size() != 256)
        throw std::logic_error("the shared table must have 256 entries");
    const QImage rgb = art.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int h = rgb.height();
    QImage out(w, h, QImage::Format_Indexed8);
    out.setColorTable(table);

    std::vector<Rgb> entries;
    for (const QRgb c : table)
        entries.push_back(FromRgb(c));
    // Nearest entry per exact colour, looked up once.
    std::map<std::uint32_t, std::uint8_t> memo;
    const auto nearestIndex = [&](int r, int g, int b)
    {
        const std::uint32_t key = (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
        if (const auto it = memo.find(key); it != memo.end())
            return it->second;
        const Rgb want{double(r), double(g), double(b)};
        std::size_t best = 0;
        double bestDistance = 1e300;
        for (std::size_t i = 0; i < entries.size(); ++i)
        {
            const double d = Distance(want, entries[i]);
            if (d < bestDistance)
            {
                bestDistance = d;
                best = i;
            }
        }
        const auto index = static_cast<std::uint8_t>(best);
        memo.emplace(key, index);
        return index;
    };

    // Floyd-Steinberg, serpentine, with the spread error clipped.
    constexpr double kClip = 14;
    std::vector<Rgb> thisRow(w + 2);
    std::vector<Rgb> nextRow(w + 2);
    for (int y = 0; y < h; ++y)
    {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* line = out.scanLine(y);
        const bool forward = y % 2 == 0;
        const int dir = forward ? 1 : -1;
        std::fill(nextRow.begin(), nextRow.end(), Rgb{});
        for (int i = 0; i < w; ++i)
        {
            const int x = forward ? i : w - 1 - i;
            const Rgb& carried = thisRow[x + 1];
            const Rgb want{std::clamp(qRed(in[x]) + carried.r, 0.0, 255.0),
                           std::clamp(qGreen(in[x]) + carried.g, 0.0, 255.0),
                           std::clamp(qBlue(in[x]) + carried.b, 0.0, 255.0)};
            const std::uint8_t index =
                nearestIndex(int(std::lround(want.r)), int(std::lround(want.g)), int(std::lround(want.b)));
            line[x] = index;
            const Rgb& got = entries[index];
            const Rgb error{std::clamp(want.r - got.r, -kClip, kClip),
                            std::clamp(want.g - got.g, -kClip, kClip),
                            std::clamp(want.b - got.b, -kClip, kClip)};
            const auto spread = [&](Rgb& cell, double share)
            {
                cell.r += error.r * share;
                cell.g += error.g * share;
                cell.b += error.b * share;
            };
            if (x + dir >= 0 && x + dir < w)
            {
                spread(thisRow[x + dir + 1], 7.0 / 16);
                spread(nextRow[x + dir + 1], 1.0 / 16);
            }
            if (x - dir >= 0 && x - dir < w)
                spread(nextRow[x - dir + 1], 3.0 / 16);
            spread(nextRow[x + 1], 5.0 / 16);
        }
        std::swap(thisRow, nextRow);
    }
    return out;
}

namespace
{
void Put16(QByteArray& out, std::uint32_t v)
{
    out.append(char(v & 0xff));
    out.append(char((v >> 8) & 0xff));
}

void Put32(QByteArray& out, std::uint32_t v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

std::uint32_t Get16(const QByteArray& in, qsizetype at)
{
    return std::uint32_t(uchar(in[at])) | std::uint32_t(uchar(in[at + 1])) << 8;
}

std::uint32_t Get32(const QByteArray& in, qsizetype at)
{
    return Get16(in, at) | Get16(in, at + 2) << 16;
}

constexpr std::uint32_t kHeaders = 14 + 40 + 256 * 4;
}

QByteArray EncodeBmp8(const QImage& indexed)
{
    if (indexed.format() != QImage::Format_Indexed8 || indexed.colorCount() != 256)
        throw std::logic_error("EncodeBmp8 wants an 8-bit image with 256 colours");
    const auto w = std::uint32_t(indexed.width());
    const auto h = std::uint32_t(indexed.height());
    const std::uint32_t stride = (w + 3) & ~3u;
    const std::uint32_t pixels = stride * h;

    QByteArray out;
    out.reserve(qsizetype(kHeaders) + qsizetype(pixels));
    // BITMAPFILEHEADER
    out.append("BM", 2);
    Put32(out, kHeaders + pixels);
    Put32(out, 0);
    Put32(out, kHeaders);
    // BITMAPINFOHEADER
    Put32(out, 40);
    Put32(out, w);
    Put32(out, h); // positive: rows run bottom-up
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0); // BI_RGB, uncompressed
    Put32(out, pixels);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, 256);
    Put32(out, 0);
    // RGBQUADs: blue, green, red, reserved.
    for (const QRgb c : indexed.colorTable())
    {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    for (int y = int(h) - 1; y >= 0; --y)
    {
        out.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), qsizetype(w));
        out.append(qsizetype(stride - w), char(0));
    }
    return out;
}

QString CheckBmp8(const QByteArray& bytes, QSize size)
{
    if (bytes.size() < qsizetype(kHeaders) || !bytes.startsWith("BM"))
        return QStringLiteral("not a BMP file");
    const auto w = std::uint32_t(size.width());
    const auto h = std::uint32_t(size.height());
    const std::uint32_t stride = (w + 3) & ~3u;
    const std::uint32_t used = Get32(bytes, 46);
    struct Field
    {
        const char* name;
        std::uint32_t got;
        std::uint32_t want;
    };
    const Field fields[] = {
        {"bfSize", Get32(bytes, 2), std::uint32_t(bytes.size())},
        {"bfOffBits", Get32(bytes, 10), kHeaders},
        {"biSize", Get32(bytes, 14), 40},
        {"biWidth", Get32(bytes, 18), w},
        {"biHeight", Get32(bytes, 22), h},
        {"biPlanes", Get16(bytes, 26), 1},
        {"biBitCount", Get16(bytes, 28), 8},
        {"biCompression", Get32(bytes, 30), 0},
        {"biClrUsed", used == 0 ? 256 : used, 256},
        {"file length", std::uint32_t(bytes.size()), kHeaders + stride * h},
    };
    for (const Field& f : fields)
        if (f.got != f.want)
            return QStringLiteral("%1 is %2, not %3").arg(QLatin1String(f.name)).arg(f.got).arg(f.want);
    return {};
}
}
