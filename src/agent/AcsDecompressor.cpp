#include "AcsDecompressor.h"

#include "AgentError.h"

#include <cstring>

namespace agent {

namespace {

constexpr quint32 kEndMarker = 0xFFFFF;
constexpr int kMaxLengthBits = 11;
constexpr quint64 kMaxExpansion = 8 * 4096 / 31 + 1;

// Keeps up to 64 bits in hand and refills a byte at a time, so the common
// one-bit reads cost a shift and a mask.
class BitReader
{
public:
    BitReader(const uchar* data, qsizetype size)
        : data_(data), next_(data + qMin<qsizetype>(size, 1)), end_(data + size)
    {}

    // n <= 24; false when the stream does not hold n more bits.
    bool read(int n, quint32& value)
    {
        if (held_ < n && !peekable(n))
            return false;
        value = quint32(buffer_ & ((quint64(1) << n) - 1));
        buffer_ >>= n;
        held_ -= n;
        return true;
    }

    // Literals are most of the stream: a 0 bit and eight data bits read as one.
    bool literal(uchar& byte)
    {
        quint32 bits = 0;
        if (held_ >= 9 || peekable(9)) {
            if ((buffer_ & 1) == 0) {
                read(9, bits);
                byte = uchar(bits >> 1);
                return true;
            }
        }
        return false;
    }

    qsizetype bytePosition() const { return (next_ - data_) - held_ / 8; }

private:
    bool peekable(int n)
    {
        while (held_ <= 56 && next_ < end_) {
            buffer_ |= quint64(*next_++) << held_;
            held_ += 8;
        }
        return held_ >= n;
    }

    const uchar* data_;
    const uchar* next_; // the first byte is a zero lead byte
    const uchar* end_;
    quint64 buffer_ = 0;
    int held_ = 0;
};

struct Tier
{
    int bits;
    quint32 distanceBase;
    quint32 lengthBase;
};
constexpr Tier kTiers[4] = {{6, 1, 2}, {9, 65, 2}, {12, 577, 2}, {20, 4673, 3}};

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
    if (expectedSize < 0 || quint64(expectedSize) > quint64(size) * kMaxExpansion + 4097)
        fail(QStringLiteral("%1 bytes cannot come from %2 compressed bytes").arg(expectedSize).arg(size));
    QByteArray out(expectedSize, Qt::Uninitialized);
    auto* o = reinterpret_cast<uchar*>(out.data());
    qsizetype written = 0;
    for (;;) {
        uchar byte = 0;
        if (bits.literal(byte)) {
            if (written >= expectedSize)
                fail(QStringLiteral("more data than the expected %1 bytes").arg(expectedSize));
            o[written++] = byte;
            continue;
        }
        if (need(1) == 0) {
            if (written >= expectedSize)
                fail(QStringLiteral("more data than the expected %1 bytes").arg(expectedSize));
            o[written++] = uchar(need(8));
            continue;
        }
        int tier = 0;
        while (tier < 3 && need(1) == 1)
            ++tier;
        const quint32 value = need(kTiers[tier].bits);
        if (tier == 3 && value == kEndMarker)
            break;
        const quint64 distance = quint64(value) + kTiers[tier].distanceBase;
        int lengthBits = 0;
        while (need(1) == 1) {
            if (++lengthBits > kMaxLengthBits)
                fail(QStringLiteral("a length prefix longer than %1 bits").arg(kMaxLengthBits));
        }
        const quint64 length =
            kTiers[tier].lengthBase + ((quint64(1) << lengthBits) - 1) + (lengthBits ? need(lengthBits) : 0);
        if (distance > quint64(written))
            fail(QStringLiteral("a back reference %1 bytes back after only %2 bytes")
                     .arg(distance)
                     .arg(written));
        if (length > quint64(expectedSize - written))
            fail(QStringLiteral("more data than the expected %1 bytes").arg(expectedSize));
        if (distance == 1) {
            // A run of one byte, the commonest overlap (a picture's plain areas).
            std::memset(o + written, o[written - 1], size_t(length));
            written += qsizetype(length);
        } else {
            // The source may overlap what is being written: copy at most
            // distance bytes at a time, so each copy reads finished bytes.
            quint64 left = length;
            while (left > 0) {
                const quint64 step = qMin(left, distance);
                std::memcpy(o + written, o + written - qsizetype(distance), size_t(step));
                written += qsizetype(step);
                left -= step;
            }
        }
    }
    if (written != expectedSize)
        fail(QStringLiteral("%1 bytes decoded, %2 expected").arg(written).arg(expectedSize));
    return out;
}

} // namespace agent
