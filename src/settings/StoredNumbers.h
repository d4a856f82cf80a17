#pragma once

// Stored numbers as the options record and the agent's placing read them.
//
// The mail checker, older versions of this program or a hand-edited file may
// leave a number that does not convert or does not fit the control it goes
// to. Such a value is taken as absent: the key's default is used, so the
// window always opens and OK writes a sound value back.

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace settings {

struct GlobalKey;

// The stored value of a numeric key (16 or 32 bits by its kind) as a whole
// number within the key's range, or the key's default when it is absent or
// not such a number.
qint32 ReadStoredNumber(const GlobalKey& key);

// The number of stored accounts. A stored count that is not a count (not a
// number, negative, beyond 16 bits) would hide the accounts still on disk and
// let the next Add overwrite account 1; the records themselves are counted
// instead: accounts 1, 2, ... for as long as their display-name key is there.
// An absent count is the first run's 0.
qint16 ReadStoredAccountCount();

// A single-precision number as the mail checker's runtime writes it as text:
// at most seven significant digits, no trailing zeros ("7616", "7616.5",
// "1.234568E+07"). The agent's fallback position is handed to the store in
// this form, so a reader of the default sees the same text either way.
QString SingleToText(float value);

// Rounds to the nearest whole number, halves to the even neighbour
// (100.5 -> 100, 101.5 -> 102), whatever the floating-point environment;
// std::nullopt when the result does not fit 16 bits or value is not finite.
std::optional<qint16> RoundToInt16TiesToEven(double value);

// A stored agent position in twips ("DefLeft"/"DefTop", a real number as
// text) in screen pixels; std::nullopt when the text is not a number or the
// pixel value does not fit 16 bits.
std::optional<qint16> TwipsTextToPixels(const QString& twipsText, double twipsPerPixel);

// The agent's position on one axis: key (kAgentLeftKey or kAgentTopKey) read
// with the fallback (half the screen in twips minus 64, in single precision)
// as its default, converted to pixels. A stored value that does not convert
// or fit gives the fallback.
qint16 AgentPosition(QStringView key, double screenTwips, double twipsPerPixel);

} // namespace settings
