#pragma once

// What the preview pane tells about a WAV file, read from its headers only.

#include <QString>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace dialogs {

struct WavInfo
{
    quint16 formatTag = 0; // 1 PCM, 2 MS ADPCM, 0xFFFE extensible (resolved to its sub-format)
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint16 bitsPerSample = 0;
    qint64 durationMs = 0;

    bool isPcm() const { return formatTag == 1; }
};

// Reads the RIFF/WAVE headers of device from its current position, seeking
// over chunk bodies so that only a few hundred bytes are ever read whatever
// the file's size. Returns nothing for a file that is not a usable WAV
// (wrong signature, no format or data chunk, zero rate, channels or block size).
std::optional<WavInfo> readWavInfo(QIODevice& device);

// "PCM", "MS ADPCM", ... or the tag in hex for formats without a common name.
QString wavFormatName(quint16 formatTag);

} // namespace dialogs
