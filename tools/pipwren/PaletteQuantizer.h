#pragma once

// Turns the painted ARGB frames into 8-bit palette images: one palette shared
// by every image of the character, built by median cut over all frames, with
// one reserved index for transparency.

#include "AcsModel.h"

#include <QImage>

#include <map>
#include <unordered_map>

namespace pipwren {

class PaletteQuantizer
{
public:
    explicit PaletteQuantizer(quint8 transparentIndex, QRgb transparentColour);

    // Pixels at least half opaque count as solid; the rest are transparent.
    void addImage(const QImage& image);
    // Builds the 256-entry palette; call once after every image was added.
    void buildPalette();

    const QList<QRgb>& palette() const { return palette_; }
    quint8 transparentIndex() const { return transparentIndex_; }
    IndexedImage quantize(const QImage& image);

private:
    quint8 nearest(QRgb colour);

    quint8 transparentIndex_;
    QRgb transparentColour_;
    std::map<QRgb, quint64> histogram_;
    QList<QRgb> palette_;
    std::unordered_map<QRgb, quint8> lookup_;
};

} // namespace pipwren
