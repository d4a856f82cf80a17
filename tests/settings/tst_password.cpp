// The stored form of passwords: the documented examples, garbage tokens, the
// report of characters code page 932 cannot carry, and the whole code table
// checked against the C library's own CP932 converter.

#include "Cp932.h"
#include "Module1.h"
#include "TestMain.h"

#include <iconv.h>

using namespace Module1;
using namespace Qt::StringLiterals;

namespace {

// Windows maps these single bytes; glibc's converter rejects them.
constexpr struct
{
    quint16 code;
    char16_t character;
} kSingleByteExtras[] = {{0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

QString token(quint16 code)
{
    return QString::number(code < 0x100 ? int(code) : int(qint16(code))) + u' ';
}

// Codes that decode to a character which is written with another code: the
// NEC-selected IBM extensions, the NEC row 13 duplicates of standard symbols
// and the IBM extensions that duplicate NEC row 13 or standard symbols.
bool isDocumentedDuplicate(quint16 code)
{
    return (code >= 0xED40 && code <= 0xEEFC) || (code >= 0x8790 && code <= 0x879C) ||
           (code >= 0xFA4A && code <= 0xFA5B);
}

QList<quint16> allCodes()
{
    QList<quint16> codes;
    for (int byte = 0; byte < 0x100; ++byte)
        codes << quint16(byte);
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!settings::cp932::IsLeadByte(lead))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            codes << quint16((lead << 8) | trail);
    }
    return codes;
}

class Iconv
{
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    bool valid() const { return m_cd != iconv_t(-1); }
    std::optional<QByteArray> convert(const QByteArray& input)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray in = input;
        char out[16];
        char* inPtr = in.data();
        size_t inLeft = size_t(in.size());
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0)
            return std::nullopt;
        if (iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
            return std::nullopt;
        return QByteArray(out, qsizetype(sizeof out - outLeft));
    }

private:
    iconv_t m_cd;
};

QByteArray codeBytes(quint16 code)
{
    if (code < 0x100)
        return QByteArray(1, char(code));
    const char bytes[] = {char(code >> 8), char(code & 0xFF)};
    return QByteArray(bytes, 2);
}

} // namespace

class PasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void documentedExamples_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("password");
        QTest::newRow("abc") << u"97 98 99 "_s << u"abc"_s;
        QTest::newRow("no space after the last code") << u"97 98 99"_s << u"ab"_s;
        QTest::newRow("two spaces") << u"97  98 "_s << u"ab"_s;
        QTest::newRow("leading space") << u" 97 98 "_s << u"ab"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("stored zero") << u"0"_s << QString();
        QTest::newRow("lone lead byte") << u"97 130 98 "_s << u"ab"_s;
        QTest::newRow("not numbers") << u"x 97 -- 1e2 9.0 98 "_s << u"ab"_s;
        QTest::newRow("out of range") << u"65536 -32769 99999999999 97 "_s << u"a"_s;
        QTest::newRow("no character at the code") << u"-32576 97 "_s << u"a"_s; // 0x8140 + 0x100: 0x8240
        QTest::newRow("unsigned spelling of a double-byte code") << u"33440 "_s << u"あ"_s;
        QTest::newRow("signed double-byte code") << u"-32096 "_s << u"あ"_s;
        QTest::newRow("plus sign and tab") << u"+97\t "_s << u"a"_s;
        QTest::newRow("NUL code") << u"0 "_s << QString(QChar(0));
        QTest::newRow("space") << u"97 32 98 "_s << u"a b"_s;
        QTest::newRow("half-width katakana") << u"177 "_s << u"ｱ"_s;
        QTest::newRow("Windows-only single bytes")
            << u"128 160 253 254 255 "_s << QString::fromUtf16(u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
    }

    void documentedExamples()
    {
        QFETCH(QString, stored);
        QFETCH(QString, password);
        QCOMPARE(DecodePassword(stored), password);
    }

    void encodingExamples()
    {
        QCOMPARE(EncodePassword(u"abc"_s), u"97 98 99 "_s);
        QCOMPARE(EncodePassword(QString()), QString());
        QCOMPARE(EncodePassword(u"a b"_s), u"97 32 98 "_s);
        QCOMPARE(EncodePassword(u"あ"_s), u"-32096 "_s);
        QCOMPARE(EncodePassword(u"ⅰ"_s), u"-1472 "_s); // IBM extension code 0xFA40, as Windows writes it
        QCOMPARE(EncodePassword(u"\\~"_s), u"92 126 "_s);
        QCOMPARE(EncodePassword(u"ｱ"_s), u"177 "_s);
        const QString mixed = u"pa ss,日本語ｶﾅ\\~ⅰ№"_s;
        QString unencodable = u"stale"_s;
        QCOMPARE(DecodePassword(EncodePassword(mixed, &unencodable)), mixed);
        QVERIFY(unencodable.isEmpty());
    }

    void charactersWithoutAnExactCodeAreReported_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("stored");
        QTest::newRow("yen sign look-alike") << u"a¥"_s << u"¥"_s << u"97 63 "_s;
        QTest::newRow("overline look-alike") << u"‾"_s << u"‾"_s << u"63 "_s;
        QTest::newRow("em dash look-alike") << u"—x"_s << u"—"_s << u"63 120 "_s;
        QTest::newRow("wave dash look-alike") << u"〜"_s << u"〜"_s << u"63 "_s;
        QTest::newRow("emoji, first one reported") << u"a😀é"_s << u"😀"_s << u"97 63 63 "_s;
        QTest::newRow("Latin letter") << u"é"_s << u"é"_s << u"63 "_s;
        QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) << QString(QChar(0xDC00)) << u"63 "_s;
    }

    void charactersWithoutAnExactCodeAreReported()
    {
        QFETCH(QString, password);
        QFETCH(QString, reported);
        QFETCH(QString, stored);
        QString unencodable;
        QCOMPARE(EncodePassword(password, &unencodable), stored);
        QCOMPARE(unencodable, reported);
        QCOMPARE(EncodePassword(password), stored); // reporting is optional
    }

    // Every code decodes to one character that encodes back to the same code,
    // apart from the documented duplicates, which come back as their twin.
    void everyCodeRoundTrips()
    {
        int characters = 0;
        int duplicates = 0;
        for (quint16 code : allCodes()) {
            const QString decoded = DecodePassword(token(code));
            if (decoded.isEmpty())
                continue;
            ++characters;
            QCOMPARE(decoded.size(), 1);
            QString unencodable;
            const QString encoded = EncodePassword(decoded, &unencodable);
            QVERIFY(unencodable.isEmpty());
            if (encoded != token(code)) {
                ++duplicates;
                QVERIFY2(isDocumentedDuplicate(code), qPrintable(u"code %1"_s.arg(code, 4, 16)));
                QCOMPARE(DecodePassword(encoded), decoded);
            }
        }
        QCOMPARE(duplicates, 398);
        QVERIFY(characters > 9000);
    }

    // Every BMP character either encodes to a code that decodes back to it or is reported.
    void everyCharacterEncodesExactlyOrIsReported()
    {
        int encodable = 0;
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const QString character{QChar(char16_t(u))};
            QString unencodable;
            const QString encoded = EncodePassword(character, &unencodable);
            if (unencodable.isEmpty()) {
                ++encodable;
                QCOMPARE(DecodePassword(encoded), character);
            } else {
                QCOMPARE(unencodable, character);
                QCOMPARE(encoded, u"63 "_s);
            }
        }
        QVERIFY(encodable > 9000);
    }

    // The checked-in table against the C library's converter, both directions.
    void tableMatchesTheSystemConverter()
    {
        Iconv toUtf16("UTF-16LE", "CP932");
        Iconv fromUtf16("CP932", "UTF-16LE");
        if (!toUtf16.valid() || !fromUtf16.valid())
            QSKIP("this C library has no CP932 converter");

        for (quint16 code : allCodes()) {
            const QString decoded = DecodePassword(token(code));
            bool extra = false;
            for (const auto& e : kSingleByteExtras) {
                if (e.code == code) {
                    QCOMPARE(decoded, QString(QChar(e.character)));
                    extra = true;
                }
            }
            if (extra)
                continue;
            const std::optional<QByteArray> utf16 = toUtf16.convert(codeBytes(code));
            const QString expected =
                utf16 && utf16->size() == 2
                    ? QString(QChar(char16_t(uchar(utf16->at(0)) | uchar(utf16->at(1)) << 8)))
                    : QString();
            QVERIFY2(decoded == expected, qPrintable(u"code %1"_s.arg(code, 4, 16)));
        }

        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            if (QChar::isSurrogate(u))
                continue;
            const QString character{QChar(char16_t(u))};
            QString unencodable;
            const QString encoded = EncodePassword(character, &unencodable);
            bool extra = false;
            for (const auto& e : kSingleByteExtras) {
                if (e.character == u) {
                    QCOMPARE(encoded, token(e.code));
                    extra = true;
                }
            }
            if (extra)
                continue;
            const char units[] = {char(u & 0xFF), char(u >> 8)};
            const QByteArray utf16(units, 2);
            const std::optional<QByteArray> bytes = fromUtf16.convert(utf16);
            const bool exact = bytes && fromUtf16.valid() && toUtf16.convert(*bytes) == utf16;
            if (!exact) {
                QVERIFY2(!unencodable.isEmpty(), qPrintable(u"U+%1"_s.arg(int(u), 4, 16)));
                continue;
            }
            const quint16 code = bytes->size() == 1 ? uchar(bytes->at(0))
                                                    : quint16(uchar(bytes->at(0)) << 8 | uchar(bytes->at(1)));
            QVERIFY2(encoded == token(code), qPrintable(u"U+%1"_s.arg(int(u), 4, 16)));
        }
    }
};

QUORVIX_TEST_MAIN_CORE(PasswordTest)
#include "tst_password.moc"
