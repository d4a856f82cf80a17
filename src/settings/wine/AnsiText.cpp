#include "AnsiText.h"

#include "Cp932.h"

#include <QStringView>

namespace settings {

namespace {

// The JIS form an input method gives, and the one code page 932 carries.
constexpr char16_t kJisForms[][2] = {
    {u'\u301C', u'\uFF5E'}, {u'\u2212', u'\uFF0D'}, {u'\u2016', u'\u2225'}, {u'\u00A2', u'\uFFE0'},
    {u'\u00A3', u'\uFFE1'}, {u'\u00AC', u'\uFFE2'}, {u'\u2014', u'\u2015'},
};

char16_t codePageForm(char16_t character)
{
    for (const auto& [jis, codePage] : kJisForms) {
        if (character == jis)
            return codePage;
    }
    return character;
}

} // namespace

std::optional<QString> AnsiStorableText(const QString& text, QString* refused)
{
    QString stored = text;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const char16_t character = codePageForm(stored[i].unicode());
        if (QChar::isSurrogate(character) || !cp932::FromUnicode(character)) {
            if (refused) {
                const bool pair = QChar::isHighSurrogate(character) && i + 1 < stored.size() &&
                                  stored[i + 1].isLowSurrogate();
                *refused = QStringView(stored).sliced(i, pair ? 2 : 1).toString();
            }
            return std::nullopt;
        }
        if (character != stored[i].unicode())
            stored[i] = QChar(character);
    }
    return stored;
}

} // namespace settings
