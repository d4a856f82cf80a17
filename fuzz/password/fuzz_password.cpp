// Arbitrary stored text must decode without failing, and what it decodes to
// must survive encoding; arbitrary passwords must round-trip or be reported.

#include "Module1.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const QString decoded = Module1::DecodePassword(text);
    if (decoded.size() > text.count(u' '))
        std::abort(); // at most one character per space-terminated token
    QString unencodable;
    const QString reencoded = Module1::EncodePassword(decoded, &unencodable);
    if (!unencodable.isEmpty() || Module1::DecodePassword(reencoded) != decoded)
        std::abort(); // every decoded character has a code that gives it back

    const QString encoded = Module1::EncodePassword(text, &unencodable);
    if (unencodable.isEmpty() && Module1::DecodePassword(encoded) != text)
        std::abort();
    if (!unencodable.isEmpty() && !text.contains(unencodable))
        std::abort();
    if (!encoded.isEmpty() && !encoded.endsWith(u' '))
        std::abort();
    return 0;
}
