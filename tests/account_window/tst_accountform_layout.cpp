// The account window as it opens for a new account: every control under its
// name with its kind and texts, the new-account contents, the password field,
// focus and tab order, and that neither Enter nor Esc presses a button.

#include "ControlKinds.h"
#include "TestMain.h"

#include "ApplicationSetup.h"
#include "ColorSwatch.h"
#include "FormLayout.h"
#include "Twips.h"
#include "accountform.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QInputMethodQueryEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace quorvix::test;

namespace {

struct Expected
{
    const char* name;
    Kind kind;
    const char16_t* caption; // nullptr: the control has no caption
    const char16_t* tooltip; // nullptr: no tooltip
};

// Names, kinds, captions (initial texts of text boxes) and tooltips as the
// window's documentation gives them.
const Expected kControls[] = {
    {"Label6(1)", Kind::Label, u"名前:", nullptr},
    {"Accountname", Kind::TextBox, u"", u"好きな名前を付けて下さい、省略すると「ﾕｰｻﾞｰ名@ﾒｰﾙｻｰﾊﾞ」になります"},
    {"Label6(0)", Kind::Label, u"ﾒｰﾙｻｰﾊﾞ:", nullptr},
    {"Hostname", Kind::TextBox, u"", u"ﾒｰﾙｻｰﾊﾞの名前を入れてください"},
    {"Label7", Kind::Label, u"ﾎﾟｰﾄ番号:", nullptr},
    {"Portbox", Kind::TextBox, u"110", u"通常は110のままでいいよ"},
    {"Label1", Kind::Label, u"ﾕｰｻﾞｰ名:", nullptr},
    {"UserName", Kind::TextBox, u"", u"ﾕｰｻﾞｰ名(ｱｶｳﾝﾄ)を入れてください"},
    {"Frame1", Kind::Frame, u"ﾎﾟｯﾌﾟｱｯﾌﾟの表示色", nullptr},
    {"Label3", Kind::Label, u"文字:", nullptr},
    {"Colorbox", Kind::Swatch, nullptr, u"ｸﾘｯｸすると色を選択できます"},
    {"Label5", Kind::Label, u"背景:", nullptr},
    {"Colorbox2", Kind::Swatch, nullptr, u"ｸﾘｯｸすると色を選択できます"},
    {"Label2", Kind::Label, u"ﾊﾟｽﾜｰﾄﾞ:", nullptr},
    {"MailPassWord", Kind::TextBox, u"", u"ﾊﾟｽﾜｰﾄﾞを入れてください、*で表示されます"},
    {"Check1", Kind::CheckBox, u"ﾁｪｯｸする", nullptr},
    {"Command1", Kind::Button, u"OK", u"設定を保存して閉じるよ"},
    {"Command2", Kind::Button, u"ｷｬﾝｾﾙ", u"変更は保存せずに閉じるよ"},
};

void showActive(accountform& form)
{
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

} // namespace

class TestAccountformLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { app::setUpApplication(*qApp); }

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
        accountform form;
        const QList<QWidget*> found = form.findChildren<QWidget*>(QLatin1String(e.name));
        QCOMPARE(found.size(), 1);
        QWidget* w = found.first();
        QVERIFY2(hasKind(w, e.kind), e.name);
        if (e.caption)
            QCOMPARE(captionOf(w), QString::fromUtf16(e.caption));
        else
            QCOMPARE(captionOf(w), QString());
        QCOMPARE(w->toolTip(), e.tooltip ? QString::fromUtf16(e.tooltip) : QString());
        QVERIFY2(form.rect().contains(w->geometry().translated(w->parentWidget()->mapTo(&form, QPoint()))),
                 e.name);
    }

    void theWindow()
    {
        accountform form;
        QCOMPARE(form.objectName(), QStringLiteral("accountform"));
        QCOMPARE(form.windowTitle(), QStringLiteral("ｱｶｳﾝﾄ"));
        QCOMPARE(form.size(), QSize(controls::twipsToPixelsX(5535), controls::twipsToPixelsY(1950)));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(form.isModal());
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(form.font().family(), controls::formFontFamily());
        for (QLabel* l : {form.Label6[0], form.Label6[1], form.Label7, form.Label1, form.Label3, form.Label5,
                          form.Label2})
            QCOMPARE(l->font().pointSizeF(), 9.75);
        QCOMPARE(form.Label6[0]->objectName(), QStringLiteral("Label6(0)"));
        QCOMPARE(form.Label6[1]->objectName(), QStringLiteral("Label6(1)"));
        for (QWidget* w : {static_cast<QWidget*>(form.Label3), static_cast<QWidget*>(form.Colorbox),
                           static_cast<QWidget*>(form.Label5), static_cast<QWidget*>(form.Colorbox2)})
            QCOMPARE(w->parentWidget(), static_cast<QWidget*>(form.Frame1));
    }

    void sizesGivenInTwips()
    {
        accountform form;
        QCOMPARE(form.Accountname->width(), controls::twipsToPixelsX(2955));
        QCOMPARE(form.Hostname->width(), controls::twipsToPixelsX(2955));
        QCOMPARE(form.Portbox->width(), controls::twipsToPixelsX(555));
        QCOMPARE(form.UserName->width(), controls::twipsToPixelsX(1515));
        QCOMPARE(form.MailPassWord->width(), controls::twipsToPixelsX(1515));
        for (QWidget* swatch : {form.Colorbox, form.Colorbox2})
            QCOMPARE(swatch->size(), QSize(controls::twipsToPixelsX(495), controls::twipsToPixelsY(255)));
        for (QWidget* b : {form.Command1, form.Command2})
            QCOMPARE(b->size(), QSize(controls::twipsToPixelsX(855), controls::twipsToPixelsY(255)));
        // OK left of Cancel at the right end of the last line.
        QCOMPARE(form.Command1->y(), form.Command2->y());
        QVERIFY(form.Command1->x() < form.Command2->x());
        // Each caption ends just left of its field.
        const QPair<QLabel*, QWidget*> pairs[] = {{form.Label6[1], form.Accountname},
                                                  {form.Label6[0], form.Hostname},
                                                  {form.Label7, form.Portbox},
                                                  {form.Label1, form.UserName},
                                                  {form.Label2, form.MailPassWord}};
        for (const auto& [caption, field] : pairs) {
            QVERIFY(caption->geometry().right() < field->x());
            QVERIFY(field->x() - caption->geometry().right() <= 8);
            QVERIFY(caption->alignment() & Qt::AlignRight);
        }
        QVERIFY(form.Hostname->geometry().right() < form.Label7->x());
    }

    void opensWithTheContentsOfANewAccount()
    {
        accountform form;
        QCOMPARE(form.Accountname->text(), QString());
        QCOMPARE(form.Hostname->text(), QString());
        QCOMPARE(form.UserName->text(), QString());
        QCOMPARE(form.MailPassWord->text(), QString());
        QCOMPARE(form.Portbox->text(), QStringLiteral("110"));
        QVERIFY(form.Check1->isChecked());
        QCOMPARE(form.Colorbox->BackColor(), 0);
        QCOMPARE(form.Colorbox2->BackColor(), 16777088);
        QCOMPARE(form.Colorbox2->palette().color(QPalette::Window), QColor(128, 255, 255));
        QVERIFY(!form.Command1->isEnabled());
        QVERIFY(form.Command2->isEnabled());
        QVERIFY(!form.Command1->isDefault() && !form.Command2->isDefault());
        QVERIFY(!form.accountList());
    }

    void thePasswordShowsOneStarPerCharacterWithoutInputMethod()
    {
        accountform form;
        showActive(form);
        form.MailPassWord->setFocus();
        QTest::keyClicks(form.MailPassWord, QStringLiteral("pa55word"));
        QCOMPARE(form.MailPassWord->text(), QStringLiteral("pa55word"));
        QCOMPARE(form.MailPassWord->displayText(), QString(8, QLatin1Char('*')));
        // One star per character, not per byte.
        form.MailPassWord->setText(QStringLiteral("ﾊﾟｽ語"));
        QCOMPARE(form.MailPassWord->displayText(), QString(4, QLatin1Char('*')));
        QCOMPARE(form.MailPassWord->echoMode(), QLineEdit::Password);
        QVERIFY(!form.MailPassWord->testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImHints);
        QApplication::sendEvent(form.MailPassWord, &query);
        QVERIFY(!query.value(Qt::ImEnabled).toBool());
        QVERIFY(form.MailPassWord->inputMethodHints() & Qt::ImhHiddenText);
        // The other fields take the input method.
        QVERIFY(form.Accountname->testAttribute(Qt::WA_InputMethodEnabled));
    }

    void focusStartsInTheServerFieldAndTabsInOrder()
    {
        accountform form;
        showActive(form);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.Hostname));

        auto walk = [&](int steps) {
            QStringList names{QApplication::focusWidget()->objectName()};
            for (int i = 0; i < steps; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                names << QApplication::focusWidget()->objectName();
            }
            return names;
        };
        // OK is disabled while the server is empty, so focus passes it by.
        QCOMPARE(walk(7), (QStringList{QStringLiteral("Hostname"), QStringLiteral("UserName"),
                                       QStringLiteral("MailPassWord"), QStringLiteral("Portbox"),
                                       QStringLiteral("Command2"), QStringLiteral("Check1"),
                                       QStringLiteral("Accountname"), QStringLiteral("Hostname")}));
        form.Command1->setEnabled(true);
        form.Hostname->setFocus();
        QCOMPARE(walk(5), (QStringList{QStringLiteral("Hostname"), QStringLiteral("UserName"),
                                       QStringLiteral("MailPassWord"), QStringLiteral("Portbox"),
                                       QStringLiteral("Command1"), QStringLiteral("Command2")}));
    }

    void neitherEnterNorEscPressesAButton_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        for (const char* field : {"Hostname", "Accountname", "MailPassWord", "Portbox", "Check1"}) {
            QTest::newRow(qPrintable(QStringLiteral("Enter in %1").arg(QLatin1String(field))))
                << QString::fromLatin1(field) << int(Qt::Key_Return);
            QTest::newRow(qPrintable(QStringLiteral("Esc in %1").arg(QLatin1String(field))))
                << QString::fromLatin1(field) << int(Qt::Key_Escape);
        }
    }

    void neitherEnterNorEscPressesAButton()
    {
        QFETCH(QString, field);
        QFETCH(int, key);
        accountform form;
        showActive(form);
        // With a server typed OK is enabled, so only the keys can keep it unpressed.
        form.Command1->setEnabled(true);
        QSignalSpy ok(form.Command1, &QPushButton::clicked);
        QSignalSpy cancel(form.Command2, &QPushButton::clicked);
        QWidget* target = form.findChild<QWidget*>(field);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(ok.count(), 0);
        QCOMPARE(cancel.count(), 0);
        QVERIFY(form.isVisible());
    }

    void enterOnAFocusedButtonPressesThatButton()
    {
        accountform form;
        showActive(form);
        QSignalSpy cancel(form.Command2, &QPushButton::clicked);
        form.Command2->setFocus();
        QTest::keyClick(form.Command2, Qt::Key_Return);
        QCOMPARE(cancel.count(), 1);
        QVERIFY(!form.isVisible());
    }

    void theTitleBarsCloseActsAsCancel()
    {
        accountform form;
        showActive(form);
        QSignalSpy finished(&form, &QDialog::finished);
        form.close();
        QVERIFY(!form.isVisible());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }
};

QUORVIX_TEST_MAIN(TestAccountformLayout)
#include "tst_accountform_layout.moc"
