#pragma once

// Turns the RIFF WAVE files stored in a character into plain PCM that an
// audio sink can play. 8- and 16-bit PCM is passed through, 24- and 32-bit
// PCM cut to 16 bits; Microsoft ADPCM (format tag 2), which most audio back
// ends refuse, is decoded to 16-bit.

#include <QByteArray>
#include <QString>

namespace agent {

struct AcsCharacter;

struct PcmSound
{
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0; // 8 (unsigned) or 16 (signed little-endian)
    QByteArray samples;

    qint64 frameCount() const
    {
        const int frameBytes = channels * bitsPerSample / 8;
        return frameBytes > 0 ? samples.size() / frameBytes : 0;
    }
};

// Throws AgentError (starting with context) for a damaged or unsupported file.
PcmSound decodeWave(const QByteArray& riff, const QString& context);

// The stored WAVE file of sound index; throws AgentError for an unknown index.
QByteArray soundData(const AcsCharacter& character, int index);
PcmSound decodeSound(const AcsCharacter& character, int index);

// Decodes Microsoft ADPCM blocks (each blockAlign bytes, the last one may be
// short) into interleaved signed 16-bit samples, at most maxFrames frames.
// coefficientPairs holds coefficientCount pairs (c1, c2).
QByteArray decodeMsAdpcm(const uchar* data, qsizetype size, int channels, int blockAlign, int samplesPerBlock,
                         const qint16* coefficientPairs, int coefficientCount, qint64 maxFrames,
                         const QString& context);

} // namespace agent
