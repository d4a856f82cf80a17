#include "CommonDialogs.h"

#include "QtSettingsSandbox.h"

#include <QApplication>
#include <QColor>
#include <QColorDialog>

namespace Module1 {

namespace {

constexpr int CustomColorCount = 16;

// The chooser belongs to the account window, the only caller; that window is
// modal, so it is the active modal widget when one of its swatches is clicked.
QWidget* colorDialogOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QColor customColorAt(int index)
{
    const auto base = std::size_t(index) * 4;
    return QColor(CustomColors[base], CustomColors[base + 1], CustomColors[base + 2]);
}

void storeCustomColorAt(int index, const QColor& color)
{
    const auto base = std::size_t(index) * 4;
    const QColor rgb = color.toRgb();
    CustomColors[base] = quint8(rgb.red());
    CustomColors[base + 1] = quint8(rgb.green());
    CustomColors[base + 2] = quint8(rgb.blue());
    CustomColors[base + 3] = 0;
}

// Qt keeps the custom colours for the whole process; every opening must
// start from ours, and nothing of an opening may survive it.
void loadQtCustomColors()
{
    for (int i = 0; i < CustomColorCount; ++i)
        QColorDialog::setCustomColor(i, customColorAt(i));
}

void clearQtCustomColors()
{
    for (int i = 0; i < CustomColorCount; ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::black));
}

} // namespace

qint32 SelectColor()
{
    CustomColors = {}; // all 16 custom colours black at every opening

    const dialogs::QtSettingsSandbox sandbox; // outlives the dialog, which writes on destruction
    qint32 result = -1;
    {
        loadQtCustomColors();
        QColorDialog dialog(colorDialogOwner());
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        // The chooser does not start from a colour of the caller's; black
        // is where the platform's chooser starts too.
        dialog.setCurrentColor(QColor(Qt::black));

        if (dialog.exec() == QDialog::Accepted) {
            const QColor chosen = dialog.selectedColor().toRgb();
            // &H00BBGGRR: red in the low byte; black is 0 and no colour is -1.
            result = qint32(chosen.red()) | (qint32(chosen.green()) << 8) | (qint32(chosen.blue()) << 16);
            for (int i = 0; i < CustomColorCount; ++i)
                storeCustomColorAt(i, QColorDialog::customColor(i));
        }
        clearQtCustomColors();
    }
    return result;
}

} // namespace Module1
