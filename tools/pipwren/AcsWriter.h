#pragma once

// Serialises an AcsCharacter into the single-file character format (.acs),
// in the block order the known characters use: header, animations, images,
// sounds, the three lists, then the character info with its localized part.

#include "AcsModel.h"

#include <QByteArray>

namespace pipwren {

enum class ImageCoding { Compressed, Raw };

QByteArray writeAcs(const AcsCharacter& character, ImageCoding coding = ImageCoding::Compressed);

// The pixel block of an image: rows bottom-up, each padded to 4 bytes.
QByteArray bottomUpPixels(const IndexedImage& image);

} // namespace pipwren
