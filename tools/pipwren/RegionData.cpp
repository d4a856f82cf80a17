#include "RegionData.h"

#include <QDataStream>
#include <QIODevice>

namespace pipwren {

namespace {

using Runs = QList<QPair<int, int>>;

Runs opaqueRuns(const IndexedImage& image, int y, quint8 transparentIndex)
{
    Runs runs;
    int x = 0;
    while (x < image.width) {
        while (x < image.width && image.at(x, y) == transparentIndex)
            ++x;
        const int start = x;
        while (x < image.width && image.at(x, y) != transparentIndex)
            ++x;
        if (x > start)
            runs.append({start, x});
    }
    return runs;
}

} // namespace

QList<QRect> opaqueRectangles(const IndexedImage& image, quint8 transparentIndex)
{
    QList<QRect> rects;
    int y = 0;
    while (y < image.height) {
        const Runs runs = opaqueRuns(image, y, transparentIndex);
        int bottom = y + 1;
        while (bottom < image.height && opaqueRuns(image, bottom, transparentIndex) == runs)
            ++bottom;
        for (const auto& [left, right] : runs)
            rects.append(QRect(QPoint(left, y), QPoint(right - 1, bottom - 1)));
        y = bottom;
    }
    return rects;
}

QByteArray regionData(const IndexedImage& image, quint8 transparentIndex)
{
    const QList<QRect> rects = opaqueRectangles(image, transparentIndex);
    QRect bounds;
    for (const QRect& rect : rects)
        bounds |= rect;

    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    // Right and bottom are exclusive in RGNDATA.
    const auto writeRect = [&out](const QRect& rect) {
        if (rect.isNull()) {
            out << qint32(0) << qint32(0) << qint32(0) << qint32(0);
            return;
        }
        out << qint32(rect.left()) << qint32(rect.top()) << qint32(rect.right() + 1)
            << qint32(rect.bottom() + 1);
    };
    const quint32 count = quint32(rects.size());
    out << quint32(32) << quint32(1) << count << quint32(count * 16);
    writeRect(bounds);
    for (const QRect& rect : rects)
        writeRect(rect);
    return data;
}

} // namespace pipwren
