#include "WaveDecoder.h"

#include "AcsCharacter.h"
#include "AgentError.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace agent {

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatMsAdpcm = 2;
constexpr int kAdpcmHeaderPerChannel = 7;

constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};

quint16 le16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}
quint32 le32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

[[noreturn]] void fail(const QString& context, const QString& problem)
{
    throw AgentError(context + QStringLiteral(": ") + problem);
}

struct AdpcmChannel
{
    qint64 coefficient1 = 0;
    qint64 coefficient2 = 0;
    qint64 delta = 0;
    qint64 sample1 = 0;
    qint64 sample2 = 0;

    qint16 decode(int nibble)
    {
        // A hostile header can make delta grow without end; keep it where the
        // arithmetic stays exact (real streams never come close).
        constexpr qint64 maxDelta = std::numeric_limits<qint32>::max() / 768;
        const qint64 signedNibble = nibble >= 8 ? nibble - 16 : nibble;
        const qint64 predicted = (sample1 * coefficient1 + sample2 * coefficient2) >> 8;
        const qint64 sample = std::clamp<qint64>(predicted + signedNibble * delta, -32768, 32767);
        delta = std::clamp<qint64>((kAdaptation[nibble] * delta) >> 8, 16, maxDelta);
        sample2 = sample1;
        sample1 = sample;
        return qint16(sample);
    }
};

} // namespace

QByteArray decodeMsAdpcm(const uchar* data, qsizetype size, int channels, int blockAlign, int samplesPerBlock,
                         const qint16* coefficientPairs, int coefficientCount, qint64 maxFrames,
                         const QString& context)
{
    if (channels < 1 || channels > 2)
        fail(context, QStringLiteral("MS ADPCM with %1 channels").arg(channels));
    const int header = kAdpcmHeaderPerChannel * channels;
    if (blockAlign <= header)
        fail(context, QStringLiteral("MS ADPCM block of %1 bytes cannot hold its header").arg(blockAlign));
    // Two samples come from the header, two more from every byte per channel.
    const qint64 blockCapacity = 2 + qint64(blockAlign - header) * 2 / channels;
    if (samplesPerBlock < 2 || samplesPerBlock > blockCapacity)
        fail(context, QStringLiteral("%1 samples per block do not fit in blocks of %2 bytes")
                          .arg(samplesPerBlock)
                          .arg(blockAlign));

    std::vector<qint16> out;
    out.reserve(size_t(qMin<qint64>(maxFrames, size * 2 / channels + 2)) * size_t(channels));
    qint64 frames = 0;
    for (qsizetype start = 0; start + header <= size && frames < maxFrames; start += blockAlign) {
        const uchar* block = data + start;
        const qsizetype blockSize = qMin<qsizetype>(blockAlign, size - start);
        AdpcmChannel state[2];
        for (int ch = 0; ch < channels; ++ch) {
            const int predictor = block[ch];
            if (predictor >= coefficientCount)
                fail(context, QStringLiteral("block at byte %1 uses predictor %2 of %3")
                                  .arg(start)
                                  .arg(predictor)
                                  .arg(coefficientCount));
            state[ch].coefficient1 = coefficientPairs[2 * predictor];
            state[ch].coefficient2 = coefficientPairs[2 * predictor + 1];
            state[ch].delta = qint16(le16(block + channels + 2 * ch));
            state[ch].sample1 = qint16(le16(block + 3 * channels + 2 * ch));
            state[ch].sample2 = qint16(le16(block + 5 * channels + 2 * ch));
        }
        // The header's older sample comes out first.
        for (int ch = 0; ch < channels && frames < maxFrames; ++ch)
            out.push_back(qint16(state[ch].sample2));
        if (frames < maxFrames)
            ++frames;
        for (int ch = 0; ch < channels && frames < maxFrames; ++ch)
            out.push_back(qint16(state[ch].sample1));
        if (frames < maxFrames)
            ++frames;
        if (frames >= maxFrames) {
            out.resize(size_t(maxFrames) * size_t(channels));
            break;
        }

        qint64 blockFrames = 2;
        int channel = 0;
        for (qsizetype i = header; i < blockSize && blockFrames < samplesPerBlock && frames < maxFrames;
             ++i) {
            for (int nibble : {block[i] >> 4, block[i] & 0x0F}) {
                out.push_back(state[channel].decode(nibble));
                if (++channel == channels) {
                    channel = 0;
                    ++frames;
                    ++blockFrames;
                    if (blockFrames >= samplesPerBlock || frames >= maxFrames)
                        break;
                }
            }
        }
        // A stereo block cut short mid-frame leaves a lone left sample; drop it.
        out.resize(size_t(frames) * size_t(channels));
    }
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size() * sizeof(qint16)));
}

