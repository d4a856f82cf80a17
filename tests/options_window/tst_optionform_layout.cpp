// The options window as it is built, before anything is loaded: every
// control under its name with its kind, texts, page and frame, sizes, fonts
// and initial states, what Enter, Esc and the title bar's close press, and
// what a screen reader says for each field of both windows.

#include "ControlKinds.h"
#include "ModalAnswers.h"
#include "TestMain.h"
#include "accountform.h"

#include "ApplicationSetup.h"
#include "DropDownList.h"
#include "FlexGrid.h"
#include "FormLayout.h"
#include "RoundedShape.h"
#include "Twips.h"
#include "optionform.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

struct Expected
{
    const char* name;
    Kind kind;
    const char16_t* caption; // nullptr: the control has no caption
    const char16_t* tooltip; // nullptr: no tooltip
    int page;                // -1: on the window itself
};

// Names, kinds, captions (initial texts of text boxes) and tooltips as the
// window's documentation gives them.
const Expected kControls[] = {
    {"SSTab1", Kind::TabControl, nullptr, nullptr, -1},
    {"Command1", Kind::Button, u"ﾊﾞｰｼﾞｮﾝ情報", u"ﾊﾞｰｼﾞｮﾝ情報はここから確認できます", -1},
    {"OkBt", Kind::Button, u"OK", u"設定を保存して閉じます", -1},
    {"CancelBt", Kind::Button, u"ｷｬﾝｾﾙ", u"ｱｶｳﾝﾄ以外の変更は保存せずに閉じます", -1},
    {"Label9", Kind::Label, u"ｴｰｼﾞｪﾝﾄ:", nullptr, 0},
    {"AgentBox", Kind::TextBox, u"", u"使用するエージェントを指定してください", 0},
    {"Command3", Kind::Button, u"...", nullptr, 0},
    {"Label12", Kind::Label, u"表示、読み上げをしない文字:", nullptr, 0},
    {"Notstrbox", Kind::TextBox, u"", u"メール中の以下の文字は読み上げません", 0},
    {"timerbox1", Kind::TextBox, u"0", u"0ならﾁｪｯｸしません", 0},
    {"Label3", Kind::Label, u"分おきにチェック", nullptr, 0},
    {"option3", Kind::CheckBox, u"ｴﾗｰﾒｯｾｰｼﾞは表示しない", u"ｴﾗｰで接続できなくても報告しません", 0},
    {"option4", Kind::CheckBox, u"起動時にｴｰｼﾞｪﾝﾄ表示", u"起動時にエージェントを表示します", 0},
    {"Label6", Kind::Label, u"タイムアップ", nullptr, 0},
    {"timerbox3", Kind::TextBox, u"1", u"この時間が経過すると次をチェックします", 0},
    {"Label2", Kind::Label, u"秒", nullptr, 0},
    {"Check5", Kind::CheckBox, u"読上げ後ｴｰｼﾞｪﾝﾄ非表示", nullptr, 0},
    {"option5", Kind::CheckBox, u"起動時にﾒｰﾙ確認", u"起動すると自動的にﾒｰﾙをﾁｪｯｸします", 0},
    {"Frame2", Kind::Frame, u"ﾒｰﾙ到着時", nullptr, 0},
    {"option1", Kind::CheckBox, u"ﾎﾟｯﾌﾟｱｯﾌﾟ", u"ﾎﾟｯﾌﾟｱｯﾌﾟを表示します", 0},
    {"timerbox2", Kind::TextBox, u"0", u"0ならﾎﾞﾀﾝを押さないと消えません", 0},
    {"Label4", Kind::Label, u"秒後に閉じる", nullptr, 0},
    {"option2", Kind::CheckBox, u"ｻｳﾝﾄﾞ", u"音を鳴らします", 0},
    {"Label7", Kind::Label, u"WAVﾌｧｲﾙの場所:", nullptr, 0},
    {"Wavbox", Kind::TextBox, u"", nullptr, 0},
    {"Command2", Kind::Button, u"...", nullptr, 0},
    {"Label5(0)", Kind::Label, u"ﾒｰﾗｰ1:", nullptr, 0},
    {"Mailerbox(1)", Kind::TextBox, u"", u"起動するﾒｰﾗｰの場所を指定してください", 0},
    {"RefBt(1)", Kind::Button, u"...", nullptr, 0},
    {"Label5(1)", Kind::Label, u"ﾒｰﾗｰ2:", nullptr, 0},
    {"Mailerbox(2)", Kind::TextBox, u"", u"起動するﾒｰﾗｰの場所を指定してください", 0},
    {"RefBt(2)", Kind::Button, u"...", nullptr, 0},
    {"accountList", Kind::Grid, nullptr, u"ﾀﾞﾌﾞﾙｸﾘｯｸは編集と同じです", 2},
    {"addbutton", Kind::Button, u"追加", u"ｱｶｳﾝﾄを新しく追加します", 2},
    {"editbutton", Kind::Button, u"編集", u"選択したｱｶｳﾝﾄの登録情報を編集します", 2},
    {"delbutton", Kind::Button, u"削除", u"選択したｱｶｳﾝﾄを削除します", 2},
    {"Label5(2)", Kind::Label, u"読み上げ時音量:",
     u"読上げ時の音量を設定します(マスターボリュームが0の時は無効になります)", 3},
    {"scr_Vol", Kind::HScrollBar, nullptr, nullptr, 3},
    {"Label5(4)", Kind::Label, u"読み上げ速度:", u"読み上げる速さを設定します", 3},
    {"scr_Pitch", Kind::HScrollBar, nullptr, nullptr, 3},
    {"Frame3", Kind::Frame, u"フキダシの設定", nullptr, 3},
    {"Label17", Kind::Label, u"ﾌｫﾝﾄ:", nullptr, 3},
    {"Combo2", Kind::DropDownList, nullptr, nullptr, 3},
    {"Label16", Kind::Label, u"ｻｲｽﾞ:", nullptr, 3},
    {"Combo3", Kind::DropDownList, nullptr, nullptr, 3},
    {"shp_Sample", Kind::Shape, nullptr, nullptr, 3},
    {"lbl_Sample", Kind::Label, u"サンプル画面", nullptr, 3},
    {"Label18", Kind::Label, u"フキダシの設定は次回起動時に有効になります", nullptr, 3},
    {"txt_Vol", Kind::TextBox, u"", nullptr, 3},
    {"Label13(0)", Kind::Label, u"最初", nullptr, 1},
    {"Text1(0)", Kind::TextBox, u"", u"メール到着時、再度読み上げ時の最初に一度だけ読み上げられます", 1},
    {"option8", Kind::CheckBox, u"読み上げ", u"チェックすると読み上げます", 1},
    {"Combo1(0)", Kind::DropDownList, nullptr, nullptr, 1},
    {"Command4(0)", Kind::Button, u"Play", nullptr, 1},
    {"Label13(1)", Kind::Label, u"ﾒｰﾙ毎1", nullptr, 1},
    {"Text1(1)", Kind::TextBox, u"", u"メール一通毎に読み上げられます", 1},
    {"option9", Kind::CheckBox, u"読み上げ", u"チェックすると読み上げます", 1},
    {"Combo1(1)", Kind::DropDownList, nullptr, nullptr, 1},
    {"Command4(1)", Kind::Button, u"Play", nullptr, 1},
    {"Label13(3)", Kind::Label, u"ﾒｰﾙ毎2", nullptr, 1},
    {"Text1(2)", Kind::TextBox, u"", u"メール一通毎に読み上げられます", 1},
    {"Check2", Kind::CheckBox, u"読み上げ", u"チェックすると読み上げます", 1},
    {"Combo1(2)", Kind::DropDownList, nullptr, nullptr, 1},
    {"Command4(2)", Kind::Button, u"Play", nullptr, 1},
    {"Label13(5)", Kind::Label, u"ﾒｰﾙ毎3", nullptr, 1},
    {"Text1(3)", Kind::TextBox, u"", u"メール一通毎に読み上げられます", 1},
    {"Check3", Kind::CheckBox, u"読み上げ", u"チェックすると読み上げます", 1},
    {"Combo1(3)", Kind::DropDownList, nullptr, nullptr, 1},
    {"Command4(3)", Kind::Button, u"Play", nullptr, 1},
    {"Label13(6)", Kind::Label, u"ﾒｰﾙ毎4", nullptr, 1},
    {"Text1(4)", Kind::TextBox, u"", u"メール一通毎に読み上げられます", 1},
    {"Check1", Kind::CheckBox, u"読み上げ", u"チェックすると読み上げます", 1},
    {"Combo1(4)", Kind::DropDownList, nullptr, nullptr, 1},
    {"Command4(4)", Kind::Button, u"Play", nullptr, 1},
    {"Label13(7)", Kind::Label, u"最後", nullptr, 1},
    {"Text1(5)", Kind::TextBox, u"", u"全てのメールの読み上げ終了後に読み上げられます", 1},
    {"Check4", Kind::CheckBox, u"読み上げ", u"チェックすると読み上げます", 1},
    {"Combo1(5)", Kind::DropDownList, nullptr, nullptr, 1},
    {"Command4(5)", Kind::Button, u"Play", nullptr, 1},
    {"Frame1", Kind::Frame, u"", u"変数一覧", 1},
    {"Label14(0)", Kind::Label, u"@1 ・・・ メール総数", nullptr, 1},
    {"Label14(1)", Kind::Label, u"@2 ・・・ アカウント", nullptr, 1},
    {"Label14(2)", Kind::Label, u"@3 ・・・ アカウント別メール番号", nullptr, 1},
    {"Label14(3)", Kind::Label, u"@4 ・・・ 差出人", nullptr, 1},
    {"Label14(4)", Kind::Label, u"@5 ・・・ 件名", nullptr, 1},
    {"Label14(5)", Kind::Label, u"@6 ・・・ 本文", nullptr, 1},
    {"Label11", Kind::Label, u"（読み上げ行数", nullptr, 1},
    {"Label10", Kind::Label, u"行）", nullptr, 1},
    {"talkcntbox", Kind::TextBox, u"10", u"指定された行数読み上げます", 1},
};

