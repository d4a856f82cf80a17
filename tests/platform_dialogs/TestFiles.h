#pragma once

// Small files for the dialog tests, built in memory so that every case shows
// exactly which bytes it feeds the preview.

#include <QByteArray>
#include <QString>
#include <QtEndian>

namespace dialogs::test {

inline QByteArray u16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray u32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray chunk(const QByteArray& id, const QByteArray& body)
{
    QByteArray c = id + u32(quint32(body.size())) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

inline QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits, quint16 blockAlign,
                          quint32 bytesPerSecond, const QByteArray& extra = {})
{
    QByteArray b = u16(tag) + u16(channels) + u32(rate) + u32(bytesPerSecond) + u16(blockAlign) + u16(bits);
    if (!extra.isNull())
        b += u16(quint16(extra.size())) + extra;
    return b;
}

inline QByteArray pcmFmt(quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = quint16(channels * bits / 8);
    return fmtBody(1, channels, rate, bits, align, rate * align);
}

inline QByteArray riff(const QByteArray& chunks)
{
    return "RIFF" + u32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

// A silent PCM file of the given length in sample frames.
inline QByteArray pcmWav(quint16 channels, quint32 rate, quint16 bits, quint32 frames)
{
    return riff(chunk("fmt ", pcmFmt(channels, rate, bits)) +
                chunk("data", QByteArray(qsizetype(frames) * channels * bits / 8, '\0')));
}

} // namespace dialogs::test
