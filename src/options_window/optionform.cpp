#include "optionform.h"

#include "AppIcon.h"
#include "DropDownList.h"
#include "FlexGrid.h"
#include "FormLayout.h"
#include "RoundedShape.h"
#include "TabControl.h"
#include "Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace {

constexpr double kFormFontPoints = 9.0;
constexpr double kTabFontPoints = 8.25;
constexpr double kCaptionFontPoints = 9.75;

// Page grid in twips: margin, the height of one line of text boxes and the
// small square "..." buttons.
constexpr int kMargin = 90;
constexpr int kLine = controls::kLineTwips;
constexpr int kButtonHeight = 255;
constexpr int kComboHeight = 300;

// Page "読上げ＆ｱｸｼｮﾝ": one template per row pair; the row captions are
// Label13 with these indexes.
constexpr int kTemplateRowPitch = 840;
constexpr int kTemplateLabelIndex[6] = {0, 1, 3, 5, 6, 7};

using controls::formFont;
using controls::make;
using controls::place;
using controls::placeLabel;
using controls::placeLabelEndingAt;

QString indexed(QStringView name, int index)
{
    return name + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption)
{
    auto* l = make<QLabel>(parent, name);
    l->setText(caption);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = make<QPushButton>(parent, name);
    b->setText(caption);
    return b;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, bool ticked)
{
    auto* c = make<QCheckBox>(parent, name);
    c->setText(caption);
    c->setChecked(ticked);
    return c;
}

QLineEdit* textBox(QWidget* parent, const QString& name, const QString& text = QString())
{
    auto* t = make<QLineEdit>(parent, name);
    controls::allowAnyLength(t);
    t->setText(text);
    return t;
}

} // namespace

