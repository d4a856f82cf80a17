#include "IniDocument.h"

#include "Cp932.h"
#include "Cp932Table.h"
#include "StoreText.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace settings {

namespace {

constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";
constexpr QStringView kSection = u"setting";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QByteArrayView trimBlanks(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

QString decodeCp932(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = uchar(bytes[i]);
        std::optional<char16_t> character;
        if (cp932::IsLeadByte(byte) && i + 1 < bytes.size() && uchar(bytes[i + 1]) >= cp932::kTrailFirst) {
            character = cp932::ToUnicode(quint16((byte << 8) | uchar(bytes[i + 1])));
            ++i;
        } else {
            character = cp932::ToUnicode(byte);
        }
        text += character ? QChar(*character) : QChar(QChar::ReplacementCharacter);
    }
    return text;
}

// UTF-8 when the bytes are valid UTF-8, otherwise code page 932.
QString decodeText(QByteArrayView bytes)
{
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (ascii)
        return QString::fromLatin1(bytes);
    // A BOM inside a value is text; the file's own BOM is skipped by the reader.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp932(bytes);
}

// The bytes of a value: blanks at the ends dropped, or the outer quotes.
QByteArrayView valueBytes(QByteArrayView bytes)
{
    QByteArrayView value = trimBlanks(bytes);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.sliced(1, value.size() - 2);
    return value;
}

QString parseValue(QByteArrayView bytes)
{
    return decodeText(valueBytes(bytes));
}

// Whether the stored bytes read as text, without decoding the common ASCII case.
bool readsAs(QByteArrayView bytes, const QString& text)
{
    const QByteArrayView value = valueBytes(bytes);
    const bool ascii = std::all_of(value.begin(), value.end(), [](char c) { return uchar(c) < 0x80; });
    return ascii ? QLatin1StringView(value) == text : decodeText(value) == text;
}

// Plain when that reads back exactly, else in double quotes.
// Appended to out without a buffer of its own: a large Delete writes
// tens of thousands of values.
void appendValue(QByteArray& out, const QString& text)
{
    const bool quoted =
        !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()) || text.front() == u'"');
    if (quoted)
        out += '"';
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const qsizetype start = out.size();
    out.resize(start + utf8.requiredSpace(text.size()));
    char* end = utf8.appendToBuffer(out.data() + start, text);
    out.truncate(end - out.constData());
    if (quoted)
        out += '"';
}

} // namespace

IniDocument::IniDocument(const QByteArray& bytes) : bytes_(bytes)
{
    parse();
}

void IniDocument::parse()
{
    bool inSetting = false;
    bool inFirstSetting = false;
    const QByteArrayView bytes(bytes_);
    const qsizetype size = bytes.size();
    const qsizetype lineCount = bytes.count('\n') + 1;
    lines_.reserve(std::size_t(lineCount));
    entries_.reserve(std::size_t(lineCount));
    qsizetype start = 0;
    while (start < size) {
        Line line;
        line.begin = start;
        const qsizetype newline = bytes.indexOf('\n', start);
        qsizetype end = newline < 0 ? size : newline;
        // A CR before the LF belongs to the line break, and so does a CR
        // ending a file cut after it.
        if (end > start && bytes[end - 1] == '\r')
            --end;
        line.length = end - start;
        line.endingLength = qint8((newline < 0 ? size : newline + 1) - end);
        start = newline < 0 ? size : newline + 1;
        if (lines_.empty() && line.endingLength == 2)
            newline_ = QByteArrayLiteral("\r\n");
        const auto index = qsizetype(lines_.size());

        QByteArrayView text = bytes.sliced(line.begin, line.length);
        qsizetype skipped = 0;
        if (index == 0 && text.startsWith(kUtf8Bom))
            skipped = kUtf8Bom.size();
        const QByteArrayView trimmed = trimBlanks(text.sliced(skipped));
        if (trimmed.isEmpty() || trimmed.front() == ';' || trimmed.front() == '#') {
            lines_.push_back(line);
            continue;
        }
        if (trimmed.front() == '[' && trimmed.back() == ']' && trimmed.size() >= 2) {
            inSetting = decodeText(trimBlanks(trimmed.sliced(1, trimmed.size() - 2))) == kSection;
            inFirstSetting = inSetting && insertAfter_ < 0;
            if (inFirstSetting)
                insertAfter_ = index;
            lines_.push_back(line);
            continue;
        }
        const qsizetype equals = text.indexOf('=');
        if (inSetting && equals >= 0) {
            const QString key = decodeText(trimBlanks(text.sliced(skipped, equals - skipped)));
            if (!key.isEmpty()) {
                line.equals = equals;
                Entry& entry = entries_[key];
                if (entry.index >= 0)
                    repeats_.insert(key, index);
                else
                    entry.index = index;
                if (inFirstSetting)
                    insertAfter_ = index;
            }
        }
        lines_.push_back(line);
    }
}

