#include "StoredNumbers.h"

#include "KeySchema.h"
#include "Numbers.h"
#include "StoreOperations.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace settings {

namespace {

// A key that is absent answers each read with its default; a stored key
// answers both reads with its own text, whatever that text is.
bool isStored(const QString& key)
{
    return Module1::ReadSetting(key, QStringLiteral("0")) == Module1::ReadSetting(key, QStringLiteral("1"));
}

std::optional<qint32> parse(KeyKind kind, const QString& text)
{
    if (kind == KeyKind::Int32)
        return Module1::ParseInt32(text);
    return Module1::ParseInt16(text);
}

} // namespace

qint32 ReadStoredNumber(const GlobalKey& key)
{
    const QString fallbackText = key.defaultText.toString();
    const std::optional<qint32> fallback = parse(key.kind, fallbackText);
    Q_ASSERT(fallback);
    const std::optional<qint32> stored =
        parse(key.kind, Module1::ReadSetting(key.name.toString(), fallbackText));
    if (stored && *stored >= key.minimum && *stored <= key.maximum)
        return *stored;
    return fallback.value_or(0);
}

qint16 ReadStoredAccountCount()
{
    const QString countKey = kAccountCountKey.toString();
    if (!isStored(countKey))
        return 0;
    if (const std::optional<qint16> count = Module1::ParseInt16(Module1::ReadSetting(countKey, QString()));
        count && *count >= 0)
        return *count;
    int count = 0;
    while (count < std::numeric_limits<qint16>::max() &&
           isStored(AccountKey(AccountField::Aname, qint16(count + 1))))
        ++count;
    return qint16(count);
}

QString SingleToText(float value)
{
    if (value == 0.0f)
        return QStringLiteral("0");
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7G", double(value));
    return QString::fromLatin1(buffer);
}

std::optional<qint16> RoundToInt16TiesToEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double below = std::floor(value);
    const double fraction = value - below;
    const bool belowIsOdd = std::fmod(below, 2.0) != 0.0;
    const double rounded = fraction > 0.5 || (fraction == 0.5 && belowIsOdd) ? below + 1.0 : below;
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}

std::optional<qint16> TwipsTextToPixels(const QString& twipsText, double twipsPerPixel)
{
    bool ok = false;
    const double twips = twipsText.trimmed().toDouble(&ok);
    if (!ok || !(twipsPerPixel > 0.0))
        return std::nullopt;
    return RoundToInt16TiesToEven(twips / twipsPerPixel);
}

qint16 AgentPosition(QStringView key, double screenTwips, double twipsPerPixel)
{
    const float fallbackTwips = float(screenTwips) / 2.0f - 64.0f;
    const QString fallbackText = SingleToText(fallbackTwips);
    if (auto pixels = TwipsTextToPixels(Module1::ReadSetting(key.toString(), fallbackText), twipsPerPixel))
        return *pixels;
    if (auto pixels = TwipsTextToPixels(fallbackText, twipsPerPixel))
        return *pixels;
    return 0;
}

} // namespace settings
