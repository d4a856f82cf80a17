#include "WavInfo.h"

#include <QIODevice>
#include <QtEndian>

#include <array>

namespace dialogs {

namespace {

// Enough for any real file; stops a crafted file with thousands of tiny
// chunks from keeping the dialog busy.
constexpr int MaxChunks = 64;

constexpr quint16 ExtensibleTag = 0xFFFE;

struct FmtChunk
{
    quint16 formatTag = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint32 bytesPerSecond = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
    quint16 samplesPerBlock = 0; // MS ADPCM only
};

quint16 u16At(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32At(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

std::optional<FmtChunk> parseFmt(const QByteArray& body)
{
    if (body.size() < 16)
        return std::nullopt;
    const char* p = body.constData();
    FmtChunk fmt;
    fmt.formatTag = u16At(p);
    fmt.channels = u16At(p + 2);
    fmt.sampleRate = u32At(p + 4);
    fmt.bytesPerSecond = u32At(p + 8);
    fmt.blockAlign = u16At(p + 12);
    fmt.bitsPerSample = u16At(p + 14);
    const quint16 extraSize = body.size() >= 18 ? u16At(p + 16) : 0;
    if (fmt.formatTag == ExtensibleTag && extraSize >= 22 && body.size() >= 18 + 22)
        fmt.formatTag = u16At(p + 24); // first two bytes of the sub-format GUID
    if (fmt.formatTag == 2 && extraSize >= 2 && body.size() >= 20)
        fmt.samplesPerBlock = u16At(p + 18);
    return fmt;
}

qint64 durationMs(const FmtChunk& fmt, qint64 dataBytes, std::optional<quint32> factSamples)
{
    if (factSamples && fmt.formatTag != 1)
        return qint64(*factSamples) * 1000 / fmt.sampleRate;
    if (fmt.formatTag == 2 && fmt.samplesPerBlock > 0) {
        const qint64 samples = dataBytes / fmt.blockAlign * fmt.samplesPerBlock;
        return samples * 1000 / fmt.sampleRate;
    }
    if (fmt.formatTag == 1 && fmt.blockAlign > 0)
        return dataBytes / fmt.blockAlign * 1000 / fmt.sampleRate;
    if (fmt.bytesPerSecond > 0)
        return dataBytes * 1000 / fmt.bytesPerSecond;
    return 0;
}

} // namespace

std::optional<WavInfo> readWavInfo(QIODevice& device)
{
    std::array<char, 12> riff{};
    if (device.read(riff.data(), riff.size()) != qint64(riff.size()))
        return std::nullopt;
    if (QByteArrayView(riff.data(), 4) != "RIFF" || QByteArrayView(riff.data() + 8, 4) != "WAVE")
        return std::nullopt;

    std::optional<FmtChunk> fmt;
    std::optional<quint32> factSamples;
    for (int i = 0; i < MaxChunks; ++i) {
        std::array<char, 8> header{};
        if (device.read(header.data(), header.size()) != qint64(header.size()))
            break;
        const QByteArrayView id(header.data(), 4);
        const quint32 size = u32At(header.data() + 4);
        const qint64 bodyStart = device.pos();

        if (id == "fmt ") {
            // The format chunk is small; anything beyond its extension is not ours to read.
            fmt = parseFmt(device.read(qMin<qint64>(size, 64)));
        } else if (id == "fact" && size >= 4) {
            const QByteArray body = device.read(4);
            if (body.size() == 4)
                factSamples = u32At(body.constData());
        } else if (id == "data") {
            if (!fmt || fmt->channels == 0 || fmt->sampleRate == 0 || fmt->blockAlign == 0)
                return std::nullopt;
            // A cut-off file claims more than it holds; time what is there.
            qint64 dataBytes = size;
            if (!device.isSequential() && device.size() - bodyStart < dataBytes)
                dataBytes = qMax<qint64>(0, device.size() - bodyStart);
            WavInfo info;
            info.formatTag = fmt->formatTag;
            info.channels = fmt->channels;
            info.sampleRate = fmt->sampleRate;
            info.bitsPerSample = fmt->bitsPerSample;
            info.durationMs = durationMs(*fmt, dataBytes, factSamples);
            return info;
        }
        // Chunk bodies are padded to an even length.
        const qint64 next = bodyStart + qint64(size) + (size & 1);
        if (device.isSequential() || !device.seek(next))
            break;
    }
    return std::nullopt;
}

QString wavFormatName(quint16 formatTag)
{
    switch (formatTag) {
    case 1:
        return QStringLiteral("PCM");
    case 2:
        return QStringLiteral("MS ADPCM");
    case 3:
        return QStringLiteral("IEEE float");
    case 6:
        return QStringLiteral("A-law");
    case 7:
        return QStringLiteral("μ-law");
    case 0x11:
        return QStringLiteral("IMA ADPCM");
    case 0x55:
        return QStringLiteral("MP3");
    default:
        return u"0x" + QString::number(formatTag, 16).rightJustified(4, QLatin1Char('0')).toUpper();
    }
}

} // namespace dialogs
