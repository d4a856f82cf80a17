#pragma once

// What the layout tests of both windows check a control against: its kind, as
// the window's documentation names kinds, and its caption. Tests that include
// this link the controls library through the window they test.

#include "ColorSwatch.h"
#include "DropDownList.h"
#include "FlexGrid.h"
#include "RoundedShape.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

namespace quorvix::test {

enum class Kind {
    Label,
    TextBox,
    Button,
    CheckBox,
    Frame,
    Swatch,
    Grid,
    HScrollBar,
    DropDownList,
    Shape,
    TabControl
};

inline bool hasKind(QWidget* w, Kind kind)
{
    switch (kind) {
    case Kind::Label: // a colour swatch is drawn by a label, but is no label to the user
        return qobject_cast<QLabel*>(w) && !qobject_cast<controls::ColorSwatch*>(w);
    case Kind::TextBox:
        return qobject_cast<QLineEdit*>(w) != nullptr;
    case Kind::Button:
        return qobject_cast<QPushButton*>(w) != nullptr;
    case Kind::CheckBox:
        return qobject_cast<QCheckBox*>(w) != nullptr;
    case Kind::Frame:
        return qobject_cast<QGroupBox*>(w) != nullptr;
    case Kind::Swatch:
        return qobject_cast<controls::ColorSwatch*>(w) != nullptr;
    case Kind::Grid:
        return qobject_cast<controls::FlexGrid*>(w) != nullptr;
    case Kind::HScrollBar: {
        auto* bar = qobject_cast<QScrollBar*>(w);
        return bar && bar->orientation() == Qt::Horizontal;
    }
    case Kind::DropDownList: {
        auto* list = qobject_cast<controls::DropDownList*>(w);
        return list && !list->isEditable();
    }
    case Kind::Shape:
        return qobject_cast<controls::RoundedShape*>(w) != nullptr;
    case Kind::TabControl:
        return qobject_cast<QTabWidget*>(w) != nullptr;
    }
    return false;
}

// The text a control shows as its caption: a label's or button's text, a text
// box's contents, a frame's title; "" for anything else.
inline QString captionOf(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* t = qobject_cast<QLineEdit*>(w))
        return t->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return QString();
}

} // namespace quorvix::test
