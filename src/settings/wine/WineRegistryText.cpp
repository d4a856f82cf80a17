#include "WineRegistryText.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace settings {

namespace {

constexpr QByteArrayView kUserRegHeader = "WINE REGISTRY Version 2";

// Collects a key's texts with the registry's name rule: one value per name,
// whatever its case.
class KeyTexts
{
public:
    void setText(const QString& name, const QString& text)
    {
        const QString folded = FoldedValueName(name);
        if (const auto it = index_.constFind(folded); it != index_.cend()) {
            result_.texts[*it].second = text;
            return;
        }
        index_.insert(folded, result_.texts.size());
        result_.texts.emplace_back(name, text);
    }
    // A value of another type under the name replaces the text.
    void setOther(const QString& name)
    {
        const auto it = index_.constFind(FoldedValueName(name));
        if (it == index_.cend())
            return;
        const std::size_t removed = *it;
        result_.texts.erase(result_.texts.begin() + qsizetype(removed));
        index_.erase(it);
        for (auto& position : index_) {
            if (position > removed)
                --position;
        }
    }
    RegistryKeyTexts& result() { return result_; }

private:
    RegistryKeyTexts result_;
    QHash<QString, std::size_t> index_;
};

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QChar controlEscape(char c)
{
    switch (c) {
    case 'a':
        return QChar(u'\a');
    case 'b':
        return QChar(u'\b');
    case 'e':
        return QChar(char16_t(0x1b));
    case 'f':
        return QChar(u'\f');
    case 'n':
        return QChar(u'\n');
    case 'r':
        return QChar(u'\r');
    case 't':
        return QChar(u'\t');
    case 'v':
        return QChar(u'\v');
    default:
        return QChar();
    }
}

// A quoted text of user.reg from `at` (just past its opening quote) up to the
// unescaped `end`, which `at` is left past. Bytes without an escape are
// UTF-8, which wineserver accepts besides its own \x escapes of UTF-16
// units (1 to 4 hex digits), octal escapes and the C control escapes.
std::optional<QString> decodeUserRegText(QByteArrayView line, qsizetype& at, char end)
{
    QString text;
    QByteArray raw;
    const auto flush = [&] {
        text += QString::fromUtf8(raw);
        raw.clear();
    };
    while (at < line.size()) {
        const char c = line[at++];
        if (c == end) {
            flush();
            return text;
        }
        if (c != '\\' || at >= line.size()) {
            raw.append(c);
            continue;
        }
        flush();
        const char escaped = line[at++];
        if (const QChar control = controlEscape(escaped); !control.isNull()) {
            text += control;
        } else if (escaped == 'x') {
            unsigned unit = 0;
            int digits = 0;
            for (; digits < 4 && at < line.size() && hexValue(line[at]) >= 0; ++digits)
                unit = unit * 16 + unsigned(hexValue(line[at++]));
            text += digits ? QChar(char16_t(unit)) : QChar(u'x');
        } else if (isOctalDigit(escaped)) {
            unsigned unit = unsigned(escaped - '0');
            for (int digits = 1; digits < 3 && at < line.size() && isOctalDigit(line[at]); ++digits)
                unit = unit * 8 + unsigned(line[at++] - '0');
            text += QChar(char16_t(unit));
        } else {
            raw.append(escaped); // \\, \", \[, \] and any other character stand for themselves
        }
    }
    return std::nullopt;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

void skipBlanks(QByteArrayView line, qsizetype& at)
{
    while (at < line.size() && isBlank(line[at]))
        ++at;
}

bool isPlainAscii(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c > 0 && uchar(c) < 128; });
}

// The forms of values of other types that wineserver writes.
bool isOtherTypeForm(QByteArrayView data)
{
    return data.startsWith("dword:") || data.startsWith("hex:") || data.startsWith("hex(") ||
           data.startsWith("str(2):\"") || data.startsWith("str(7):\"");
}

QByteArrayView withoutCarriageReturn(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

} // namespace

QString FoldedValueName(QStringView name)
{
    QString folded;
    folded.reserve(name.size());
    for (const QChar unit : name) {
        const QChar upper = unit.toUpper();
        folded += upper.unicode() < 128 && unit.unicode() >= 128 ? unit : upper;
    }
    return folded;
}

RegistryKeyTexts ReadUserRegKey(QByteArrayView userReg, QStringView keyPath)
{
    KeyTexts key;
    bool inKey = false;
    qsizetype begin = 0;
    bool firstLine = true;
    const QString wantedKey = FoldedValueName(keyPath);
    while (begin < userReg.size()) {
        qsizetype newline = userReg.indexOf('\n', begin);
        if (newline < 0)
            newline = userReg.size();
        QByteArrayView line = withoutCarriageReturn(userReg.sliced(begin, newline - begin));
        begin = newline + 1;
        if (firstLine) {
            // wineserver itself refuses any other first line and then loads nothing.
            if (line != kUserRegHeader)
                return {};
            key.result().readable = true;
            firstLine = false;
            continue;
        }
        // wineserver skips blanks before a line's first character.
        while (!line.isEmpty() && isBlank(line.front()))
            line = line.sliced(1);
        if (line.startsWith('[')) {
            qsizetype at = 1;
            const std::optional<QString> name = decodeUserRegText(line, at, ']');
            inKey = name && FoldedValueName(*name) == wantedKey;
            key.result().keyFound = key.result().keyFound || inKey;
            if (inKey && !isPlainAscii(line))
                key.result().unknownForm = true;
            continue;
        }
        if (!inKey || !line.startsWith('"'))
            continue; // comments, options, the default value, continued hex lines
        // Raw bytes above 127 and NULs (which end a line for wineserver) are
        // no form wineserver writes; what it makes of them is its own affair.
        if (!isPlainAscii(line))
            key.result().unknownForm = true;
        qsizetype at = 1;
        const std::optional<QString> name = decodeUserRegText(line, at, '"');
        skipBlanks(line, at);
        if (!name || at >= line.size() || line[at] != '=') {
            key.result().unknownForm = true;
            continue;
        }
        ++at;
        skipBlanks(line, at);
        const QByteArrayView data = line.sliced(at);
        if (data.startsWith("\"") || data.startsWith("str:\"")) {
            at += data.startsWith('"') ? 1 : 5;
            if (const std::optional<QString> text = decodeUserRegText(line, at, '"')) {
                key.setText(*name, *text);
            } else {
                key.setOther(*name); // wineserver keeps a malformed value as one without text
                key.result().unknownForm = true;
            }
        } else {
            key.setOther(*name);
            // A REG_SZ in hex is a text all the same; and whatever wineserver
            // does not recognise it keeps as a value without data.
            if (data.startsWith("hex(1)") || !isOtherTypeForm(data))
                key.result().unknownForm = true;
        }
    }
    return std::move(key.result());
}

} // namespace settings
