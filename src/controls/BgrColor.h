#pragma once

// Colours as the store keeps them: a 32-bit value with red in the low byte,
// then green, then blue (&H00BBGGRR). The high byte is ignored on reading.

#include <QColor>
#include <QtGlobal>

namespace controls {

inline QColor colorFromBgr(qint32 bgr)
{
    const auto value = static_cast<quint32>(bgr);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline qint32 bgrFromColor(const QColor& color)
{
    return qint32(quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16));
}

} // namespace controls
