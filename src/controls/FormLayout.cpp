#include "FormLayout.h"

#include "Twips.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <limits>
#include <vector>

namespace controls {

namespace {

class FirstShowWatch : public QObject
{
public:
    FirstShowWatch(QWidget* page, QObject* context, std::function<void()> arrange)
        : QObject(page), context_(context), arrange_(std::move(arrange))
    {
        page->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            if (context_)
                arrange_();
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QObject> context_;
    std::function<void()> arrange_;
};

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

void whenFirstShown(QWidget* page, QObject* context, std::function<void()> arrange)
{
    new FirstShowWatch(page, context, std::move(arrange));
}

void layOutTextsWhenShown(QWidget* page)
{
    struct Held
    {
        QPointer<QLineEdit> box;
        Qt::InputMethodHints hints;
        bool inputMethod;
    };
    std::vector<Held> held;
    for (QLineEdit* box : page->findChildren<QLineEdit*>()) {
        if (box->echoMode() != QLineEdit::Normal)
            continue;
        held.push_back({box, box->inputMethodHints(), box->testAttribute(Qt::WA_InputMethodEnabled)});
        box->setEchoMode(QLineEdit::NoEcho);
    }
    whenFirstShown(page, page, [held = std::move(held)] {
        for (const Held& h : held) {
            if (!h.box)
                continue;
            h.box->setEchoMode(QLineEdit::Normal);
            h.box->setInputMethodHints(h.hints);
            h.box->setAttribute(Qt::WA_InputMethodEnabled, h.inputMethod);
        }
    });
}

} // namespace controls
