#include "StoreRollback.h"

#include "Module1.h"

namespace accounts {

namespace {

// A key's text, or nothing when the key is absent. The store only answers
// with a default, so a key that reads as the marker is read once more with
// another default to tell a stored marker from an absent key.
std::optional<QString> storedText(const QString& key)
{
    static const QString marker = QStringLiteral("\x01absent\x01");
    const QString text = Module1::ReadSetting(key, marker);
    if (text != marker)
        return text;
    if (Module1::ReadSetting(key, QString()).isEmpty())
        return std::nullopt;
    return text;
}

} // namespace

QStringList accountKeys(qint16 n)
{
    static const char16_t* const fields[] = {u"Aname", u"Hname", u"Portno",  u"Uname",
                                             u"Passw", u"Check", u"Scolor1", u"Scolor2"};
    QStringList keys;
    keys.reserve(8);
    for (const char16_t* field : fields)
        keys.append(QString::fromUtf16(field) + QString::number(n));
    return keys;
}

void StoreRollback::remember(const QString& key)
{
    entries_.append({key, storedText(key)});
}

void StoreRollback::remember(const QStringList& keys)
{
    for (const QString& key : keys)
        remember(key);
}

void StoreRollback::restore() const
{
    // Backwards, so a key remembered twice ends as it stood first.
    for (auto it = entries_.crbegin(); it != entries_.crend(); ++it) {
        const auto& [key, text] = *it;
        if (text)
            Module1::WriteSetting(key, *text);
        else
            Module1::RemoveSetting(key);
    }
}

} // namespace accounts