std::optional<QString> IniDocument::value(const QString& key) const
{
    const auto it = entries_.find(key);
    if (it == entries_.cend())
        return std::nullopt;
    const Entry& entry = it->second;
    if (entry.added)
        return added_[std::size_t(entry.index)].text;
    const Line& line = lines_[std::size_t(entry.index)];
    if (line.rewrite >= 0)
        return rewrites_[std::size_t(line.rewrite)];
    return parseValue(textOf(line).sliced(line.equals + 1));
}

QStringList IniDocument::keys() const
{
    std::vector<std::pair<std::pair<bool, qsizetype>, QString>> ordered;
    ordered.reserve(std::size_t(entries_.size()));
    for (const auto& [key, entry] : entries_)
        ordered.push_back({{entry.added, entry.index}, key});
    std::sort(ordered.begin(), ordered.end());
    QStringList keys;
    for (const auto& entry : ordered)
        keys.append(entry.second);
    return keys;
}

void IniDocument::set(const QString& key, const QString& text)
{
    const auto [it, inserted] = entries_.try_emplace(key);
    Entry& entry = it->second;
    if (inserted) {
        added_.push_back(AddedLine{key, text, false});
        entry = Entry{qsizetype(added_.size()) - 1, true};
        return;
    }
    if (entry.added) {
        added_[std::size_t(entry.index)].text = text;
        return;
    }
    Line& line = lines_[std::size_t(entry.index)];
    if (line.rewrite >= 0) {
        rewrites_[std::size_t(line.rewrite)] = text;
    } else if (!readsAs(textOf(line).sliced(line.equals + 1), text)) {
        line.rewrite = qint32(rewrites_.size());
        rewrites_.push_back(text);
    }
}

void IniDocument::remove(const QString& key)
{
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return;
    if (it->second.added)
        added_[std::size_t(it->second.index)].removed = true;
    else
        lines_[std::size_t(it->second.index)].removed = true;
    entries_.erase(it);
    // Every line of the key goes, so that no later line brings it back.
    for (auto repeat = repeats_.constFind(key); repeat != repeats_.cend() && repeat.key() == key; ++repeat)
        lines_[std::size_t(*repeat)].removed = true;
    repeats_.remove(key);
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    out.reserve(bytes_.size() + qsizetype(added_.size()) * 32 + qsizetype(rewrites_.size()) * 8);
    const QByteArrayView bytes(bytes_);
    // Only a last line can lack its line break, and something follows it now.
    auto breakLastLine = [&out, this] {
        if (out.endsWith('\r'))
            out += '\n';
        else if (!out.isEmpty() && !out.endsWith('\n'))
            out += newline_;
    };
    auto appendAdded = [&] {
        for (const AddedLine& line : added_) {
            if (line.removed)
                continue;
            breakLastLine();
            out += line.key.toUtf8();
            out += '=';
            appendValue(out, line.text);
            out += newline_;
        }
    };
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (!line.removed) {
            breakLastLine();
            if (line.rewrite >= 0) {
                // The key and its spacing stay as they were written.
                out += bytes.sliced(line.begin, line.equals + 1);
                appendValue(out, rewrites_[std::size_t(line.rewrite)]);
            } else {
                out += bytes.sliced(line.begin, line.length);
            }
            out += bytes.sliced(line.begin + line.length, line.endingLength);
        }
        if (qsizetype(i) == insertAfter_)
            appendAdded();
    }
    if (insertAfter_ < 0 &&
        std::any_of(added_.cbegin(), added_.cend(), [](const AddedLine& l) { return !l.removed; })) {
        breakLastLine();
        out += "[setting]";
        out += newline_;
        appendAdded();
    }
    return out;
}

bool IniDocument::isWritableKey(QStringView key)
{
    return !key.isEmpty() && FitsOnAStoreLine(key) && !key.contains(u'=') && !isBlank(key.front()) &&
           !isBlank(key.back()) && key.front() != u';' && key.front() != u'#' && key.front() != u'[';
}

} // namespace settings
