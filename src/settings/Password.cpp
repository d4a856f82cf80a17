#include "Password.h"

#include "Cp932.h"
#include "Numbers.h"

namespace Module1 {

namespace {

// A code as the mail checker writes it: single bytes as 0..255, double-byte
// codes (lead byte high) as a signed 16-bit number, hence negative.
void appendCode(QString& result, quint16 code)
{
    result += QString::number(code < 0x100 ? int(code) : int(qint16(code)));
    result += u' ';
}

// Signed 16-bit codes and their unsigned spelling (above 255) both name a
// double-byte code; 0..255 name single bytes.
std::optional<char16_t> characterOfToken(const QString& token)
{
    const std::optional<qint32> value = ParseInt32(token);
    if (!value || *value < -32768 || *value > 0xFFFF)
        return std::nullopt;
    return settings::cp932::ToUnicode(quint16(*value < 0 ? *value + 0x10000 : *value));
}

} // namespace

QString EncodePassword(const QString& text, QString* unencodable)
{
    if (unencodable)
        unencodable->clear();
    QString result;
    result.reserve(text.size() * 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        std::optional<quint16> code;
        qsizetype length = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            length = 2; // outside the code page: no code at all
        else if (!c.isSurrogate())
            code = settings::cp932::FromUnicode(c.unicode());
        if (!code) {
            // Windows would silently store "?" or a look-alike; we store "?" too,
            // but tell the caller so that it can refuse the password instead.
            if (unencodable && unencodable->isEmpty())
                *unencodable = text.mid(i, length);
            code = u'?';
        }
        appendCode(result, *code);
        i += length - 1;
    }
    return result;
}

QString DecodePassword(const QString& text)
{
    QString result;
    qsizetype i = 0;
    const qsizetype length = text.size();
    while (i < length) {
        const qsizetype space = text.indexOf(u' ', i);
        if (space < 0)
            break; // the piece after the last space never gives a character
        if (const std::optional<char16_t> character = characterOfToken(text.mid(i, space - i)))
            result += QChar(*character);
        i = space + 1;
    }
    return result;
}

} // namespace Module1
