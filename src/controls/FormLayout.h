#pragma once

// Small helpers both windows use to lay out their controls the way the
// windows were designed: in twips, in the designed face, with every control
// named so tests and tools can find it.

#include <QFont>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QWidget;

namespace controls {

// The face every caption is designed in; the application maps it to an
// installed Japanese proportional face.
inline const QString kFormFontFamily = QStringLiteral("ＭＳ Ｐゴシック");

// The face the windows' fonts ask for: the installed face the designed one
// is drawn in, once the application has named it, else the designed face.
// A name that Qt has to substitute costs, at the first text of each script
// (Han, kana, the rest), a search through every installed font for fallbacks
// that a face asked for by its own name only makes when it lacks a character.
const QString& formFontFamily();
void drawFormFontAs(const QString& installedFace);
// Height of one line of text boxes, in twips.
inline constexpr int kLineTwips = 270;

QFont formFont(double points);

// A new child widget carrying its control name.
template <typename W> W* make(QWidget* parent, const QString& name)
{
    auto* widget = new W(parent);
    widget->setObjectName(name);
    return widget;
}

// Lets a text box hold a text of any length. Qt's own default cuts typed,
// pasted and loaded texts at 32,767 characters, and OK would then store the
// cut text in place of the user's.
void allowAnyLength(QLineEdit* box);

// Places widget at x, y with the given size, all in twips.
void place(QWidget* widget, int x, int y, int width, int height);
// A label as wide as its caption, starting at x, vertically centred on its line.
void placeLabel(QLabel* label, int x, int y, int height = kLineTwips);
// A label as wide as its caption whose right edge is at right.
void placeLabelEndingAt(QLabel* label, int right, int y, int height = kLineTwips);

// Calls arrange once, when page is first shown and before it is painted (not
// when context has gone). Placing captions measures them, and FreeType
// hinting each glyph of a page the window does not open with slows its start.
void whenFirstShown(QWidget* page, QObject* context, std::function<void()> arrange);

// The text boxes of a page the window does not open with lay out their texts
// when the page is first shown: a box lays out all of its text as soon as it
// is given one, hinting every glyph. Until then they hold their texts as
// usual (text() is the loaded text) but display none.
void layOutTextsWhenShown(QWidget* page);

} // namespace controls
