#include "FormLayout.h"

#include "Twips.h"

#include <QLabel>
#include <QLineEdit>

#include <limits>

namespace controls {

namespace {

QString& formFace()
{
    static QString face = kFormFontFamily;
    return face;
}

} // namespace

const QString& formFontFamily()
{
    return formFace();
}

void drawFormFontAs(const QString& installedFace)
{
    formFace() = installedFace;
}

QFont formFont(double points)
{
    QFont font(formFontFamily());
    font.setPointSizeF(points);
    return font;
}

void allowAnyLength(QLineEdit* box)
{
    box->setMaxLength(std::numeric_limits<int>::max());
}

void place(QWidget* widget, int x, int y, int width, int height)
{
    widget->setGeometry(twipsRect(x, y, width, height));
}

void placeLabel(QLabel* label, int x, int y, int height)
{
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QRect r = twipsRect(x, y, 0, height);
    label->setGeometry(r.x(), r.y(), label->sizeHint().width(), r.height());
}

void placeLabelEndingAt(QLabel* label, int right, int y, int height)
{
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QRect r = twipsRect(right, y, 0, height);
    const int width = label->sizeHint().width();
    label->setGeometry(r.x() - width, r.y(), width, r.height());
}

} // namespace controls
