#include "AppIcon.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <array>

namespace controls {

namespace {

// Sizes drawn from the icon's SVG when the program was built. Window
// managers take 16 and 32 and sometimes up to 128; larger views use the
// installed theme icon, and every size here is sent to the X server with each
// window.
constexpr std::array kSizes{16, 24, 32, 48, 64, 128};

// Reads a size's picture only when it is first asked for: offscreen no one
// asks, and an X server gets each size once. Told the format and not to
// guess it, Qt reads the pictures without loading every image plugin (one of
// them brings in the SVG library).
class BuiltIconEngine final : public QIconEngine
{
public:
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int side : kSizes)
            sizes.append(QSize(side, side));
        return sizes;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return QSize(side, side);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        // The smallest picture at least as large, else the largest.
        std::size_t index = 0;
        while (index + 1 < kSizes.size() && kSizes[index] < side)
            ++index;
        QPixmap& picture = pictures_[index];
        if (picture.isNull()) {
            QImageReader reader(QStringLiteral(":/quorvix/icons/%1.png").arg(kSizes[index]), "png");
            reader.setAutoDetectImageFormat(false);
            picture = QPixmap::fromImage(reader.read());
        }
        if (picture.isNull() || picture.width() == side)
            return picture;
        return picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QIconEngine* clone() const override { return new BuiltIconEngine(*this); }
    QString key() const override { return QStringLiteral("quorvix-built-icon"); }

private:
    std::array<QPixmap, kSizes.size()> pictures_;
};

} // namespace

QIcon applicationIcon()
{
    // One engine for the application and every window, so each size is read
    // once: a window's X window takes the application's icon when it is made
    // and its own when it is shown. Never destroyed: its pictures would be
    // freed after the application object is gone.
    static const QIcon* const icon = new QIcon(new BuiltIconEngine);
    return *icon;
}

} // namespace controls