const QString kFace = QStringLiteral("ＭＳ Ｐゴシック");

QSize twipsSize(int width, int height)
{
    return {controls::twipsToPixelsX(width), controls::twipsToPixelsY(height)};
}

// Answers any dialog the window opens while a test drives it (the missing-agent
// warning, a file picker), so no test waits for a user.
struct DialogAnswerer
{
    EveryModal<QDialog> rejecter{[](QDialog* dialog) { dialog->reject(); }};
};

// What a screen reader says for a field. On Linux a list's own name is its
// current item; its label reaches the reader as the "labelled by" relation.
QString spokenName(QWidget* w)
{
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(w);
    const auto labels = field->relations(QAccessible::Label);
    if (field->role() != QAccessible::ComboBox)
        return field->text(QAccessible::Name);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

} // namespace

class TestOptionformLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { app::setUpApplication(*qApp); }

    void theSetUpMapsTheFaceAndSpeaksJapanese()
    {
        QCOMPARE(QApplication::font().family(), controls::formFontFamily());
        if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
            QSKIP("IPAPGothic is not installed here");
        // The windows ask for the installed face itself; the designed face still maps to it.
        QCOMPARE(controls::formFontFamily(), QStringLiteral("IPAPGothic"));
        QCOMPARE(QFontInfo(QFont(kFace)).family(), QStringLiteral("IPAPGothic"));
        // Qt's own buttons come out in Japanese.
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
        QVERIFY(!QApplication::windowIcon().isNull());
    }

    void everyControlHasItsNameKindAndTexts_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kControls)); ++i)
            QTest::newRow(kControls[i].name) << i;
    }

    void everyControlHasItsNameKindAndTexts()
    {
        QFETCH(int, row);
        const Expected& e = kControls[row];
        optionform form;
        const QList<QWidget*> found = form.findChildren<QWidget*>(QLatin1String(e.name));
        QCOMPARE(found.size(), 1);
        QWidget* w = found.first();
        QVERIFY2(hasKind(w, e.kind), e.name);
        if (e.caption)
            QCOMPARE(captionOf(w), QString::fromUtf16(e.caption));
        QCOMPARE(w->toolTip(), e.tooltip ? QString::fromUtf16(e.tooltip) : QString());

        if (e.page < 0) {
            QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&form));
        } else {
            QWidget* page = form.SSTab1->widget(e.page);
            QVERIFY2(page->isAncestorOf(w), e.name);
        }
    }

    void membersAreTheNamedControlsWithArrayGapsEmpty()
    {
        optionform form;
        auto same = [&](QWidget* member, const char* name) {
            return member && member == form.findChild<QWidget*>(QLatin1String(name));
        };
        QVERIFY(same(form.OkBt, "OkBt"));
        QVERIFY(same(form.accountList, "accountList"));
        QVERIFY(same(form.Label5[0], "Label5(0)"));
        QVERIFY(same(form.Label5[1], "Label5(1)"));
        QVERIFY(same(form.Label5[2], "Label5(2)"));
        QVERIFY(same(form.Label5[4], "Label5(4)"));
        QVERIFY(!form.Label5[3]);
        const int rowLabels[] = {0, 1, 3, 5, 6, 7};
        for (int i : rowLabels)
            QVERIFY(same(form.Label13[std::size_t(i)], qPrintable(QStringLiteral("Label13(%1)").arg(i))));
        QVERIFY(!form.Label13[2] && !form.Label13[4]);
        for (int i = 0; i < 6; ++i) {
            QVERIFY(same(form.Text1[std::size_t(i)], qPrintable(QStringLiteral("Text1(%1)").arg(i))));
            QVERIFY(same(form.Combo1[std::size_t(i)], qPrintable(QStringLiteral("Combo1(%1)").arg(i))));
            QVERIFY(same(form.Command4[std::size_t(i)], qPrintable(QStringLiteral("Command4(%1)").arg(i))));
            QVERIFY(same(form.Label14[std::size_t(i)], qPrintable(QStringLiteral("Label14(%1)").arg(i))));
        }
        QVERIFY(!form.Mailerbox[0] && !form.RefBt[0]);
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(same(form.Mailerbox[std::size_t(i)], qPrintable(QStringLiteral("Mailerbox(%1)").arg(i))));
            QVERIFY(same(form.RefBt[std::size_t(i)], qPrintable(QStringLiteral("RefBt(%1)").arg(i))));
        }
        // The template check boxes in template order.
        QVERIFY(same(form.option8, "option8") && same(form.option9, "option9") &&
                same(form.Check2, "Check2") && same(form.Check3, "Check3") && same(form.Check1, "Check1") &&
                same(form.Check4, "Check4"));
    }

    void framesHoldTheirControls()
    {
        optionform form;
        // The pages the window does not open with are laid out when first shown.
        for (int page = 1; page < form.SSTab1->count(); ++page) {
            QShowEvent shown;
            QCoreApplication::sendEvent(form.SSTab1->widget(page), &shown);
        }
        QVERIFY(form.Label14[1]->x() > form.Label14[0]->geometry().right());
        QVERIFY(form.Label11->geometry().right() < form.talkcntbox->x());
        QVERIFY(form.Label17->geometry().right() < form.Combo2->x());
        const QList<QPair<QGroupBox*, QStringList>> frames = {
            {form.Frame2,
             {QStringLiteral("option1"), QStringLiteral("timerbox2"), QStringLiteral("Label4"),
              QStringLiteral("option2"), QStringLiteral("Label7"), QStringLiteral("Wavbox"),
              QStringLiteral("Command2")}},
            {form.Frame3,
             {QStringLiteral("Label17"), QStringLiteral("Combo2"), QStringLiteral("Label16"),
              QStringLiteral("Combo3"), QStringLiteral("shp_Sample"), QStringLiteral("lbl_Sample"),
              QStringLiteral("Label18")}},
            {form.Frame1,
             {QStringLiteral("Label14(0)"), QStringLiteral("Label14(5)"), QStringLiteral("Label11"),
              QStringLiteral("talkcntbox"), QStringLiteral("Label10")}},
        };
        for (const auto& [frame, names] : frames) {
            for (const QString& name : names) {
                QWidget* w = form.findChild<QWidget*>(name);
                QVERIFY2(w && w->parentWidget() == frame, qPrintable(name));
                // Inside the frame's box, not cut off by it.
                QVERIFY2(frame->rect().contains(w->geometry()), qPrintable(name));
            }
        }
        QVERIFY(!form.Frame2->isAncestorOf(form.Mailerbox[1]));
        QVERIFY(!form.Frame3->isAncestorOf(form.txt_Vol));
    }

    void theWindowAndItsPages()
    {
        optionform form;
        QCOMPARE(form.objectName(), QStringLiteral("optionform"));
        QCOMPARE(form.windowTitle(), QStringLiteral("OPTION"));
        QCOMPARE(form.size(), twipsSize(5670, 6855));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!form.windowIcon().isNull());

        QCOMPARE(form.SSTab1->count(), 4);
        const QStringList captions = {QStringLiteral("全般"), QStringLiteral("読上げ＆ｱｸｼｮﾝ"),
                                      QStringLiteral("ｱｶｳﾝﾄ"), QStringLiteral("ｴｰｼﾞｪﾝﾄ詳細")};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(form.SSTab1->tabText(i), captions.at(i));
        QCOMPARE(form.SSTab1->currentIndex(), 0);
        QCOMPARE(form.SSTab1->geometry(), QRect(QPoint(0, 0), twipsSize(5655, 6375)));
    }

    void sizesGivenInTwips()
    {
        optionform form;
        const struct
        {
            QWidget* control;
            int width;
            int height; // 0: not given
        } sizes[] = {
            {form.Command1, 1335, 255},   {form.OkBt, 855, 255},       {form.CancelBt, 855, 255},
            {form.AgentBox, 4395, 0},     {form.timerbox1, 495, 0},    {form.timerbox2, 495, 0},
            {form.timerbox3, 495, 0},     {form.Wavbox, 4800, 0},      {form.Mailerbox[1], 4395, 0},
            {form.Mailerbox[2], 4395, 0}, {form.Frame2, 0, 1455},      {form.accountList, 5415, 5415},
            {form.addbutton, 855, 255},   {form.editbutton, 855, 255}, {form.delbutton, 855, 255},
            {form.scr_Vol, 3975, 0},      {form.scr_Pitch, 3975, 0},   {form.Frame3, 0, 1575},
            {form.Combo2, 2655, 0},       {form.Combo3, 855, 0},       {form.shp_Sample, 1815, 855},
            {form.lbl_Sample, 1575, 615},
        };
        for (const auto& s : sizes) {
            if (s.width)
                QCOMPARE(s.control->width(), controls::twipsToPixelsX(s.width));
            if (s.height)
                QCOMPARE(s.control->height(), controls::twipsToPixelsY(s.height));
        }
        for (std::size_t i = 0; i < 6; ++i) {
            QCOMPARE(form.Text1[i]->width(), controls::twipsToPixelsX(3615));
            QCOMPARE(form.Combo1[i]->width(), controls::twipsToPixelsX(3015));
        }
        // The three buttons of the bottom row share one line below the tabs.
        QCOMPARE(form.OkBt->y(), form.Command1->y());
        QCOMPARE(form.CancelBt->y(), form.Command1->y());
        QVERIFY(form.Command1->y() >= form.SSTab1->geometry().bottom());
        QVERIFY(form.OkBt->x() > form.width() / 2 && form.CancelBt->x() > form.OkBt->x());
        QVERIFY(form.rect().contains(form.CancelBt->geometry()));
        // The sample text lies inside the balloon.
        QVERIFY(form.shp_Sample->geometry().contains(form.lbl_Sample->geometry()));
    }

    void fonts()
    {
        optionform form;
        QCOMPARE(form.font().family(), controls::formFontFamily());
        QCOMPARE(form.font().pointSizeF(), 9.0);
        QCOMPARE(form.SSTab1->tabBar()->font().pointSizeF(), 8.25);
        QCOMPARE(form.SSTab1->tabBar()->font().family(), controls::formFontFamily());
        for (QLabel* l :
             {form.Label9, form.Label12, form.Label5[0], form.Label5[1], form.Label5[2], form.Label5[4]}) {
            QCOMPARE(l->font().pointSizeF(), 9.75);
            QCOMPARE(l->font().family(), controls::formFontFamily());
            QCOMPARE(l->font().weight(), QFont::Normal);
        }
        QCOMPARE(form.accountList->font().pointSizeF(), 9.0);
        QCOMPARE(form.Label3->font().pointSizeF(), 9.0);
        QCOMPARE(form.option1->font().family(), controls::formFontFamily());
    }

    void initialStatesBeforeLoading()
    {
        optionform form;
        for (QCheckBox* c :
             {form.option1, form.option2, form.option3, form.option4, form.option5, form.Check5, form.option8,
              form.option9, form.Check1, form.Check2, form.Check3, form.Check4})
            QVERIFY2(c->isChecked(), qPrintable(c->objectName()));
        QVERIFY(form.addbutton->isEnabled());
        QVERIFY(!form.editbutton->isEnabled());
        QVERIFY(!form.delbutton->isEnabled());
        QVERIFY(form.timerbox2->isEnabled());
        QVERIFY(form.txt_Vol->isHidden());

        QCOMPARE(form.accountList->Rows(), 1);
        for (controls::DropDownList* list : form.Combo1)
            QCOMPARE(list->count(), 0);
        QCOMPARE(form.Combo2->count(), 0);

        const QStringList sizes = {
            QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
            QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
            QStringLiteral("20"), QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"),
            QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")};
        QCOMPARE(form.Combo3->count(), 16);
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(form.Combo3->itemText(i), sizes.at(i));
            QCOMPARE(form.Combo3->itemData(i).toInt(), 0);
        }
        QCOMPARE(form.Combo3->currentIndex(), -1);

        QCOMPARE(form.scr_Vol->minimum(), -32768);
        QCOMPARE(form.scr_Vol->maximum(), 32767);
        QCOMPARE(form.scr_Vol->singleStep(), 1);
        QCOMPARE(form.scr_Vol->pageStep(), 1);
        QCOMPARE(form.scr_Vol->value(), 0);
        QCOMPARE(form.scr_Pitch->minimum(), 50);
        QCOMPARE(form.scr_Pitch->maximum(), 250);
        QCOMPARE(form.scr_Pitch->singleStep(), 1);
        QCOMPARE(form.scr_Pitch->pageStep(), 1);
        QCOMPARE(form.scr_Pitch->value(), 50);

        QCOMPARE(form.Label18->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(form.shp_Sample->fillColor(), QColor(Qt::white));
        QCOMPARE(form.shp_Sample->borderColor(), QColor(Qt::black));
        QVERIFY(!form.lbl_Sample->autoFillBackground());

        // Japanese templates are typed with the input method.
        for (QLineEdit* t : form.Text1)
            QVERIFY(t->testAttribute(Qt::WA_InputMethodEnabled));
    }

    void theAgentPageNeverShowsTheVolumeNumber()
    {
        DialogAnswerer answerer;
        optionform form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.SSTab1->setCurrentIndex(3);
        QVERIFY(form.scr_Vol->isVisible());
        QVERIFY(!form.txt_Vol->isVisible());
        form.hide();
    }

    void okHasTheFocusAndIsTheDefault()
    {
        DialogAnswerer answerer;
        optionform form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.OkBt));
        QVERIFY(form.OkBt->isDefault());
        QCOMPARE(form.OkBt->nextInFocusChain(), static_cast<QWidget*>(form.CancelBt));
        QCOMPARE(form.SSTab1->currentIndex(), 0);
        QCOMPARE(form.SSTab1->currentWidget()->objectName(), form.SSTab1->widget(0)->objectName());
        form.hide();
    }

    void enterAndEscPressTheirButtons_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("pressed");
        const int enter = Qt::Key_Return;
        const int esc = Qt::Key_Escape;
        QTest::newRow("Enter in a text box") << QStringLiteral("Text1(0)") << enter << QStringLiteral("OkBt");
        QTest::newRow("keypad Enter")
            << QStringLiteral("timerbox1") << int(Qt::Key_Enter) << QStringLiteral("OkBt");
        QTest::newRow("Enter on a check box") << QStringLiteral("option3") << enter << QStringLiteral("OkBt");
        QTest::newRow("Enter in a list") << QStringLiteral("Combo3") << enter << QStringLiteral("OkBt");
        QTest::newRow("Enter on a scroll bar")
            << QStringLiteral("scr_Pitch") << enter << QStringLiteral("OkBt");
        QTest::newRow("Enter in the grid")
            << QStringLiteral("accountList") << enter << QStringLiteral("OkBt");
        QTest::newRow("Enter on OK") << QStringLiteral("OkBt") << enter << QStringLiteral("OkBt");
        QTest::newRow("Enter on Cancel") << QStringLiteral("CancelBt") << enter << QStringLiteral("CancelBt");
        QTest::newRow("Enter on Add") << QStringLiteral("addbutton") << enter << QStringLiteral("addbutton");
        QTest::newRow("Esc in a text box") << QStringLiteral("Text1(3)") << esc << QStringLiteral("CancelBt");
        QTest::newRow("Esc on OK") << QStringLiteral("OkBt") << esc << QStringLiteral("CancelBt");
        QTest::newRow("Esc in a list") << QStringLiteral("Combo2") << esc << QStringLiteral("CancelBt");
        QTest::newRow("Esc in the grid")
            << QStringLiteral("accountList") << esc << QStringLiteral("CancelBt");
    }

    void enterAndEscPressTheirButtons()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(QString, pressed);
        DialogAnswerer answerer;
        optionform form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* target = form.findChild<QWidget*>(control);
        QVERIFY(target);
        for (int i = 0; i < form.SSTab1->count(); ++i)
            if (form.SSTab1->widget(i)->isAncestorOf(target))
                form.SSTab1->setCurrentIndex(i);
        if (auto* grid = qobject_cast<controls::FlexGrid*>(target))
            target = grid->table();
        target->setFocus();

        QMap<QString, QSharedPointer<QSignalSpy>> spies;
        for (QPushButton* b : form.findChildren<QPushButton*>())
            spies.insert(b->objectName(), QSharedPointer<QSignalSpy>::create(b, &QPushButton::clicked));
        QTest::keyClick(target, Qt::Key(key));
        for (auto it = spies.cbegin(); it != spies.cend(); ++it)
            QCOMPARE(it.value()->count(), it.key() == pressed ? 1 : 0);
        form.hide();
    }

    // Check boxes say their captions; every other text box, list and bar
    // the label beside it, and the grid its page's caption.
    void everyFieldHasAnAccessibleName_data()
    {
        QTest::addColumn<bool>("accountWindow");
        QTest::addColumn<QStringList>("expected");
        QStringList options{u"AgentBox=ｴｰｼﾞｪﾝﾄ:"_s,
                            u"Notstrbox=表示、読み上げをしない文字:"_s,
                            u"timerbox1=分おきにチェック"_s,
                            u"timerbox2=秒後に閉じる"_s,
                            u"timerbox3=タイムアップ"_s,
                            u"Wavbox=WAVﾌｧｲﾙの場所:"_s,
                            u"Mailerbox(1)=ﾒｰﾗｰ1:"_s,
                            u"Mailerbox(2)=ﾒｰﾗｰ2:"_s,
                            u"talkcntbox=（読み上げ行数"_s,
                            u"accountList=ｱｶｳﾝﾄ"_s,
                            u"scr_Vol=読み上げ時音量:"_s,
                            u"scr_Pitch=読み上げ速度:"_s,
                            u"Combo2=ﾌｫﾝﾄ:"_s,
                            u"Combo3=ｻｲｽﾞ:"_s};
        const QStringList rows{u"最初"_s, u"ﾒｰﾙ毎1"_s, u"ﾒｰﾙ毎2"_s, u"ﾒｰﾙ毎3"_s, u"ﾒｰﾙ毎4"_s, u"最後"_s};
        for (int i = 0; i < 6; ++i)
            options << u"Text1(%1)=%2"_s.arg(i).arg(rows[i]) << u"Combo1(%1)=%2"_s.arg(i).arg(rows[i]);
        QTest::newRow("options window") << false << options;
        QTest::newRow("account window")
            << true
            << QStringList{u"Accountname=名前:"_s, u"Hostname=ﾒｰﾙｻｰﾊﾞ:"_s, u"Portbox=ﾎﾟｰﾄ番号:"_s,
                           u"UserName=ﾕｰｻﾞｰ名:"_s, u"MailPassWord=ﾊﾟｽﾜｰﾄﾞ:"_s};
    }
    void everyFieldHasAnAccessibleName()
    {
        QFETCH(bool, accountWindow);
        QFETCH(QStringList, expected);
        const std::unique_ptr<QWidget> window =
            accountWindow ? std::unique_ptr<QWidget>(new accountform) : std::make_unique<optionform>();
        QStringList spoken;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            // Qt's own parts, and txt_Vol, which is never shown.
            if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"_s) || w->isHidden())
                continue;
            if (auto* check = qobject_cast<QCheckBox*>(w))
                QCOMPARE(spokenName(w), check->text());
            else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                     qobject_cast<QScrollBar*>(w) || qobject_cast<controls::FlexGrid*>(w))
                spoken << w->objectName() + u'=' + spokenName(w);
        }
        if (auto* grid = window->findChild<controls::FlexGrid*>()) // the table inside takes the focus
            QCOMPARE(spokenName(grid->table()), spokenName(grid));
        spoken.sort();
        expected.sort();
        QCOMPARE(spoken, expected);
    }

    void theTitleBarsCloseIsCancel()
    {
        DialogAnswerer answerer;
        optionform form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy cancel(form.CancelBt, &QPushButton::clicked);
        QSignalSpy ok(form.OkBt, &QPushButton::clicked);
        QSignalSpy ending(&form, &optionform::programEnding);
        form.close();
        QCOMPARE(cancel.count(), 1);
        QCOMPARE(ok.count(), 0);
        QCOMPARE(ending.count(), 1);
        QVERIFY(!form.isVisible());
    }
};

QUORVIX_TEST_MAIN(TestOptionformLayout)
#include "tst_optionform_layout.moc"
