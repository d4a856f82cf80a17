#pragma once

// Decoded character pictures and the frames composed from them.
//
// Images are decoded when first needed and kept in an AcsImageCache; a frame
// is composed on a transparent canvas of the character's size with its first
// image on top, transparency keyed on the palette index (never the colour),
// and every image clipped to the canvas.

#include "AcsCharacter.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>

#include <memory>
#include <vector>

namespace agent {

struct AcsImage
{
    int width = 0;
    int height = 0;
    QByteArray pixels;   // palette indices, top row first, width bytes per row
    QList<QRect> region; // the opaque pixels as the file describes them, clipped to the image

    uchar pixel(int x, int y) const { return uchar(pixels[qsizetype(y) * width + x]); }
};

// Decodes image index of character. Throws AgentError when its block is damaged.
AcsImage decodeImage(const AcsCharacter& character, int index);

class AcsImageCache
{
public:
    // Far above any real character (the largest decodes to about 20 MB).
    static constexpr qint64 kBudgetBytes = qint64(512) << 20;

    explicit AcsImageCache(const AcsCharacter& character);
    // Decodes on first use; throws AgentError for a damaged image (and retries next time).
    const AcsImage& image(int index);
    int decodedCount() const { return decodedCount_; }
    void clear();

private:
    const AcsCharacter& character_;
    std::vector<std::unique_ptr<AcsImage>> images_;
    int decodedCount_ = 0;
    qint64 decodedBytes_ = 0;
};

// The frame as the character window shows it: width x height, ARGB32 premultiplied,
// fully transparent where no image covers.
QImage composeFrame(const AcsCharacter& character, AcsImageCache& images, const AcsFrame& frame);

// The union of the frame's image regions at their offsets, clipped to the character.
QRegion frameRegion(const AcsCharacter& character, AcsImageCache& images, const AcsFrame& frame);

} // namespace agent
