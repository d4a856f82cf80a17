#include "AcsImage.h"

#include "AcsDecompressor.h"
#include "AcsReader.h"
#include "AgentError.h"
#include "ByteCursor.h"

#include <algorithm>

namespace agent {

namespace {

constexpr quint32 kRegionHeaderSize = 32;
constexpr quint32 kRegionRectSize = 16;

qint32 readI32(const uchar* p)
{
    return qint32(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24));
}

QList<QRect> parseRegion(const QByteArray& data, int width, int height, ByteCursor& c, quint64 at)
{
    if (data.isEmpty())
        return {};
    if (quint64(data.size()) < kRegionHeaderSize)
        c.failAt(at, QStringLiteral("region of %1 bytes is shorter than its header").arg(data.size()));
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const quint32 count = quint32(readI32(p + 8));
    if (quint64(count) * kRegionRectSize > quint64(data.size()) - kRegionHeaderSize)
        c.failAt(at, QStringLiteral("region claims %1 rectangles in %2 bytes").arg(count).arg(data.size()));
    const QRect bounds(0, 0, width, height);
    QList<QRect> rects;
    rects.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const uchar* r = p + kRegionHeaderSize + i * kRegionRectSize;
        // Compare in 64 bits: a damaged rectangle may hold anything.
        const qint64 left = std::clamp<qint64>(readI32(r), 0, width);
        const qint64 top = std::clamp<qint64>(readI32(r + 4), 0, height);
        const qint64 right = std::clamp<qint64>(readI32(r + 8), 0, width);
        const qint64 bottom = std::clamp<qint64>(readI32(r + 12), 0, height);
        if (right > left && bottom > top)
            rects.append(QRect(int(left), int(top), int(right - left), int(bottom - top)) & bounds);
    }
    return rects;
}

} // namespace

AcsImage decodeImage(const AcsCharacter& character, int index)
{
    if (index < 0 || size_t(index) >= character.images.size())
        throw AgentError(QStringLiteral("%1: image %2 does not exist").arg(character.fileName).arg(index));
    const QString what = QStringLiteral("image %1").arg(index);
    ByteCursor c(character.data, character.images[size_t(index)], character.fileName, what);
    c.u8();
    const quint64 sizeAt = c.offset();
    AcsImage image;
    image.width = c.u16();
    image.height = c.u16();
    if (image.width > AcsReader::kMaxDimension || image.height > AcsReader::kMaxDimension)
        c.failAt(sizeAt, QStringLiteral("image size %1 x %2 exceeds %3")
                             .arg(image.width)
                             .arg(image.height)
                             .arg(AcsReader::kMaxDimension));
    const bool compressed = c.u8() != 0;
    const qsizetype stride = (image.width + 3) & ~3;
    const qsizetype stored = stride * image.height;

    const quint64 pixelsAt = c.offset();
    const quint32 pixelBytes = c.u32();
    c.requireItems(pixelBytes, 1, QStringLiteral("pixel bytes"));
    QByteArray bottomUp;
    if (compressed) {
        bottomUp = decompressAcs(c.current(), pixelBytes, stored,
                                 damagedMessage(character.fileName, what + QStringLiteral(" pixels"),
                                                pixelsAt, QStringLiteral("decoding")));
    } else {
        if (pixelBytes < stored)
            c.failAt(pixelsAt, QStringLiteral("%1 pixel bytes for a %2 x %3 image")
                                   .arg(pixelBytes)
                                   .arg(image.width)
                                   .arg(image.height));
        bottomUp = QByteArray(reinterpret_cast<const char*>(c.current()), stored);
    }
    c.skip(pixelBytes);

    image.pixels.resize(qsizetype(image.width) * image.height);
    for (int row = 0; row < image.height; ++row)
        std::copy_n(bottomUp.constData() + (image.height - 1 - row) * stride, image.width,
                    image.pixels.data() + qsizetype(row) * image.width);

    c.setWhat(what + QStringLiteral(" region"));
    const quint64 regionAt = c.offset();
    const quint32 compressedSize = c.u32();
    const quint32 regionSize = c.u32();
    // No image needs more rectangles than it has pixels.
    if (quint64(regionSize) > kRegionHeaderSize + quint64(kRegionRectSize) * image.width * image.height)
        c.failAt(regionAt, QStringLiteral("region of %1 bytes for a %2 x %3 image")
                               .arg(regionSize)
                               .arg(image.width)
                               .arg(image.height));
    QByteArray region;
    if (regionSize > 0) {
        if (compressedSize > 0) {
            c.requireItems(compressedSize, 1, QStringLiteral("compressed region bytes"));
            region = decompressAcs(c.current(), compressedSize, regionSize,
                                   damagedMessage(character.fileName, what + QStringLiteral(" region"),
                                                  regionAt, QStringLiteral("decoding")));
        } else {
            region = c.bytes(regionSize);
        }
    }
    image.region = parseRegion(region, image.width, image.height, c, regionAt);
    return image;
}