PcmSound decodeWave(const QByteArray& riff, const QString& context)
{
    const auto* p = reinterpret_cast<const uchar*>(riff.constData());
    const qsizetype size = riff.size();
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        fail(context, QStringLiteral("not a RIFF WAVE file"));

    const uchar* fmt = nullptr;
    quint32 fmtSize = 0;
    const uchar* data = nullptr;
    quint32 dataSize = 0;
    qint64 factFrames = -1;
    for (qsizetype pos = 12; pos + 8 <= size;) {
        const quint32 chunkSize = le32(p + pos + 4);
        const qsizetype body = pos + 8;
        // Some real sounds carry a few stray bytes after their data chunk; once
        // the format and the data are known, such a tail is ignored.
        if (quint64(chunkSize) > quint64(size - body) && fmt && data)
            break;
        if (quint64(chunkSize) > quint64(size - body))
            fail(context, QStringLiteral("chunk at byte %1 claims %2 bytes, %3 remain")
                              .arg(pos)
                              .arg(chunkSize)
                              .arg(size - body));
        if (std::memcmp(p + pos, "fmt ", 4) == 0) {
            fmt = p + body;
            fmtSize = chunkSize;
        } else if (std::memcmp(p + pos, "data", 4) == 0) {
            data = p + body;
            dataSize = chunkSize;
        } else if (std::memcmp(p + pos, "fact", 4) == 0 && chunkSize >= 4) {
            factFrames = le32(p + body);
        }
        pos = body + qsizetype(chunkSize) + (chunkSize & 1);
    }
    if (!fmt || fmtSize < 16)
        fail(context, QStringLiteral("no format chunk"));
    if (!data)
        fail(context, QStringLiteral("no data chunk"));

    const quint16 tag = le16(fmt);
    PcmSound sound;
    sound.channels = le16(fmt + 2);
    sound.sampleRate = int(le32(fmt + 4));
    const int blockAlign = le16(fmt + 12);
    const int bits = le16(fmt + 14);
    if (sound.channels < 1 || sound.channels > 2)
        fail(context, QStringLiteral("%1 channels").arg(sound.channels));
    if (sound.sampleRate < 1000 || sound.sampleRate > 192000)
        fail(context, QStringLiteral("sample rate %1 Hz").arg(sound.sampleRate));

    if (tag == kFormatPcm) {
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
            fail(context, QStringLiteral("%1-bit PCM").arg(bits));
        const qsizetype frameBytes = qsizetype(sound.channels) * bits / 8;
        const qsizetype usable = qsizetype(dataSize) / frameBytes * frameBytes;
        if (bits <= 16) {
            sound.bitsPerSample = bits;
            sound.samples = QByteArray(reinterpret_cast<const char*>(data), usable);
            return sound;
        }
        // Wider samples keep their two most significant bytes (little-endian:
        // the last two of each sample), which is what 16-bit output can carry.
        const int sampleBytes = bits / 8;
        sound.bitsPerSample = 16;
        sound.samples.resize(usable / sampleBytes * 2);
        char* out = sound.samples.data();
        for (qsizetype at = 0; at < usable; at += sampleBytes, out += 2)
            std::memcpy(out, data + at + sampleBytes - 2, 2);
        return sound;
    }
    if (tag == kFormatMsAdpcm) {
        if (fmtSize < 22)
            fail(context, QStringLiteral("MS ADPCM format chunk of %1 bytes").arg(fmtSize));
        const int samplesPerBlock = le16(fmt + 18);
        const int coefficientCount = le16(fmt + 20);
        if (coefficientCount < 1 || 22 + quint64(coefficientCount) * 4 > fmtSize)
            fail(context, QStringLiteral("%1 MS ADPCM coefficients in a format chunk of %2 bytes")
                              .arg(coefficientCount)
                              .arg(fmtSize));
        std::vector<qint16> coefficients(size_t(coefficientCount) * 2);
        for (size_t i = 0; i < coefficients.size(); ++i)
            coefficients[i] = qint16(le16(fmt + 22 + 2 * i));
        sound.bitsPerSample = 16;
        // Some files claim more samples in "fact" than the data holds: decode what is there.
        const qint64 maxFrames = factFrames >= 0 ? factFrames : std::numeric_limits<qint64>::max();
        sound.samples = decodeMsAdpcm(data, dataSize, sound.channels, blockAlign, samplesPerBlock,
                                      coefficients.data(), coefficientCount, maxFrames, context);
        return sound;
    }
    fail(context, QStringLiteral("unsupported sound format %1").arg(tag));
}

QByteArray soundData(const AcsCharacter& character, int index)
{
    if (index < 0 || size_t(index) >= character.sounds.size())
        throw AgentError(QStringLiteral("%1: sound %2 does not exist").arg(character.fileName).arg(index));
    const AcsLocator l = character.sounds[size_t(index)];
    return character.data.mid(qsizetype(l.offset), qsizetype(l.size));
}

PcmSound decodeSound(const AcsCharacter& character, int index)
{
    const QByteArray riff = soundData(character, index);
    return decodeWave(riff, QStringLiteral("%1: sound %2 at offset %3")
                                .arg(character.fileName)
                                .arg(index)
                                .arg(character.sounds[size_t(index)].offset));
}

} // namespace agent
