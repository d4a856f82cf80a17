#include "PaletteQuantizer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pipwren {

namespace {

constexpr int kOpaqueAlpha = 128;

struct WeightedColour
{
    QRgb rgb;
    quint64 count;
};

int channel(QRgb c, int which)
{
    return which == 0 ? qRed(c) : which == 1 ? qGreen(c) : qBlue(c);
}

struct Box
{
    std::vector<WeightedColour> colours;

    int widestChannel(int* range) const
    {
        int best = 0;
        *range = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255;
            int hi = 0;
            for (const WeightedColour& c : colours) {
                lo = std::min(lo, channel(c.rgb, ch));
                hi = std::max(hi, channel(c.rgb, ch));
            }
            if (hi - lo > *range) {
                *range = hi - lo;
                best = ch;
            }
        }
        return best;
    }

    quint64 population() const
    {
        quint64 n = 0;
        for (const WeightedColour& c : colours)
            n += c.count;
        return n;
    }

    QRgb average() const
    {
        double r = 0, g = 0, b = 0, n = 0;
        for (const WeightedColour& c : colours) {
            r += double(qRed(c.rgb)) * double(c.count);
            g += double(qGreen(c.rgb)) * double(c.count);
            b += double(qBlue(c.rgb)) * double(c.count);
            n += double(c.count);
        }
        return qRgb(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(b / n)));
    }
};

QRgb solidColour(QRgb argb)
{
    return qRgb(qRed(argb), qGreen(argb), qBlue(argb));
}

} // namespace

PaletteQuantizer::PaletteQuantizer(quint8 transparentIndex, QRgb transparentColour)
    : transparentIndex_(transparentIndex), transparentColour_(transparentColour)
{}

void PaletteQuantizer::addImage(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) >= kOpaqueAlpha)
                ++histogram_[solidColour(line[x])];
        }
    }
}

void PaletteQuantizer::buildPalette()
{
    const int colourSlots = 255;
    std::vector<Box> boxes(1);
    for (const auto& [rgb, count] : histogram_)
        boxes[0].colours.push_back({rgb, count});

    // Split the box where a split helps most: wide colour range, many pixels.
    while (int(boxes.size()) < colourSlots) {
        int chosen = -1;
        double bestScore = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[std::size_t(i)].colours.size() < 2)
                continue;
            int range = 0;
            boxes[std::size_t(i)].widestChannel(&range);
            const double score = double(range) * std::sqrt(double(boxes[std::size_t(i)].population()));
            if (score > bestScore) {
                bestScore = score;
                chosen = i;
            }
        }
        if (chosen < 0)
            break;
        Box& box = boxes[std::size_t(chosen)];
        int range = 0;
        const int ch = box.widestChannel(&range);
        std::sort(box.colours.begin(), box.colours.end(),
                  [ch](const WeightedColour& a, const WeightedColour& b) {
                      const int ca = channel(a.rgb, ch);
                      const int cb = channel(b.rgb, ch);
                      return ca != cb ? ca < cb : a.rgb < b.rgb;
                  });
        const quint64 half = box.population() / 2;
        quint64 running = 0;
        std::size_t split = 1;
        for (; split < box.colours.size() - 1; ++split) {
            running += box.colours[split - 1].count;
            if (running >= half)
                break;
        }
        Box upper;
        upper.colours.assign(box.colours.begin() + std::ptrdiff_t(split), box.colours.end());
        box.colours.resize(split);
        boxes.push_back(std::move(upper));
    }

    palette_.clear();
    for (const Box& box : boxes) {
        if (!box.colours.empty())
            palette_.append(box.average());
    }
    std::sort(palette_.begin(), palette_.end(),
              [](QRgb a, QRgb b) { return qGray(a) != qGray(b) ? qGray(a) < qGray(b) : a < b; });
    while (palette_.size() < 256)
        palette_.append(qRgb(0, 0, 0));
    palette_.insert(transparentIndex_, transparentColour_);
    palette_.resize(256);
    lookup_.clear();
}

quint8 PaletteQuantizer::nearest(QRgb colour)
{
    const auto found = lookup_.find(colour);
    if (found != lookup_.end())
        return found->second;
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < palette_.size(); ++i) {
        if (i == transparentIndex_)
            continue;
        const int dr = qRed(colour) - qRed(palette_[i]);
        const int dg = qGreen(colour) - qGreen(palette_[i]);
        const int db = qBlue(colour) - qBlue(palette_[i]);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    lookup_.emplace(colour, quint8(best));
    return quint8(best);
}

IndexedImage PaletteQuantizer::quantize(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    IndexedImage out;
    out.width = argb.width();
    out.height = argb.height();
    out.pixels.resize(qsizetype(out.width) * out.height);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb c = line[x];
            out.pixels[y * out.width + x] =
                char(qAlpha(c) >= kOpaqueAlpha ? nearest(solidColour(c)) : transparentIndex_);
        }
    }
    return out;
}

} // namespace pipwren
