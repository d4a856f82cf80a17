#pragma once

// The store file's text on Linux, read and changed without losing a byte the
// program does not mean to change.
//
// The mail checker and people with a text editor write the same file, so the
// reader takes lines literally: "key=value", the value being everything after
// the first "=" with blanks (space, tab) at either end dropped, unless it is
// enclosed in double quotes, which are then removed and keep what is between
// exactly. There are no escapes. Lines starting with ";" or "#" are comments.
// A value or key that is not valid UTF-8 is read as code page 932, as the
// Windows side writes it.
//
// Only the keys of section [setting] are values of the store; a key that
// appears twice counts at its first line. Changing a key rewrites that line
// alone, a new key goes after the last key of the first [setting] section
// (created at the end when absent), and a removed key's lines go. Every other
// line is written back byte for byte. Pure and without I/O, so the fuzzer and
// the tests reach it directly.

#include "StoreKeyMap.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace settings {

class IniDocument
{
public:
    IniDocument() = default;
    explicit IniDocument(const QByteArray& bytes);

    std::optional<QString> value(const QString& key) const;
    bool contains(const QString& key) const { return entries_.find(key) != entries_.cend(); }
    // The keys of [setting] in the order of their first lines, new keys last.
    QStringList keys() const;

    // Writing the stored text again leaves its line untouched. Callers make
    // sure the key and the text can be written (isWritableKey, and
    // FitsOnAStoreLine or a text read from the file).
    void set(const QString& key, const QString& text);
    void remove(const QString& key);

    QByteArray toBytes() const;

    // A key that reads back as itself from a "key=value" line of [setting].
    static bool isWritableKey(QStringView key);

private:
    // A line of the file as read: where it is in bytes_, kept as it is
    // unless removed or given a new value.
    struct Line
    {
        qsizetype begin = 0;
        qsizetype length = 0;   // without the line break
        qsizetype equals = -1;  // offset of the key's "=", for key lines
        qint8 endingLength = 0; // 2 for CRLF, 1 for LF (or a final CR), 0 for none
        bool removed = false;
        qint32 rewrite = -1; // index into rewrites_ once the value changed
    };
    struct AddedLine
    {
        QString key;
        QString text;
        bool removed = false;
    };
    struct Entry
    {
        qsizetype index = -1; // into lines_, or added_ when added
        bool added = false;
    };

    void parse();
    QByteArrayView textOf(const Line& line) const
    {
        return QByteArrayView(bytes_).sliced(line.begin, line.length);
    }

    QByteArray bytes_;
    std::vector<Line> lines_;
    std::vector<QString> rewrites_;
    std::vector<AddedLine> added_;
    StoreKeyMap<Entry> entries_;
    // Further lines of keys that appear more than once in [setting].
    QMultiHash<QString, qsizetype> repeats_;
    // New keys go after this line; -1 when the file has no [setting] section.
    qsizetype insertAfter_ = -1;
    QByteArray newline_ = "\n";
};

} // namespace settings
