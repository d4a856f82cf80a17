#include "IniDocument.h"

#include "Cp932Table.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace quorvix::settings {

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
        if (cp932::isLeadByte(byte) && i + 1 < bytes.size() && uchar(bytes[i + 1]) >= cp932::kTrailFirst) {
            character = cp932::toUnicode(quint16((byte << 8) | uchar(bytes[i + 1])));
            ++i;
        } else {
            character = cp932::toUnicode(byte);
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
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp932(bytes);
}

QString parseValue(QByteArrayView bytes)
{
    QByteArrayView value = trimBlanks(bytes);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.sliced(1, value.size() - 2);
    return decodeText(value);
}

// Plain when that reads back exactly, else in double quotes.
QByteArray formatValue(const QString& text)
{
    const bool quoted =
        !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()) || text.front() == u'"');
    const QByteArray bytes = text.toUtf8();
    return quoted ? '"' + bytes + '"' : bytes;
}

} // namespace

IniDocument::IniDocument(const QByteArray& bytes)
{
    parse(bytes);
}

void IniDocument::parse(const QByteArray& bytes)
{
    bool inSetting = false;
    bool inFirstSetting = false;
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        Line line;
        const qsizetype newline = bytes.indexOf('\n', start);
        qsizetype end = newline < 0 ? size : newline;
        const bool cr = end > start && bytes[end - 1] == '\r';
        if (newline >= 0) {
            end -= cr ? 1 : 0;
            line.ending = cr ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
        } else if (cr) {
            // A file cut after the CR of its last CRLF: the CR is no part of the value.
            --end;
            line.ending = QByteArrayLiteral("\r");
        }
        line.text = bytes.sliced(start, end - start);
        start = newline < 0 ? size : newline + 1;
        if (m_lines.empty() && line.ending == "\r\n")
            m_newline = line.ending;
        const auto index = qsizetype(m_lines.size());
        m_lines.push_back(std::move(line));

        QByteArrayView text = m_lines.back().text;
        if (index == 0 && text.startsWith(kUtf8Bom))
            text = text.sliced(kUtf8Bom.size());
        const QByteArrayView trimmed = trimBlanks(text);
        if (trimmed.isEmpty() || trimmed.front() == ';' || trimmed.front() == '#')
            continue;
        if (trimmed.front() == '[' && trimmed.back() == ']' && trimmed.size() >= 2) {
            inSetting = decodeText(trimBlanks(trimmed.sliced(1, trimmed.size() - 2))) == kSection;
            inFirstSetting = inSetting && m_insertAfter < 0;
            if (inFirstSetting)
                m_insertAfter = index;
            continue;
        }
        const qsizetype equals = text.indexOf('=');
        if (!inSetting || equals < 0)
            continue;
        const QString key = decodeText(trimBlanks(text.first(equals)));
        if (key.isEmpty())
            continue;
        if (m_entries.contains(key))
            m_repeats.insert(key, index);
        else
            m_entries.insert(key, Entry{false, index, parseValue(text.sliced(equals + 1))});
        if (inFirstSetting)
            m_insertAfter = index;
    }
}

std::optional<QString> IniDocument::value(const QString& key) const
{
    const auto it = m_entries.constFind(key);
    if (it == m_entries.cend())
        return std::nullopt;
    return it->value;
}

QStringList IniDocument::keys() const
{
    std::vector<std::pair<std::pair<bool, qsizetype>, QString>> ordered;
    ordered.reserve(std::size_t(m_entries.size()));
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        ordered.push_back({{it->added, it->index}, it.key()});
    std::sort(ordered.begin(), ordered.end());
    QStringList keys;
    for (const auto& entry : ordered)
        keys.append(entry.second);
    return keys;
}

void IniDocument::set(const QString& key, const QString& text)
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        m_added.push_back(Line{key.toUtf8() + '=' + formatValue(text), {}, false});
        m_entries.insert(key, Entry{true, qsizetype(m_added.size()) - 1, text});
        return;
    }
    if (it->value == text)
        return;
    Line& line = it->added ? m_added[std::size_t(it->index)] : m_lines[std::size_t(it->index)];
    // The key and its spacing stay as they were written.
    line.text = line.text.first(line.text.indexOf('=') + 1) + formatValue(text);
    it->value = text;
}

void IniDocument::remove(const QString& key)
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    (it->added ? m_added[std::size_t(it->index)] : m_lines[std::size_t(it->index)]).removed = true;
    m_entries.erase(it);
    // Every line of the key goes, so that no later line brings it back.
    for (auto repeat = m_repeats.constFind(key); repeat != m_repeats.cend() && repeat.key() == key; ++repeat)
        m_lines[std::size_t(*repeat)].removed = true;
    m_repeats.remove(key);
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    auto append = [&out, this](const QByteArray& text, const QByteArray& ending) {
        // Only a last line can lack its line break, and something follows it now.
        if (out.endsWith('\r'))
            out += '\n';
        else if (!out.isEmpty() && !out.endsWith('\n'))
            out += m_newline;
        out += text;
        out += ending;
    };
    auto appendAdded = [&] {
        for (const Line& line : m_added) {
            if (!line.removed)
                append(line.text, m_newline);
        }
    };
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (!m_lines[i].removed)
            append(m_lines[i].text, m_lines[i].ending);
        if (qsizetype(i) == m_insertAfter)
            appendAdded();
    }
    if (m_insertAfter < 0 && std::any_of(m_added.cbegin(), m_added.cend(), [](const Line& l) { return !l.removed; })) {
        append(QByteArrayLiteral("[setting]"), m_newline);
        appendAdded();
    }
    return out;
}

bool IniDocument::fitsOnALine(QStringView text)
{
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\0')
            return false;
    }
    return true;
}

bool IniDocument::isWritableKey(QStringView key)
{
    return !key.isEmpty() && fitsOnALine(key) && !key.contains(u'=') && !isBlank(key.front()) &&
           !isBlank(key.back()) && key.front() != u';' && key.front() != u'#' && key.front() != u'[';
}

} // namespace quorvix::settings
