#pragma once

// An independent, deliberately plain decoder for the character-file
// compression, so the compressor is checked against something other than
// itself. Returns an empty optional for any malformed input.

#include <QByteArray>

#include <optional>

namespace pipwren::test {

inline std::optional<QByteArray> referenceDecode(const QByteArray& in, qsizetype expected)
{
    if (in.isEmpty() || in[0] != '\0')
        return std::nullopt;
    qsizetype bit = 8;
    const qsizetype totalBits = in.size() * 8;
    bool overrun = false;
    const auto read = [&](int n) {
        quint32 value = 0;
        for (int i = 0; i < n; ++i, ++bit) {
            if (bit >= totalBits) {
                overrun = true;
                return 0u;
            }
            if ((quint8(in[bit / 8]) >> (bit % 8)) & 1)
                value |= 1u << i;
        }
        return value;
    };

    QByteArray out;
    while (!overrun) {
        if (read(1) == 0) {
            out.append(char(read(8)));
        } else {
            int ones = 0;
            while (ones < 3 && read(1) == 1)
                ++ones;
            static constexpr int widths[] = {6, 9, 12, 20};
            static constexpr int firsts[] = {1, 65, 577, 4673};
            const quint32 field = read(widths[ones]);
            if (ones == 3 && field == 0xFFFFF)
                break;
            const qsizetype distance = qsizetype(field) + firsts[ones];
            int n = 0;
            while (read(1) == 1) {
                if (++n > 11)
                    return std::nullopt;
            }
            const qsizetype length = (ones == 3 ? 3 : 2) + ((1 << n) - 1) + read(n);
            if (distance > out.size() || out.size() + length > expected)
                return std::nullopt;
            for (qsizetype i = 0; i < length; ++i)
                out.append(out[out.size() - distance]);
        }
        if (out.size() > expected)
            return std::nullopt;
    }
    if (overrun || out.size() != expected)
        return std::nullopt;
    return out;
}

} // namespace pipwren::test
