#include "ContactSheet.h"

#include <QPainter>

#include <algorithm>

namespace pipwren {

QImage composeFrame(const AcsCharacter& c, const Frame& frame)
{
    QImage canvas(c.width, c.height, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    for (auto it = frame.images.crbegin(); it != frame.images.crend(); ++it) {
        const IndexedImage& image = c.images[it->image];
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const int cx = x + it->x;
                const int cy = y + it->y;
                const quint8 index = image.at(x, y);
                if (index == c.transparentIndex || cx < 0 || cy < 0 || cx >= c.width || cy >= c.height)
                    continue;
                canvas.setPixel(cx, cy, c.palette.value(index, qRgb(0, 0, 0)));
            }
        }
    }
    return canvas;
}

QImage contactSheet(const AcsCharacter& c)
{
    qsizetype columns = 1;
    for (const Animation& a : c.animations)
        columns = std::max(columns, a.frames.size());
    const int cell = c.width + 4;
    QImage sheet(int(columns) * cell, int(c.animations.size()) * (c.height + 4), QImage::Format_ARGB32);
    sheet.fill(QColor(0xdd, 0xe6, 0xee));
    QPainter p(&sheet);
    for (int row = 0; row < c.animations.size(); ++row) {
        const Animation& a = c.animations[row];
        for (int col = 0; col < a.frames.size(); ++col) {
            const QPoint at(col * cell + 2, row * (c.height + 4) + 2);
            p.fillRect(QRect(at, QSize(c.width, c.height)), QColor(0xf4, 0xf7, 0xfa));
            p.drawImage(at, composeFrame(c, a.frames[col]));
        }
    }
    return sheet;
}

} // namespace pipwren
