#pragma once

// The tables of Windows code page 932, defined in Cp932Table.cpp, which
// tools/cp932/generate_cp932_table.py writes from glibc's iconv "CP932"
// converter (plus the five single bytes that Windows maps and glibc rejects).
// A checked-in table keeps stored passwords readable on systems whose C
// library has no such converter. Cp932.h is the way to use them.

#include <QtGlobal>

#include <cstddef>

namespace settings::cp932 {

// Marks a code that is not a character on its own (U+FFFF is never mapped).
inline constexpr char16_t kNoCharacter = 0xFFFF;

inline constexpr int kLeadCount = 60; // 0x81..0x9F and 0xE0..0xFC
inline constexpr int kTrailFirst = 0x40;
inline constexpr int kTrailLast = 0xFC; // 0x7F inside the range is never a trail byte
inline constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

struct PreferredCode
{
    char16_t character;
    quint16 code;
};

extern const char16_t kSingleByte[256];
extern const char16_t kDoubleByte[kLeadCount][kTrailCount];
// For characters that several codes decode to: the code written for them.
extern const PreferredCode kPreferredCodes[];
extern const std::size_t kPreferredCount;

} // namespace settings::cp932
