#include "Cp932.h"

#include "Cp932Table.h"

#include <array>

namespace settings::cp932 {

namespace {

constexpr quint16 kNoCode = 0xFFFF; // never a valid code: 0xFF is not a lead byte

int leadIndex(int lead)
{
    if (lead >= 0x81 && lead <= 0x9F)
        return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xFC)
        return lead - 0xE0 + 0x1F;
    return -1;
}

using EncodeTable = std::array<quint16, 0x10000>;

// The inverse of the decoding tables. Every character that only one code gives
// takes that code; for the others the generator recorded the code Windows writes.
EncodeTable buildEncodeTable()
{
    EncodeTable table;
    table.fill(kNoCode);
    for (int byte = 0; byte < 0x100; ++byte) {
        const char16_t character = kSingleByte[byte];
        if (character != kNoCharacter && table[character] == kNoCode)
            table[character] = quint16(byte);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        const int row = leadIndex(lead);
        if (row < 0)
            continue;
        for (int trail = kTrailFirst; trail <= kTrailLast; ++trail) {
            const char16_t character = kDoubleByte[row][trail - kTrailFirst];
            if (character != kNoCharacter && table[character] == kNoCode)
                table[character] = quint16((lead << 8) | trail);
        }
    }
    for (std::size_t i = 0; i < kPreferredCount; ++i)
        table[kPreferredCodes[i].character] = kPreferredCodes[i].code;
    return table;
}

const EncodeTable& encodeTable()
{
    static const EncodeTable table = buildEncodeTable();
    return table;
}

} // namespace

bool IsLeadByte(int byte)
{
    return leadIndex(byte) >= 0;
}

std::optional<char16_t> ToUnicode(quint16 code)
{
    char16_t character = kNoCharacter;
    if (code < 0x100) {
        character = kSingleByte[code];
    } else {
        const int row = leadIndex(code >> 8);
        const int trail = code & 0xFF;
        if (row >= 0 && trail >= kTrailFirst && trail <= kTrailLast)
            character = kDoubleByte[row][trail - kTrailFirst];
    }
    if (character == kNoCharacter)
        return std::nullopt;
    return character;
}

std::optional<quint16> FromUnicode(char16_t character)
{
    const quint16 code = encodeTable()[character];
    if (code == kNoCode)
        return std::nullopt;
    return code;
}

} // namespace settings::cp932
