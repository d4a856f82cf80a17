#pragma once

// A short two-note chirp as a 16-bit mono PCM WAVE file, computed rather
// than recorded so the character carries no third-party sound.

#include <QByteArray>

namespace pipwren {

QByteArray chirpWave();

} // namespace pipwren
