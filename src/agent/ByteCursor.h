#pragma once

// A little-endian reader confined to one block of a character file. Every
// read checks the bytes left in the block, so a damaged length can never
// reach past it; failures throw AgentError with the file, the part being
// read and the absolute offset.

#include "AcsCharacter.h"
#include "AgentError.h"

#include <QString>

namespace agent {

class ByteCursor
{
public:
    // The block must already be known to lie inside data.
    ByteCursor(const QByteArray& data, AcsLocator block, const QString& fileName, const QString& what);

    quint8 u8();
    quint16 u16();
    qint16 i16() { return static_cast<qint16>(u16()); }
    quint32 u32();
    qint32 i32() { return static_cast<qint32>(u32()); }
    QString string();
    QUuid guid();
    AcsLocator locator();
    QByteArray bytes(quint32 count);
    void skip(quint64 count);
    // Throws unless count items of at least itemSize bytes each can still follow.
    void requireItems(quint64 count, quint64 itemSize, const QString& item);

    quint64 offset() const { return position_; }
    quint64 remaining() const { return end_ - position_; }
    const uchar* current() const;
    void setWhat(const QString& what) { what_ = what; }

    [[noreturn]] void fail(const QString& problem) const;
    [[noreturn]] void failAt(quint64 offset, const QString& problem) const;

private:
    void require(quint64 count);

    const QByteArray& data_;
    quint64 position_;
    quint64 end_;
    QString fileName_;
    QString what_;
};

// Throws unless the locator lies inside a file of fileSize bytes.
void checkLocator(AcsLocator block, quint64 fileSize, const QString& fileName, const QString& what,
                  quint64 locatorOffset);

QString damagedMessage(const QString& fileName, const QString& what, quint64 offset, const QString& problem);

} // namespace agent
