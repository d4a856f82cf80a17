#include "AcsDecompressor.h"

#include "AgentControl.h"

namespace agent {

namespace {

constexpr quint32 endMarker = 0xFFFFF;
constexpr int maxLengthBits = 11;
constexpr quint64 maxExpansion = 8 * 4096 / 31 + 1;

class BitReader
{
public:
    BitReader(const uchar* data, qsizetype size) : data_(data), sizeInBits_(quint64(size) * 8) {}

    // n <= 24; false when the stream does not hold n more bits.
    bool read(int n, quint32& value)
    {
        if (position_ + quint64(n) > sizeInBits_)
            return false;
        const quint64 byte = position_ >> 3;
        const quint64 bytes = sizeInBits_ >> 3;
        quint32 word = 0;
        for (quint64 i = 0; i < 4 && byte + i < bytes; ++i)
            word |= quint32(data_[byte + i]) << (8 * i);
        value = (word >> (position_ & 7)) & ((1u << n) - 1);
        position_ += quint64(n);
        return true;
    }

    quint64 bytePosition() const { return position_ >> 3; }

private:
    const uchar* data_;
    quint64 sizeInBits_;
    quint64 position_ = 8; // the first byte is a zero lead byte
};

struct Tier
{
    int bits;
    quint32 distanceBase;
    quint32 lengthBase;
};
constexpr Tier tiers[4] = {{6, 1, 2}, {9, 65, 2}, {12, 577, 2}, {20, 4673, 3}};

} // namespace

QByteArray decompressAcs(const uchar* data, qsizetype size, qsizetype expectedSize, const QString& context)
{
    BitReader bits(data, size);
    auto fail = [&](const QString& problem) -> void {
        throw AgentError(QStringLiteral("%1: compressed data damaged near byte %2 of %3: %4")
                             .arg(context)
                             .arg(bits.bytePosition())
                             .arg(size)
                             .arg(problem));
    };
    auto need = [&](int n) {
        quint32 value = 0;
        if (!bits.read(n, value))
            fail(QStringLiteral("the data ends before the end marker"));
        return value;
    };

    if (size < 1 || data[0] != 0)
        fail(QStringLiteral("the lead byte is not zero"));
    // One back reference of at most 31 bits yields at most 4096 bytes, so a
    // claim beyond that ratio is a lie; refusing it avoids a giant allocation.
    if (expectedSize < 0 || quint64(expectedSize) > quint64(size) * maxExpansion + 4097)
        fail(QStringLiteral("%1 bytes cannot come from %2 compressed bytes").arg(expectedSize).arg(size));
    QByteArray out(expectedSize, Qt::Uninitialized);
    auto* o = reinterpret_cast<uchar*>(out.data());
    qsizetype written = 0;
    for (;;) {
        if (need(1) == 0) {
            if (written >= expectedSize)
                fail(QStringLiteral("more data than the expected %1 bytes").arg(expectedSize));
            o[written++] = uchar(need(8));
            continue;
        }
        int tier = 0;
        while (tier < 3 && need(1) == 1)
            ++tier;
        const quint32 value = need(tiers[tier].bits);
        if (tier == 3 && value == endMarker)
            break;
        const quint64 distance = quint64(value) + tiers[tier].distanceBase;
        int lengthBits = 0;
        while (need(1) == 1) {
            if (++lengthBits > maxLengthBits)
                fail(QStringLiteral("a length prefix longer than %1 bits").arg(maxLengthBits));
        }
        const quint64 length =
            tiers[tier].lengthBase + ((quint64(1) << lengthBits) - 1) + (lengthBits ? need(lengthBits) : 0);
        if (distance > quint64(written))
            fail(QStringLiteral("a back reference %1 bytes back after only %2 bytes")
                     .arg(distance)
                     .arg(written));
        if (length > quint64(expectedSize - written))
            fail(QStringLiteral("more data than the expected %1 bytes").arg(expectedSize));
        // Byte by byte on purpose: the source may overlap what is being written.
        for (quint64 i = 0; i < length; ++i, ++written)
            o[written] = o[written - qsizetype(distance)];
    }
    if (written != expectedSize)
        fail(QStringLiteral("%1 bytes decoded, %2 expected").arg(written).arg(expectedSize));
    return out;
}

} // namespace agent
