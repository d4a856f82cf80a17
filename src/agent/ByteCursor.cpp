#include "ByteCursor.h"

namespace agent {

QString damagedMessage(const QString& fileName, const QString& what, quint64 offset, const QString& problem)
{
    return QStringLiteral("%1: damaged character file: %2 at offset %3: %4")
        .arg(fileName, what, QString::number(offset), problem);
}

void checkLocator(AcsLocator block, quint64 fileSize, const QString& fileName, const QString& what,
                  quint64 locatorOffset)
{
    const quint64 end = quint64(block.offset) + quint64(block.size);
    if (end > fileSize)
        throw AgentError(
            damagedMessage(fileName, what, locatorOffset,
                           QStringLiteral("block %1+%2 reaches past the end of the file (%3 bytes)")
                               .arg(block.offset)
                               .arg(block.size)
                               .arg(fileSize)));
}

ByteCursor::ByteCursor(const QByteArray& data, AcsLocator block, const QString& fileName, const QString& what)
    : data_(data), position_(block.offset), end_(quint64(block.offset) + block.size), fileName_(fileName),
      what_(what)
{
    Q_ASSERT(end_ <= quint64(data.size()));
}

void ByteCursor::fail(const QString& problem) const
{
    failAt(position_, problem);
}

void ByteCursor::failAt(quint64 offset, const QString& problem) const
{
    throw AgentError(damagedMessage(fileName_, what_, offset, problem));
}

void ByteCursor::require(quint64 count)
{
    if (count > remaining())
        fail(QStringLiteral("needs %1 bytes but the block has %2 left").arg(count).arg(remaining()));
}

void ByteCursor::requireItems(quint64 count, quint64 itemSize, const QString& item)
{
    // count < 2^32 and itemSize is small, so the product cannot overflow 64 bits.
    if (count * itemSize > remaining())
        fail(QStringLiteral("%1 %2 of at least %3 bytes do not fit in the %4 bytes left")
                 .arg(count)
                 .arg(item)
                 .arg(itemSize)
                 .arg(remaining()));
}

const uchar* ByteCursor::current() const
{
    return reinterpret_cast<const uchar*>(data_.constData()) + position_;
}

quint8 ByteCursor::u8()
{
    require(1);
    const quint8 value = current()[0];
    ++position_;
    return value;
}

quint16 ByteCursor::u16()
{
    require(2);
    const uchar* p = current();
    position_ += 2;
    return quint16(p[0] | (p[1] << 8));
}

quint32 ByteCursor::u32()
{
    require(4);
    const uchar* p = current();
    position_ += 4;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

QString ByteCursor::string()
{
    const quint64 start = position_;
    const quint32 units = u32();
    if (units == 0)
        return {};
    require(quint64(units) * 2 + 2);
    const uchar* p = current();
    QString text(qsizetype(units), Qt::Uninitialized);
    for (quint32 i = 0; i < units; ++i)
        text[i] = QChar(char16_t(p[2 * i] | (p[2 * i + 1] << 8)));
    position_ += quint64(units) * 2;
    if (u16() != 0)
        failAt(start, QStringLiteral("string of %1 characters has no terminator").arg(units));
    return text;
}

QUuid ByteCursor::guid()
{
    const quint32 l = u32();
    const quint16 w1 = u16();
    const quint16 w2 = u16();
    require(8);
    const uchar* p = current();
    position_ += 8;
    return QUuid(l, w1, w2, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
}

AcsLocator ByteCursor::locator()
{
    AcsLocator l;
    l.offset = u32();
    l.size = u32();
    return l;
}

QByteArray ByteCursor::bytes(quint32 count)
{
    require(count);
    QByteArray out(reinterpret_cast<const char*>(current()), qsizetype(count));
    position_ += count;
    return out;
}

void ByteCursor::skip(quint64 count)
{
    require(count);
    position_ += count;
}

} // namespace agent
