#include "Numbers.h"

#include <limits>

namespace Module1 {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Optional blanks, optional sign, at least one ASCII digit, optional blanks.
// Digits beyond the range stop early so that huge texts cannot overflow.
template <typename Int> std::optional<Int> parseSigned(const QString& text)
{
    qsizetype i = 0;
    const qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qint64 limit =
        negative ? -qint64(std::numeric_limits<Int>::min()) : qint64(std::numeric_limits<Int>::max());
    qint64 magnitude = 0;
    const qsizetype firstDigit = i;
    while (i < end && text[i] >= u'0' && text[i] <= u'9') {
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        if (magnitude > limit)
            return std::nullopt;
        ++i;
    }
    if (i == firstDigit)
        return std::nullopt;
    while (i < end && isBlank(text[i]))
        ++i;
    if (i != end)
        return std::nullopt;
    return Int(negative ? -magnitude : magnitude);
}

} // namespace

std::optional<qint16> ParseInt16(const QString& text)
{
    return parseSigned<qint16>(text);
}

std::optional<qint32> ParseInt32(const QString& text)
{
    return parseSigned<qint32>(text);
}

} // namespace Module1