optionform::optionform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("optionform"));
    setWindowTitle(QStringLiteral("OPTION"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(controls::applicationIcon());
    setFont(formFont(kFormFontPoints));
    setFixedSize(controls::twipsToPixelsX(5670), controls::twipsToPixelsY(6855));

    buildWindow();
    arrangeTabOrder();
    connectHandlers();
    OkBt->setFocus();
}

optionform::~optionform() = default;

void optionform::buildWindow()
{
    SSTab1 = make<controls::TabControl>(this, QStringLiteral("SSTab1"));
    SSTab1->tabBar()->setFont(formFont(kTabFontPoints));
    place(SSTab1, 0, 0, 5655, 6375);

    const QString pageNames[] = {QStringLiteral("全般"), QStringLiteral("読上げ＆ｱｸｼｮﾝ"),
                                 QStringLiteral("ｱｶｳﾝﾄ"), QStringLiteral("ｴｰｼﾞｪﾝﾄ詳細")};
    for (int i = 0; i < 4; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("SSTab1_page%1").arg(i));
        SSTab1->addTab(page, pageNames[i]);
    }
    buildGeneralPage(SSTab1->widget(0));
    buildSpeechPage(SSTab1->widget(1));
    buildAccountPage(SSTab1->widget(2));
    buildAgentPage(SSTab1->widget(3));
    SSTab1->setCurrentIndex(0);

    // The bottom row: version notice at the left, OK and Cancel at the right.
    const int buttonTop = 6375 + (6855 - 6375 - kButtonHeight) / 2;
    Command1 = button(this, QStringLiteral("Command1"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    Command1->setToolTip(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報はここから確認できます"));
    place(Command1, 60, buttonTop, 1335, kButtonHeight);
    OkBt = button(this, QStringLiteral("OkBt"), QStringLiteral("OK"));
    OkBt->setToolTip(QStringLiteral("設定を保存して閉じます"));
    place(OkBt, 5670 - 60 - 855 - 90 - 855, buttonTop, 855, kButtonHeight);
    CancelBt = button(this, QStringLiteral("CancelBt"), QStringLiteral("ｷｬﾝｾﾙ"));
    CancelBt->setToolTip(QStringLiteral("ｱｶｳﾝﾄ以外の変更は保存せずに閉じます"));
    place(CancelBt, 5670 - 60 - 855, buttonTop, 855, kButtonHeight);
    OkBt->setDefault(true);
}

void optionform::buildGeneralPage(QWidget* page)
{
    // Fields of the path lines start here; their labels end just left of it.
    constexpr int fieldX = 810;
    constexpr int squareX = 5235;
    constexpr int rightHalf = 2790;

    int y = 120;
    Label9 = label(page, QStringLiteral("Label9"), QStringLiteral("ｴｰｼﾞｪﾝﾄ:"));
    Label9->setFont(formFont(kCaptionFontPoints));
    placeLabelEndingAt(Label9, fieldX - 45, y);
    AgentBox = textBox(page, QStringLiteral("AgentBox"));
    AgentBox->setToolTip(QStringLiteral("使用するエージェントを指定してください"));
    place(AgentBox, fieldX, y, 4395, kLine);
    Label9->setBuddy(AgentBox);
    Command3 = button(page, QStringLiteral("Command3"), QStringLiteral("..."));
    place(Command3, squareX, y, kLine, kLine);

    y += 390;
    Label12 = label(page, QStringLiteral("Label12"), QStringLiteral("表示、読み上げをしない文字:"));
    Label12->setFont(formFont(kCaptionFontPoints));
    placeLabel(Label12, kMargin, y);
    y += kLine + 30;
    Notstrbox = textBox(page, QStringLiteral("Notstrbox"));
    Notstrbox->setToolTip(QStringLiteral("メール中の以下の文字は読み上げません"));
    place(Notstrbox, kMargin, y, 5415, kLine);
    Label12->setBuddy(Notstrbox);

    y += 450;
    timerbox1 = textBox(page, QStringLiteral("timerbox1"), QStringLiteral("0"));
    timerbox1->setToolTip(QStringLiteral("0ならﾁｪｯｸしません"));
    place(timerbox1, kMargin, y, 495, kLine);
    Label3 = label(page, QStringLiteral("Label3"), QStringLiteral("分おきにチェック"));
    placeLabel(Label3, kMargin + 495 + 60, y);
    Label3->setBuddy(timerbox1);
    option3 = checkBox(page, QStringLiteral("option3"), QStringLiteral("ｴﾗｰﾒｯｾｰｼﾞは表示しない"), true);
    option3->setToolTip(QStringLiteral("ｴﾗｰで接続できなくても報告しません"));
    place(option3, rightHalf, y, 5505 - rightHalf, kLine);

    y += 330;
    option4 = checkBox(page, QStringLiteral("option4"), QStringLiteral("起動時にｴｰｼﾞｪﾝﾄ表示"), true);
    option4->setToolTip(QStringLiteral("起動時にエージェントを表示します"));
    place(option4, rightHalf, y, 5505 - rightHalf, kLine);

    y += 330;
    Label6 = label(page, QStringLiteral("Label6"), QStringLiteral("タイムアップ"));
    placeLabel(Label6, kMargin, y);
    const int timeUpX = kMargin + controls::pixelsToTwipsX(Label6->width()) + 60;
    timerbox3 = textBox(page, QStringLiteral("timerbox3"), QStringLiteral("1"));
    timerbox3->setToolTip(QStringLiteral("この時間が経過すると次をチェックします"));
    place(timerbox3, timeUpX, y, 495, kLine);
    Label2 = label(page, QStringLiteral("Label2"), QStringLiteral("秒"));
    placeLabel(Label2, timeUpX + 495 + 60, y);
    Label6->setBuddy(timerbox3);
    Check5 = checkBox(page, QStringLiteral("Check5"), QStringLiteral("読上げ後ｴｰｼﾞｪﾝﾄ非表示"), true);
    place(Check5, rightHalf, y, 5505 - rightHalf, kLine);

    y += 330;
    option5 = checkBox(page, QStringLiteral("option5"), QStringLiteral("起動時にﾒｰﾙ確認"), true);
    option5->setToolTip(QStringLiteral("起動すると自動的にﾒｰﾙをﾁｪｯｸします"));
    place(option5, kMargin, y, rightHalf - kMargin - 60, kLine);

    y += 420;
    Frame2 = make<QGroupBox>(page, QStringLiteral("Frame2"));
    Frame2->setTitle(QStringLiteral("ﾒｰﾙ到着時"));
    place(Frame2, kMargin, y, 5415, 1455);
    {
        constexpr int inner = 120;
        int fy = 300;
        option1 = checkBox(Frame2, QStringLiteral("option1"), QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟ"), true);
        option1->setToolTip(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟを表示します"));
        const int option1Width = int(controls::pixelsToTwipsX(option1->sizeHint().width()));
        place(option1, inner, fy, option1Width, kLine);
        const int closeX = inner + option1Width + 60;
        timerbox2 = textBox(Frame2, QStringLiteral("timerbox2"), QStringLiteral("0"));
        timerbox2->setToolTip(QStringLiteral("0ならﾎﾞﾀﾝを押さないと消えません"));
        place(timerbox2, closeX, fy, 495, kLine);
        Label4 = label(Frame2, QStringLiteral("Label4"), QStringLiteral("秒後に閉じる"));
        placeLabel(Label4, closeX + 495 + 60, fy);
        Label4->setBuddy(timerbox2);

        // Sound on the next line, with the caption of the WAV path beside it.
        fy += 360;
        option2 = checkBox(Frame2, QStringLiteral("option2"), QStringLiteral("ｻｳﾝﾄﾞ"), true);
        option2->setToolTip(QStringLiteral("音を鳴らします"));
        const int option2Width = int(controls::pixelsToTwipsX(option2->sizeHint().width()));
        place(option2, inner, fy, option2Width, kLine);
        Label7 = label(Frame2, QStringLiteral("Label7"), QStringLiteral("WAVﾌｧｲﾙの場所:"));
        placeLabel(Label7, closeX, fy);
        fy += kLine + 30;
        Wavbox = textBox(Frame2, QStringLiteral("Wavbox"));
        place(Wavbox, inner, fy, 4800, kLine);
        Label7->setBuddy(Wavbox);
        Command2 = button(Frame2, QStringLiteral("Command2"), QStringLiteral("..."));
        place(Command2, inner + 4800 + 60, fy, kLine, kLine);
    }

    y += 1455 + 210;
    const QString mailerCaptions[] = {QStringLiteral("ﾒｰﾗｰ1:"), QStringLiteral("ﾒｰﾗｰ2:")};
    for (int i = 1; i <= 2; ++i) {
        Label5[std::size_t(i - 1)] = label(page, indexed(u"Label5", i - 1), mailerCaptions[i - 1]);
        Label5[std::size_t(i - 1)]->setFont(formFont(kCaptionFontPoints));
        placeLabelEndingAt(Label5[std::size_t(i - 1)], fieldX - 45, y);
        Mailerbox[std::size_t(i)] = textBox(page, indexed(u"Mailerbox", i));
        Mailerbox[std::size_t(i)]->setToolTip(QStringLiteral("起動するﾒｰﾗｰの場所を指定してください"));
        place(Mailerbox[std::size_t(i)], fieldX, y, 4395, kLine);
        Label5[std::size_t(i - 1)]->setBuddy(Mailerbox[std::size_t(i)]);
        RefBt[std::size_t(i)] = button(page, indexed(u"RefBt", i), QStringLiteral("..."));
        place(RefBt[std::size_t(i)], squareX, y, kLine, kLine);
        y += 390;
    }
}

void optionform::buildSpeechPage(QWidget* page)
{
    constexpr int textX = 780;
    constexpr int rowPitch = kTemplateRowPitch;
    const auto& labelIndex = kTemplateLabelIndex;
    const QString rowCaptions[6] = {QStringLiteral("最初"),   QStringLiteral("ﾒｰﾙ毎1"),
                                    QStringLiteral("ﾒｰﾙ毎2"), QStringLiteral("ﾒｰﾙ毎3"),
                                    QStringLiteral("ﾒｰﾙ毎4"), QStringLiteral("最後")};
    const QString textTips[6] = {
        QStringLiteral("メール到着時、再度読み上げ時の最初に一度だけ読み上げられます"),
        QStringLiteral("メール一通毎に読み上げられます"),
        QStringLiteral("メール一通毎に読み上げられます"),
        QStringLiteral("メール一通毎に読み上げられます"),
        QStringLiteral("メール一通毎に読み上げられます"),
        QStringLiteral("全てのメールの読み上げ終了後に読み上げられます")};
    const QString checkNames[6] = {QStringLiteral("option8"), QStringLiteral("option9"),
                                   QStringLiteral("Check2"),  QStringLiteral("Check3"),
                                   QStringLiteral("Check1"),  QStringLiteral("Check4")};
    QCheckBox** checks[6] = {&option8, &option9, &Check2, &Check3, &Check1, &Check4};

    for (int row = 0; row < 6; ++row) {
        const int y = 90 + row * rowPitch;
        const auto r = std::size_t(row);
        QLabel*& rowLabel = Label13[std::size_t(labelIndex[row])];
        rowLabel = label(page, indexed(u"Label13", labelIndex[row]), rowCaptions[row]);

        Text1[r] = textBox(page, indexed(u"Text1", row));
        Text1[r]->setToolTip(textTips[row]);
        // The templates are typed in Japanese: the input method stays available.
        Text1[r]->setAttribute(Qt::WA_InputMethodEnabled, true);
        place(Text1[r], textX, y, 3615, kLine);
        // The row's caption names both its template box and its animation
        // list. On Linux a list is named only through a buddy label, so the
        // label goes to the list and the box carries the caption itself.
        Text1[r]->setAccessibleName(rowCaptions[row]);

        QCheckBox* check = checkBox(page, checkNames[row], QStringLiteral("読み上げ"), true);
        check->setToolTip(QStringLiteral("チェックすると読み上げます"));
        place(check, textX + 3615 + 75, y, 5505 - (textX + 3615 + 75), kLine);
        *checks[row] = check;

        const int y2 = y + kLine + 60;
        Combo1[r] = make<controls::DropDownList>(page, indexed(u"Combo1", row));
        place(Combo1[r], textX, y2, 3015, kComboHeight);
        rowLabel->setBuddy(Combo1[r]);
        Command4[r] = button(page, indexed(u"Command4", row), QStringLiteral("Play"));
        place(Command4[r], textX + 3015 + 75, y2, 3615 - 3015 - 75, kComboHeight);
    }

    // The legend of the template variables, with the number of body lines read.
    Frame1 = make<QGroupBox>(page, QStringLiteral("Frame1"));
    Frame1->setToolTip(QStringLiteral("変数一覧"));
    place(Frame1, kMargin, 90 + 5 * rowPitch + 660, 5415, 930);
    const QString legend[6] = {QStringLiteral("@1 ・・・ メール総数"),
                               QStringLiteral("@2 ・・・ アカウント"),
                               QStringLiteral("@3 ・・・ アカウント別メール番号"),
                               QStringLiteral("@4 ・・・ 差出人"),
                               QStringLiteral("@5 ・・・ 件名"),
                               QStringLiteral("@6 ・・・ 本文")};
    for (int i = 0; i < 6; ++i)
        Label14[std::size_t(i)] = label(Frame1, indexed(u"Label14", i), legend[i]);
    Label11 = label(Frame1, QStringLiteral("Label11"), QStringLiteral("（読み上げ行数"));
    talkcntbox = textBox(Frame1, QStringLiteral("talkcntbox"), QStringLiteral("10"));
    talkcntbox->setToolTip(QStringLiteral("指定された行数読み上げます"));
    Label10 = label(Frame1, QStringLiteral("Label10"), QStringLiteral("行）"));
    Label11->setBuddy(talkcntbox);
    controls::whenFirstShown(page, this, [this] { arrangeSpeechPage(); });
    controls::layOutTextsWhenShown(page);
}

void optionform::arrangeSpeechPage()
{
    for (int row = 0; row < 6; ++row)
        placeLabel(Label13[std::size_t(kTemplateLabelIndex[row])], kMargin, 90 + row * kTemplateRowPitch);

    // Two columns on the first two lines; the last line runs on to leave
    // room for the line count at its right end.
    constexpr int colA = 120;
    const int colB = colA +
                     int(controls::pixelsToTwipsX(
                         std::max(Label14[0]->sizeHint().width(), Label14[2]->sizeHint().width()))) +
                     240;
    const int lastLineB = colA + int(controls::pixelsToTwipsX(Label14[4]->sizeHint().width())) + 240;
    constexpr int lineY[3] = {60, 330, 600};
    placeLabel(Label14[0], colA, lineY[0], 255);
    placeLabel(Label14[1], colB, lineY[0], 255);
    placeLabel(Label14[2], colA, lineY[1], 255);
    placeLabel(Label14[3], colB, lineY[1], 255);
    placeLabel(Label14[4], colA, lineY[2], 255);
    placeLabel(Label14[5], lastLineB, lineY[2], 255);

    // The line count sits at the right end of the last line.
    const int right = 5415 - 120;
    const int label10Width = int(controls::pixelsToTwipsX(Label10->sizeHint().width()));
    const int boxX = right - label10Width - 30 - 435;
    placeLabel(Label10, right - label10Width, lineY[2], 255);
    place(talkcntbox, boxX, lineY[2], 435, 255);
    placeLabelEndingAt(Label11, boxX - 30, lineY[2], 255);
}

void optionform::buildAccountPage(QWidget* page)
{
    accountList = make<controls::FlexGrid>(page, QStringLiteral("accountList"));
    accountList->setFont(formFont(9.0));
    accountList->setToolTip(QStringLiteral("ﾀﾞﾌﾞﾙｸﾘｯｸは編集と同じです"));
    place(accountList, kMargin, 90, 5415, 5415);
    // The grid has no label; the page's caption says what it lists. The
    // table inside, which takes the focus, gets the name from the grid.
    accountList->setAccessibleName(QStringLiteral("ｱｶｳﾝﾄ"));

    const int y = 90 + 5415 + 90;
    addbutton = button(page, QStringLiteral("addbutton"), QStringLiteral("追加"));
    addbutton->setToolTip(QStringLiteral("ｱｶｳﾝﾄを新しく追加します"));
    place(addbutton, kMargin, y, 855, kButtonHeight);
    editbutton = button(page, QStringLiteral("editbutton"), QStringLiteral("編集"));
    editbutton->setToolTip(QStringLiteral("選択したｱｶｳﾝﾄの登録情報を編集します"));
    editbutton->setEnabled(false);
    place(editbutton, kMargin + 855 + 90, y, 855, kButtonHeight);
    delbutton = button(page, QStringLiteral("delbutton"), QStringLiteral("削除"));
    delbutton->setToolTip(QStringLiteral("選択したｱｶｳﾝﾄを削除します"));
    delbutton->setEnabled(false);
    place(delbutton, kMargin + 2 * (855 + 90), y, 855, kButtonHeight);
}

void optionform::buildAgentPage(QWidget* page)
{
    constexpr int barX = 5505 - 3975;

    Label5[2] = label(page, QStringLiteral("Label5(2)"), QStringLiteral("読み上げ時音量:"));
    Label5[2]->setToolTip(
        QStringLiteral("読上げ時の音量を設定します(マスターボリュームが0の時は無効になります)"));
    Label5[2]->setFont(formFont(kCaptionFontPoints));
    scr_Vol = make<QScrollBar>(page, QStringLiteral("scr_Vol"));
    scr_Vol->setOrientation(Qt::Horizontal);
    scr_Vol->setRange(-32768, 32767);
    scr_Vol->setSingleStep(1);
    scr_Vol->setPageStep(1);
    scr_Vol->setValue(0);
    place(scr_Vol, barX, 180 + 8, 3975, kButtonHeight);
    Label5[2]->setBuddy(scr_Vol);

    Label5[4] = label(page, QStringLiteral("Label5(4)"), QStringLiteral("読み上げ速度:"));
    Label5[4]->setToolTip(QStringLiteral("読み上げる速さを設定します"));
    Label5[4]->setFont(formFont(kCaptionFontPoints));
    scr_Pitch = make<QScrollBar>(page, QStringLiteral("scr_Pitch"));
    scr_Pitch->setOrientation(Qt::Horizontal);
    scr_Pitch->setRange(50, 250);
    scr_Pitch->setSingleStep(1);
    scr_Pitch->setPageStep(1);
    scr_Pitch->setValue(50);
    place(scr_Pitch, barX, 570 + 8, 3975, kButtonHeight);
    Label5[4]->setBuddy(scr_Pitch);

    Frame3 = make<QGroupBox>(page, QStringLiteral("Frame3"));
    Frame3->setTitle(QStringLiteral("フキダシの設定"));
    place(Frame3, kMargin, 1020, 5415, 1575);
    {
        constexpr int inner = 120;
        Label17 = label(Frame3, QStringLiteral("Label17"), QStringLiteral("ﾌｫﾝﾄ:"));
        Label16 = label(Frame3, QStringLiteral("Label16"), QStringLiteral("ｻｲｽﾞ:"));
        // Sized now, moved beside their captions when the page is first shown.
        Combo2 = make<controls::DropDownList>(Frame3, QStringLiteral("Combo2"));
        place(Combo2, inner, 330, 2655, kComboHeight);
        Label17->setBuddy(Combo2);
        Combo3 = make<controls::DropDownList>(Frame3, QStringLiteral("Combo3"));
        place(Combo3, inner, 750, 855, kComboHeight);
        Label16->setBuddy(Combo3);
        for (const char* size :
             {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"})
            Combo3->addItem(QLatin1String(size), 0);
        Combo3->setCurrentIndex(-1);

        shp_Sample = make<controls::RoundedShape>(Frame3, QStringLiteral("shp_Sample"));
        place(shp_Sample, 5415 - inner - 1815, 270, 1815, 855);
        lbl_Sample = label(Frame3, QStringLiteral("lbl_Sample"), QStringLiteral("サンプル画面"));
        lbl_Sample->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        lbl_Sample->setWordWrap(true);
        lbl_Sample->setAutoFillBackground(false);
        place(lbl_Sample, 5415 - inner - 1815 + 120, 270 + 120, 1575, 615);
        lbl_Sample->raise();

        Label18 = label(Frame3, QStringLiteral("Label18"),
                        QStringLiteral("フキダシの設定は次回起動時に有効になります"));
        QPalette red = Label18->palette();
        red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
        Label18->setPalette(red);
    }

    // Carries the volume as text for loading and saving; never shown.
    txt_Vol = textBox(page, QStringLiteral("txt_Vol"));
    place(txt_Vol, kMargin, 2700, 1200, kLine);
    txt_Vol->setVisible(false);
    controls::whenFirstShown(page, this, [this] { arrangeAgentPage(); });
    controls::layOutTextsWhenShown(page);
}

void optionform::arrangeAgentPage()
{
    constexpr int barX = 5505 - 3975;
    placeLabelEndingAt(Label5[2], barX - 60, 180);
    placeLabelEndingAt(Label5[4], barX - 60, 570);

    constexpr int inner = 120;
    const int listX =
        inner +
        int(controls::pixelsToTwipsX(std::max(Label17->sizeHint().width(), Label16->sizeHint().width()))) + 60;
    placeLabel(Label17, inner, 330, kComboHeight);
    place(Combo2, listX, 330, 2655, kComboHeight);
    placeLabel(Label16, inner, 750, kComboHeight);
    place(Combo3, listX, 750, 855, kComboHeight);
    placeLabel(Label18, inner, 1230, 255);
}

void optionform::arrangeTabOrder()
{
    QList<QWidget*> order = {OkBt,         CancelBt,  Command1,     SSTab1,  AgentBox,  Command3,
                             Notstrbox,    timerbox1, option3,      option4, timerbox3, Check5,
                             option5,      option1,   timerbox2,    option2, Wavbox,    Command2,
                             Mailerbox[1], RefBt[1],  Mailerbox[2], RefBt[2]};
    QCheckBox* checks[6] = {option8, option9, Check2, Check3, Check1, Check4};
    for (std::size_t i = 0; i < 6; ++i)
        order << Text1[i] << checks[i] << Combo1[i] << Command4[i];
    order << talkcntbox << accountList << addbutton << editbutton << delbutton << scr_Vol << scr_Pitch
          << Combo2 << Combo3;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void optionform::connectHandlers()
{
    connect(OkBt, &QPushButton::clicked, this, &optionform::OkBt_Click);
    connect(CancelBt, &QPushButton::clicked, this, &optionform::CancelBt_Click);
    connect(Command1, &QPushButton::clicked, this, &optionform::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &optionform::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &optionform::Command3_Click);
    for (int i = 1; i <= 2; ++i)
        connect(RefBt[std::size_t(i)], &QPushButton::clicked, this, [this, i] { RefBt_Click(i); });
    for (int i = 0; i < 6; ++i)
        connect(Command4[std::size_t(i)], &QPushButton::clicked, this, [this, i] { Command4_Click(i); });

    connect(accountList, &controls::FlexGrid::mouseDown, this, &optionform::accountList_MouseDown);
    connect(accountList, &controls::FlexGrid::dblClick, this, &optionform::accountList_DblClick);
    connect(accountList, &controls::FlexGrid::currentCellChanged, this,
            &optionform::accountList_RowColChange);
    connect(addbutton, &QPushButton::clicked, this, &optionform::addbutton_Click);
    connect(editbutton, &QPushButton::clicked, this, &optionform::editbutton_Click);
    connect(delbutton, &QPushButton::clicked, this, &optionform::delbutton_Click);

    // Value-changed signals, so that a value set from code runs the handler at once.
    connect(option1, &QCheckBox::toggled, this, &optionform::option1_Click);
    connect(scr_Pitch, &QScrollBar::valueChanged, this, &optionform::scr_Pitch_Change);
    connect(scr_Vol, &QScrollBar::valueChanged, this, &optionform::scr_Vol_Change);
    connect(Combo2, &controls::DropDownList::itemSelected, this, &optionform::Combo2_Click);
    connect(Combo3, &controls::DropDownList::itemSelected, this, &optionform::Combo3_Click);
}

void optionform::setVisible(bool visible)
{
    if (visible && !loaded_) {
        loaded_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        const QScopedValueRollback opening(opening_, true);
        Form_Load();
    }
    QDialog::setVisible(visible);
}

void optionform::reject()
{
    CancelBt->click();
}

void optionform::endProgram()
{
    QDialog::done(QDialog::Rejected);
    // The owner ends the program; a window that ended it itself could not
    // be used by a test or a tool that goes on after it.
    emit programEnding();
}
