// A Wine prefix's user.reg as Wine writes it, read back to the mail checker's
// texts; and text in the forms the mail checker reads through code page 932.

#include "AnsiText.h"
#include "TestMain.h"
#include "WineRegistryText.h"

using namespace settings;
using namespace Qt::StringLiterals;

namespace {

using Texts = std::vector<std::pair<QString, QString>>;

// user.reg as wineserver writes it, with the mail checker's key between two others.
QByteArray userReg(const QByteArray& values, const QByteArray& newline = "\n")
{
    QByteArray text =
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
        "#arch=win64\n\n[Software\\\\Other] 1796753033\n\"Aname1\"=\"not ours\"\n\n"
        "[Software\\\\VB and VBA Program Settings\\\\wispane\\\\setting] 1796753033\n"
        "#time=1dd873e7c8ff9e6\n" +
        values +
        "\n[Software\\\\VB and VBA Program Settings\\\\wispane\\\\setting\\\\sub] 1796753033\n"
        "\"Inner\"=\"not ours either\"\n";
    return newline == "\n" ? text : text.replace("\n", newline);
}

} // namespace

class WineRegistryTextTest : public QObject
{
    Q_OBJECT

private slots:
    void userRegTextsAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain, trailing blank kept") << "\"Passw1\"=\"97 98 99 \""_ba << u"97 98 99 "_s;
        QTest::newRow("backslashes and quotes")
            << "\"Agentnm\"=\"C:\\\\dir\\\\say \\\"hi\\\"\\\\\""_ba << u"C:\\dir\\say \"hi\"\\"_s;
        QTest::newRow("shortest \\x units") << "\"Aname1\"=\"\\x65e5\\x672c\\xfa\""_ba << u"日本ú"_s;
        // Four digits where a hex digit follows, so the next character is no digit of the escape.
        QTest::newRow("four digits before a hex digit") << "\"Aname1\"=\"\\x0192e\\x192X\""_ba << u"ƒeƒX"_s;
        QTest::newRow("a surrogate pair") << "\"Aname1\"=\"\\xd83d\\xde00!\""_ba << u"\U0001F600!"_s;
        QTest::newRow("raw UTF-8") << "\"Aname1\"=\"\xe6\x97\xa5\xe6\x9c\xac\""_ba << u"日本"_s;
        QTest::newRow("control escapes and octal") << "\"T\"=\"a\\nb\\tc\\033\\101\""_ba
                                                   << u"a\nb\tc\x1b"
                                                      u"A"_s;
        QTest::newRow("\\x without a digit") << "\"T\"=\"\\xg\""_ba << u"xg"_s;
        QTest::newRow("empty") << "\"Empty1\"=\"\""_ba << QString();
    }

    void userRegTextsAreDecoded()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        for (const QByteArray& newline : {"\n"_ba, "\r\n"_ba}) {
            const RegistryKeyTexts read = ReadUserRegKey(userReg(line + "\n", newline), kMailCheckerKey);
            QVERIFY(read.readable && read.keyFound);
            QCOMPARE(read.texts.size(), std::size_t(1));
            QCOMPARE(read.texts[0].second, text);
        }
    }

    void userRegKeepsOnlyTheKeysTexts()
    {
        const RegistryKeyTexts read = ReadUserRegKey(
            userReg("\"accountno\"=\"2\"\n\"D\"=dword:00000005\n@=\"default\"\n"
                    "\"Bin\"=hex:01,02,\\\n  03\n\"M\"=str(7):\"a\\0b\\0\"\n\"Broken\"=\"no end\n"
                    "\"aname1\"=\"first\"\n\"Aname1\"=\"second\"\n; comment\n"),
            u"software\\vb and vba program settings\\WISPANE\\setting");
        QVERIFY(read.keyFound);
        QCOMPARE(read.texts, (Texts{{u"accountno"_s, u"2"_s}, {u"aname1"_s, u"second"_s}}));
    }

    // A line of a form wineserver does not write is left to Wine itself.
    void formsWineDoesNotWriteAreNamed_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("unknown");
        QTest::newRow("Wine's forms") << "\"A\"=\"\\x65e5\\\"\"\n\"D\"=dword:00000005\n\"M\"=str(7):\"a\"\n"_ba
                                      << false;
        QTest::newRow("leading blanks and blanks around =") << "  \"A\" = \"x\""_ba << false;
        QTest::newRow("raw UTF-8") << "\"A\"=\"\xe6\x97\xa5\""_ba << true;
        QTest::newRow("REG_SZ in hex") << "\"A\"=hex(1):41,00,00,00"_ba << true;
        QTest::newRow("malformed") << "\"A\"=\"no end"_ba << true;
        QTest::newRow("no type Wine knows") << "\"A\"=text"_ba << true;
    }
    void formsWineDoesNotWriteAreNamed()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, unknown);
        QCOMPARE(ReadUserRegKey(userReg(lines + "\n"), kMailCheckerKey).unknownForm, unknown);
    }

    // Wine keeps a name with "ı" or "ſ" apart from the one with "I" or "S".
    void namesFoldAsWineFoldsThem()
    {
        QCOMPARE(FoldedValueName(u"Timeupval"_s), u"TIMEUPVAL"_s);
        QCOMPARE(FoldedValueName(u"T\u0131meupval \u017Fé"_s), u"T\u0131MEUPVAL \u017FÉ"_s);
    }

    void userRegOfAnotherFormIsUnreadable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("version 3")
            << "WINE REGISTRY Version 3\n[Software\\\\VB and VBA Program Settings]\n"_ba;
        QTest::newRow("regedit") << "REGEDIT4\n"_ba;
    }

    void userRegOfAnotherFormIsUnreadable()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!ReadUserRegKey(bytes, kMailCheckerKey).readable);
    }

    void aMissingKeyIsReadableAndEmpty()
    {
        const RegistryKeyTexts read =
            ReadUserRegKey("WINE REGISTRY Version 2\n\n[Software\\\\Wine] 1\n"_ba, kMailCheckerKey);
        QVERIFY(read.readable);
        QVERIFY(!read.keyFound);
        QVERIFY(read.texts.empty());
    }

    void typedTextTakesCodePage932sForms_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // "" when refused
        QTest::addColumn<QString>("refused");
        QTest::newRow("JIS forms") << u"〜−‖¢£¬—"_s << u"～－∥￠￡￢―"_s << QString();
        QTest::newRow("already the code page's") << u"以上です～ｱｶｳﾝﾄ abc"_s << u"以上です～ｱｶｳﾝﾄ abc"_s << QString();
        QTest::newRow("outside the BMP") << u"a𠮷b"_s << QString() << u"𠮷"_s;
        QTest::newRow("an emoji") << u"😀"_s << QString() << u"😀"_s;
        QTest::newRow("no code at all") << u"é"_s << QString() << u"é"_s;
    }

    void typedTextTakesCodePage932sForms()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, refused);
        QString blamed;
        QCOMPARE(AnsiStorableText(typed, &blamed).value_or(QString()), stored);
        QCOMPARE(blamed, refused);
    }

    void foldedNamesIgnoreCase()
    {
        QCOMPARE(FoldedValueName(u"aname1"), FoldedValueName(u"Aname1"));
        QVERIFY(FoldedValueName(u"Aname1") != FoldedValueName(u"Aname11"));
    }
};

QUORVIX_TEST_MAIN_CORE(WineRegistryTextTest)
#include "tst_wineregistrytext.moc"
