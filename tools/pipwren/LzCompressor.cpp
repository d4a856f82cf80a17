#include "LzCompressor.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace pipwren {

namespace {

// Distance tiers of a copy: the prefix after the copy bit, the width of the
// stored distance and the smallest distance of the tier.
struct DistanceTier
{
    int prefixOnes;
    int bits;
    int first;
    int minLength;
};

constexpr std::array<DistanceTier, 4> kTiers{{
    {0, 6, 1, 2},
    {1, 9, 65, 2},
    {2, 12, 577, 2},
    {3, 20, 4673, 3},
}};

// 0xFFFFF in the widest tier is the end marker, so that value is never a distance.
constexpr int kMaxDistance = 4673 + 0xFFFFE;
constexpr int kMaxLengthPrefix = 11;
constexpr int kMaxChain = 512;

const DistanceTier& tierFor(int distance)
{
    for (const DistanceTier& tier : kTiers) {
        if (distance < tier.first + (1 << tier.bits))
            return tier;
    }
    return kTiers.back();
}

int maxLength(const DistanceTier& tier)
{
    return tier.minLength + (1 << (kMaxLengthPrefix + 1)) - 2;
}

// Number of 1-bits in the length prefix for a length beyond the tier's minimum.
int lengthPrefix(int extra)
{
    int n = 0;
    while (extra >= (1 << (n + 1)) - 1)
        ++n;
    return n;
}

int copyCost(int distance, int length)
{
    const DistanceTier& tier = tierFor(distance);
    const int n = lengthPrefix(length - tier.minLength);
    const int tierPrefix = tier.prefixOnes + (tier.prefixOnes < 3 ? 1 : 0);
    return 1 + tierPrefix + tier.bits + n + 1 + n;
}

class BitWriter
{
public:
    void bit(bool set) { bits(set ? 1u : 0u, 1); }

    // Appends the low n bits of value, least significant first.
    void bits(std::uint32_t value, int n)
    {
        for (int i = 0; i < n; ++i) {
            if (used_ == 0)
                out_.append('\0');
            if ((value >> i) & 1u)
                out_[out_.size() - 1] = char(quint8(out_.back()) | (1u << used_));
            used_ = (used_ + 1) % 8;
        }
    }

    // Fills the last byte with 1-bits and adds the slack bytes readers may
    // fetch ahead of the end marker.
    QByteArray finish()
    {
        while (used_ != 0)
            bit(true);
        out_.append(3, '\xFF');
        return out_;
    }

    void rawByte(char byte) { out_.append(byte); }

private:
    QByteArray out_;
    int used_ = 0;
};

void writeCopy(BitWriter& out, int distance, int length)
{
    const DistanceTier& tier = tierFor(distance);
    out.bit(true);
    for (int i = 0; i < tier.prefixOnes; ++i)
        out.bit(true);
    if (tier.prefixOnes < 3)
        out.bit(false);
    out.bits(std::uint32_t(distance - tier.first), tier.bits);

    const int extra = length - tier.minLength;
    const int n = lengthPrefix(extra);
    for (int i = 0; i < n; ++i)
        out.bit(true);
    out.bit(false);
    out.bits(std::uint32_t(extra - ((1 << n) - 1)), n);
}

struct Match
{
    int distance = 0;
    int length = 0;
    int saving = 0;
};

// Hash chains over two-byte prefixes: the shortest copy is two bytes long.
class MatchFinder
{
public:
    explicit MatchFinder(QByteArrayView data)
        : data_(data), head_(1 << 16, -1), previous_(std::size_t(data.size()), -1)
    {}

    void insert(int pos)
    {
        if (pos + 1 >= data_.size())
            return;
        const int key = keyAt(pos);
        previous_[std::size_t(pos)] = head_[std::size_t(key)];
        head_[std::size_t(key)] = pos;
    }

    Match best(int pos) const
    {
        Match best;
        if (pos + 1 >= data_.size())
            return best;
        const int remaining = int(data_.size()) - pos;
        int chain = 0;
        for (int candidate = head_[std::size_t(keyAt(pos))]; candidate >= 0 && chain < kMaxChain;
             candidate = previous_[std::size_t(candidate)], ++chain) {
            const int distance = pos - candidate;
            if (distance > kMaxDistance)
                break;
            const DistanceTier& tier = tierFor(distance);
            const int limit = std::min(remaining, maxLength(tier));
            int length = 0;
            while (length < limit && data_[candidate + length] == data_[pos + length])
                ++length;
            if (length < tier.minLength)
                continue;
            const int saving = 9 * length - copyCost(distance, length);
            if (saving > best.saving)
                best = {distance, length, saving};
            if (length == limit)
                break;
        }
        return best;
    }

private:
    int keyAt(int pos) const { return (quint8(data_[pos]) << 8) | quint8(data_[pos + 1]); }

    QByteArrayView data_;
    std::vector<int> head_;
    std::vector<int> previous_;
};

} // namespace

QByteArray lzCompress(QByteArrayView data)
{
    BitWriter out;
    out.rawByte('\0');
    MatchFinder finder(data);
    const int size = int(data.size());
    int indexed = 0;
    // The chains hold every position before the one being matched, never later ones.
    const auto indexUpTo = [&](int end) {
        for (; indexed < end; ++indexed)
            finder.insert(indexed);
    };
    const auto literal = [&](int at) {
        out.bit(false);
        out.bits(quint8(data[at]), 8);
    };

    int pos = 0;
    while (pos < size) {
        indexUpTo(pos);
        Match match = finder.best(pos);
        // One step of lazy matching: a literal now can buy a clearly better copy next.
        if (match.length > 0 && pos + 1 < size) {
            indexUpTo(pos + 1);
            const Match next = finder.best(pos + 1);
            if (next.saving > match.saving + 9) {
                literal(pos);
                ++pos;
                match = next;
            }
        }
        if (match.length > 0) {
            writeCopy(out, match.distance, match.length);
            pos += match.length;
        } else {
            literal(pos);
            ++pos;
        }
    }
    out.bit(true);
    out.bits(0x7, 3);
    out.bits(0xFFFFF, 20);
    return out.finish();
}

} // namespace pipwren
