#include "accountform.h"

#include "AppIcon.h"
#include "ColorSwatch.h"
#include "FormLayout.h"
#include "PasswordBox.h"
#include "Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr double kFormFontPoints = 9.0;
constexpr double kCaptionFontPoints = 9.75;

constexpr int kMargin = 90;
constexpr int kLine = controls::kLineTwips;
constexpr int kButtonHeight = 255;
constexpr int kLinePitch = 360;

using controls::formFont;
using controls::make;
using controls::place;
using controls::placeLabel;
using controls::placeLabelEndingAt;

QLabel* captionLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* l = make<QLabel>(parent, name);
    l->setText(caption);
    l->setFont(formFont(kCaptionFontPoints));
    return l;
}

int widthTwips(const QWidget* widget)
{
    return int(controls::pixelsToTwipsX(widget->sizeHint().width()) + 0.5);
}

QLineEdit* textBox(QWidget* parent, const QString& name, const QString& tip, const QString& text = QString())
{
    auto* t = make<QLineEdit>(parent, name);
    controls::allowAnyLength(t);
    t->setToolTip(tip);
    t->setText(text);
    return t;
}

} // namespace

accountform::accountform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("accountform"));
    setWindowTitle(QStringLiteral("ｱｶｳﾝﾄ"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(controls::applicationIcon());
    setModal(true);
    setFont(formFont(kFormFontPoints));
    setFixedSize(controls::twipsToPixelsX(5535), controls::twipsToPixelsY(1950));

    buildWindow();
    arrangeTabOrder();
    connectHandlers();
    Hostname->setFocus();
}

accountform::~accountform() = default;

void accountform::buildWindow()
{
    constexpr int right = 5535 - kMargin;
    const int lineY[5] = {90, 90 + kLinePitch, 90 + 2 * kLinePitch, 90 + 3 * kLinePitch,
                          90 + 4 * kLinePitch + 30};

    Label6[1] = captionLabel(this, QStringLiteral("Label6(1)"), QStringLiteral("名前:"));
    Label6[0] = captionLabel(this, QStringLiteral("Label6(0)"), QStringLiteral("ﾒｰﾙｻｰﾊﾞ:"));
    Label1 = captionLabel(this, QStringLiteral("Label1"), QStringLiteral("ﾕｰｻﾞｰ名:"));
    Label2 = captionLabel(this, QStringLiteral("Label2"), QStringLiteral("ﾊﾟｽﾜｰﾄﾞ:"));
    // The fields start where the widest caption of the left column ends.
    const int captionWidth =
        std::max({widthTwips(Label6[1]), widthTwips(Label6[0]), widthTwips(Label1), widthTwips(Label2)});
    const int fieldX = kMargin + captionWidth + 60;

    // Line 1: the display name.
    placeLabelEndingAt(Label6[1], fieldX - 60, lineY[0]);
    Accountname =
        textBox(this, QStringLiteral("Accountname"),
                QStringLiteral("好きな名前を付けて下さい、省略すると「ﾕｰｻﾞｰ名@ﾒｰﾙｻｰﾊﾞ」になります"));
    place(Accountname, fieldX, lineY[0], 2955, kLine);
    Label6[1]->setBuddy(Accountname);

    // Line 2: the mail server and, at the right end, the port.
    placeLabelEndingAt(Label6[0], fieldX - 60, lineY[1]);
    Hostname = textBox(this, QStringLiteral("Hostname"), QStringLiteral("ﾒｰﾙｻｰﾊﾞの名前を入れてください"));
    place(Hostname, fieldX, lineY[1], 2955, kLine);
    Label6[0]->setBuddy(Hostname);
    Portbox = textBox(this, QStringLiteral("Portbox"), QStringLiteral("通常は110のままでいいよ"),
                      QStringLiteral("110"));
    place(Portbox, right - 555, lineY[1], 555, kLine);
    Label7 = captionLabel(this, QStringLiteral("Label7"), QStringLiteral("ﾎﾟｰﾄ番号:"));
    placeLabelEndingAt(Label7, right - 555 - 60, lineY[1]);
    Label7->setBuddy(Portbox);

    // Lines 3 and 4: user name and password, with the popup colours beside them.
    placeLabelEndingAt(Label1, fieldX - 60, lineY[2]);
    UserName = textBox(this, QStringLiteral("UserName"), QStringLiteral("ﾕｰｻﾞｰ名(ｱｶｳﾝﾄ)を入れてください"));
    place(UserName, fieldX, lineY[2], 1515, kLine);
    Label1->setBuddy(UserName);
    placeLabelEndingAt(Label2, fieldX - 60, lineY[3]);
    MailPassWord = make<controls::PasswordBox>(this, QStringLiteral("MailPassWord"));
    MailPassWord->setToolTip(QStringLiteral("ﾊﾟｽﾜｰﾄﾞを入れてください、*で表示されます"));
    place(MailPassWord, fieldX, lineY[3], 1515, kLine);
    Label2->setBuddy(MailPassWord);

    const int frameX = fieldX + 1515 + 150;
    Frame1 = make<QGroupBox>(this, QStringLiteral("Frame1"));
    Frame1->setTitle(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟの表示色"));
    place(Frame1, frameX, lineY[2] - 45, right - frameX, lineY[3] + kLine - lineY[2] + 90);
    {
        constexpr int swatchY = 330;
        Label3 = captionLabel(Frame1, QStringLiteral("Label3"), QStringLiteral("文字:"));
        placeLabel(Label3, 120, swatchY, kButtonHeight);
        int x = 120 + widthTwips(Label3) + 45;
        Colorbox = make<controls::ColorSwatch>(Frame1, QStringLiteral("Colorbox"));
        Colorbox->setToolTip(QStringLiteral("ｸﾘｯｸすると色を選択できます"));
        Colorbox->setBackColor(0x000000);
        place(Colorbox, x, swatchY, 495, 255);
        x += 495 + 210;
        Label5 = captionLabel(Frame1, QStringLiteral("Label5"), QStringLiteral("背景:"));
        placeLabel(Label5, x, swatchY, kButtonHeight);
        x += widthTwips(Label5) + 45;
        Colorbox2 = make<controls::ColorSwatch>(Frame1, QStringLiteral("Colorbox2"));
        Colorbox2->setToolTip(QStringLiteral("ｸﾘｯｸすると色を選択できます"));
        Colorbox2->setBackColor(0xFFFF80);
        place(Colorbox2, x, swatchY, 495, 255);
    }

    // Line 5: whether the account is checked, and the two buttons at the right end.
    Check1 = make<QCheckBox>(this, QStringLiteral("Check1"));
    Check1->setText(QStringLiteral("ﾁｪｯｸする"));
    Check1->setChecked(true);
    place(Check1, fieldX, lineY[4], 1515, kButtonHeight);
    Command1 = make<QPushButton>(this, QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("OK"));
    Command1->setToolTip(QStringLiteral("設定を保存して閉じるよ"));
    Command1->setEnabled(false);
    place(Command1, right - 855 - 90 - 855, lineY[4], 855, kButtonHeight);
    Command2 = make<QPushButton>(this, QStringLiteral("Command2"));
    Command2->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    Command2->setToolTip(QStringLiteral("変更は保存せずに閉じるよ"));
    place(Command2, right - 855, lineY[4], 855, kButtonHeight);
    // Neither button is the default: Enter in a field must not confirm the account.
    for (QPushButton* b : {Command1, Command2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

void accountform::arrangeTabOrder()
{
    const QWidget* order[] = {Hostname, UserName, MailPassWord, Portbox,
                              Command1, Command2, Check1,       Accountname};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void accountform::connectHandlers()
{
    connect(Hostname, &QLineEdit::textChanged, this, &accountform::Hostname_Change);
    connect(Colorbox, &controls::ColorSwatch::clicked, this, &accountform::Colorbox_Click);
    connect(Colorbox2, &controls::ColorSwatch::clicked, this, &accountform::Colorbox2_Click);
    connect(Command1, &QPushButton::clicked, this, &accountform::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &accountform::Command2_Click);
    connect(Check1, &QCheckBox::toggled, this, [this] { checkTouched_ = true; });
}

void accountform::setVisible(bool visible)
{
    if (visible && !centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::setVisible(visible);
}

void accountform::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button still takes Enter, as buttons do; a field never confirms.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled())
            focused->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void accountform::reject()
{
    Command2_Click();
}
