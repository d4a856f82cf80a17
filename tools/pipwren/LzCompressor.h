#pragma once

// Compression for character images and regions: the LZ77 variant with
// variable-length codes that character files use, written as a
// least-significant-bit-first bit stream.

#include <QByteArray>
#include <QByteArrayView>

namespace pipwren {

// Encodes data so that the character-file decompressor restores it exactly.
// The output starts with the mandatory zero byte and ends with the end marker
// and the padding of 1-bits that readers of these files expect to find.
QByteArray lzCompress(QByteArrayView data);

} // namespace pipwren
