#pragma once

// Reads a Microsoft Agent 2.0 character file (.acs). Everything the file says
// about itself is checked before use: every locator lies inside the file (sums
// in 64 bits), every count fits in the bytes that remain, dimensions are at
// most kMaxDimension, and every index points at something that exists. Any
// violation throws AgentError naming the file, the part and the offset.
//
// Only the structure is read here; AcsImageCache and decodeWave decode the
// pictures and sounds when they are first needed.

#include "AcsCharacter.h"

namespace agent {

class AcsReader
{
public:
    static constexpr int kMaxDimension = 4096;

    // Reads the file at path. Throws AgentError when it cannot be read or is damaged.
    static AcsCharacter readFile(const QString& path);
    // Parses bytes already in memory; fileName is only used in error messages.
    static AcsCharacter readBytes(const QByteArray& bytes, const QString& fileName);
};

} // namespace agent
