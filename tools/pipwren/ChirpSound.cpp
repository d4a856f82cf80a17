#include "ChirpSound.h"

#include <QtEndian>

#include <cmath>
#include <numbers>

namespace pipwren {

namespace {

constexpr int kSampleRate = 11025;

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// One rising note: a sweep from low to high with a soft attack and release.
void appendNote(QByteArray& pcm, double seconds, double fromHz, double toHz, double loudness)
{
    const int samples = int(seconds * kSampleRate);
    double phase = 0;
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / samples;
        const double hz = fromHz + (toHz - fromHz) * t * t;
        phase += 2 * std::numbers::pi * hz / kSampleRate;
        const double envelope = std::sin(std::numbers::pi * t) * (1.0 - 0.3 * t);
        const double value = loudness * envelope * std::sin(phase);
        put16(pcm, quint16(qint16(std::lround(value * 32767))));
    }
}

void appendSilence(QByteArray& pcm, double seconds)
{
    pcm.append(qsizetype(seconds * kSampleRate) * 2, '\0');
}

} // namespace

QByteArray chirpWave()
{
    QByteArray pcm;
    appendNote(pcm, 0.06, 2900, 3900, 0.35);
    appendSilence(pcm, 0.035);
    appendNote(pcm, 0.08, 3100, 4300, 0.30);

    QByteArray wave;
    wave.append("RIFF");
    put32(wave, quint32(36 + pcm.size()));
    wave.append("WAVEfmt ");
    put32(wave, 16);
    put16(wave, 1); // PCM
    put16(wave, 1); // mono
    put32(wave, kSampleRate);
    put32(wave, kSampleRate * 2);
    put16(wave, 2);
    put16(wave, 16);
    wave.append("data");
    put32(wave, quint32(pcm.size()));
    wave.append(pcm);
    return wave;
}

} // namespace pipwren
