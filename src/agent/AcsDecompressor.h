#pragma once

// The LZ77-style compression of Agent character images and regions: a
// least-significant-bit-first bit stream of literals and back references,
// ending with a 20-bit all-ones distance. The decoder never reads past the
// input, never refers before the start of the output, never writes past
// expectedSize, and every step consumes at least nine bits, so hostile input
// costs at most time proportional to its size.

#include <QByteArray>
#include <QString>

namespace agent {

// Returns exactly expectedSize bytes, or throws AgentError whose message starts
// with context (e.g. "file: image 12 pixels") and says what went wrong.
QByteArray decompressAcs(const uchar* data, qsizetype size, qsizetype expectedSize, const QString& context);
inline QByteArray decompressAcs(const QByteArray& data, qsizetype expectedSize, const QString& context)
{
    return decompressAcs(reinterpret_cast<const uchar*>(data.constData()), data.size(), expectedSize,
                         context);
}

} // namespace agent
