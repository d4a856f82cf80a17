#pragma once

// The values of one registry key of a Wine prefix as read from the prefix's
// own user.reg ("WINE REGISTRY Version 2", which wineserver writes with
// every character above 127 as a \x escape of its UTF-16 unit), without Wine
// and without I/O, so the fuzzer and the tests reach it directly.
//
// Only REG_SZ values are texts of the store; values of other types are
// neither read nor touched. Value names are compared without regard to case,
// as the registry compares them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

namespace settings {

// A registry key's path below HKEY_CURRENT_USER, with single backslashes.
inline constexpr QStringView kMailCheckerKey = u"Software\\VB and VBA Program Settings\\wispane\\setting";

// A value name as the registry compares it: every UTF-16 unit in upper case,
// except that none becomes ASCII that was not: Wine keeps "ı" and "ſ" apart
// from "I" and "S".
QString FoldedValueName(QStringView name);

struct RegistryKeyTexts
{
    // Whether the file is of the form the reader expects at all.
    bool readable = false;
    bool keyFound = false;
    // Whether a line of the key is in a form this reader does not know to
    // read exactly as Wine does (raw bytes above 127, REG_SZ written in hex,
    // a malformed line): then only Wine itself can tell what the key holds.
    bool unknownForm = false;
    // The key's REG_SZ values, name as stored and text, in file order; a name
    // given twice counts at its last line, as Wine loads it.
    std::vector<std::pair<QString, QString>> texts;
};

// The REG_SZ values of keyPath (below HKEY_CURRENT_USER) in a user.reg file.
RegistryKeyTexts ReadUserRegKey(QByteArrayView userReg, QStringView keyPath);

} // namespace settings
