#pragma once

// Windows code page 932 as stored passwords use it: a character's code and
// back, looked up in the generated tables of Cp932Table.h.

#include <QtGlobal>

#include <optional>

namespace settings::cp932 {

// Whether byte begins a double-byte code.
bool IsLeadByte(int byte);

// The character of a single-byte code (0..0xFF) or a double-byte code (lead
// byte high); nothing for lone lead bytes and codes without a character.
std::optional<char16_t> ToUnicode(quint16 code);

// The code written for a character, or nothing when the code page cannot
// carry it exactly (look-alikes that would come back as another character).
std::optional<quint16> FromUnicode(char16_t character);

} // namespace settings::cp932