AcsImageCache::AcsImageCache(const AcsCharacter& character) : character_(character)
{
    images_.resize(character.images.size());
}

const AcsImage& AcsImageCache::image(int index)
{
    if (index < 0 || size_t(index) >= images_.size())
        throw AgentError(QStringLiteral("%1: image %2 does not exist").arg(character_.fileName).arg(index));
    auto& slot = images_[size_t(index)];
    if (!slot) {
        auto image = std::make_unique<AcsImage>(decodeImage(character_, index));
        // A hostile file can make every image huge; past the budget the cache
        // starts over instead of growing without bound.
        const qint64 bytes = image->pixels.size() + image->region.size() * qint64(sizeof(QRect));
        if (decodedBytes_ + bytes > kBudgetBytes)
            clear();
        decodedBytes_ += bytes;
        slot = std::move(image);
        ++decodedCount_;
    }
    return *slot;
}

void AcsImageCache::clear()
{
    for (auto& slot : images_)
        slot.reset();
    decodedCount_ = 0;
    decodedBytes_ = 0;
}

QImage composeFrame(const AcsCharacter& character, AcsImageCache& images, const AcsFrame& frame)
{
    QImage canvas(character.width, character.height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(0);
    // Opaque black for indices the (possibly short) palette does not define.
    quint32 colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = i < character.palette.size() ? character.palette[i] : 0xFF000000u;
    const uchar transparent = character.transparentIndex;

    // The first image is on top, so paint from the last to the first.
    for (auto it = frame.images.rbegin(); it != frame.images.rend(); ++it) {
        const AcsImage& image = images.image(int(it->imageIndex));
        const int x0 = qMax(0, -int(it->x));
        const int y0 = qMax(0, -int(it->y));
        const int x1 = qMin(image.width, character.width - int(it->x));
        const int y1 = qMin(image.height, character.height - int(it->y));
        for (int y = y0; y < y1; ++y) {
            const uchar* src =
                reinterpret_cast<const uchar*>(image.pixels.constData()) + qsizetype(y) * image.width;
            auto* line = reinterpret_cast<quint32*>(canvas.scanLine(y + it->y));
            for (int x = x0; x < x1; ++x)
                if (src[x] != transparent)
                    line[x + it->x] = colours[src[x]];
        }
    }
    return canvas;
}

QRegion frameRegion(const AcsCharacter& character, AcsImageCache& images, const AcsFrame& frame)
{
    // Coverage counted with a two-dimensional difference array: linear in the
    // number of rectangles plus the canvas, however many rectangles overlap.
    const int w = character.width, h = character.height;
    std::vector<int> coverage(size_t(w + 1) * size_t(h + 1), 0);
    auto at = [&](int x, int y) -> int& { return coverage[size_t(y) * size_t(w + 1) + size_t(x)]; };
    const QRect canvas(0, 0, w, h);
    for (const AcsFrameImage& placed : frame.images) {
        for (const QRect& rect : images.image(int(placed.imageIndex)).region) {
            const QRect r = rect.translated(placed.x, placed.y) & canvas;
            if (r.isEmpty())
                continue;
            ++at(r.left(), r.top());
            --at(r.right() + 1, r.top());
            --at(r.left(), r.bottom() + 1);
            ++at(r.right() + 1, r.bottom() + 1);
        }
    }
    for (int y = 0; y <= h; ++y)
        for (int x = 0; x <= w; ++x)
            at(x, y) += (x ? at(x - 1, y) : 0) + (y ? at(x, y - 1) : 0) - (x && y ? at(x - 1, y - 1) : 0);

    // Runs of covered pixels per row; rows with the same runs merge into one band.
    QList<QRect> rects;
    QList<QRect> previous;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const QRect& run : previous)
            rects.append(QRect(run.left(), bandTop, run.width(), bottom - bandTop));
    };
    for (int y = 0; y < h; ++y) {
        QList<QRect> runs;
        for (int x = 0; x < w;) {
            if (at(x, y) <= 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < w && at(x, y) > 0)
                ++x;
            runs.append(QRect(start, 0, x - start, 1));
        }
        if (runs != previous) {
            flush(y);
            previous = runs;
            bandTop = y;
        }
    }
    flush(h);
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

} // namespace agent
