#pragma once

// The plain data of the two records the store is read into and written
// from: one account, and the global options. The key schema (KeySchema.h)
// describes their fields; the operations that move them to and from the
// store are in AccountRecord.h and OptionsRecord.h.

#include <QString>
#include <QtGlobal>

#include <array>

namespace Module1 {

// The member initializers are the reset values. What a key that is absent
// from the store reads as is the account table's (KeySchema.h); the two agree
// except for the password, which a missing key leaves as it was.
struct AccountRecordType
{
    QString Aname;
    QString Hname;
    qint16 Portno = 110;
    QString Uname;
    QString Passw;
    qint16 Check = 1;
    qint32 Scolor1 = 0;
    qint32 Scolor2 = 16777088;
};

} // namespace Module1

namespace settings {

// The fields start empty: their defaults are the key table's, and only
// ReadOptions gives a record its first values.
struct OptionsRecord
{
    // The count of stored accounts. The account list keeps its own count in
    // Module1::AccountCount while the window is open; the record carries the
    // count to the store and back.
    qint16 AccountCount{};
    qint16 Option1value{};
    qint16 Option2value{};
    qint16 Option3value{};
    qint16 Option4index{};
    qint16 Option5value{};
    qint16 Check5value{};
    qint16 Option8value{};
    qint16 Option9value{};
    qint16 Check1value{};
    qint16 Check2value{};
    qint16 Check3value{};
    qint16 Check4value{};
    qint16 CheckTimer{};
    qint16 CloseTimer{};
    qint16 TimeUp{};
    // Indexes 1 and 2.
    std::array<QString, 3> MailerPath{};
    QString WavPath;
    QString AgentPath;
    // Indexes 1..6, one per speech template.
    std::array<QString, 7> Actkind{};
    qint16 TalkCount{};
    QString NotReadChars;
    std::array<QString, 7> Talkstr{};
    qint32 VolumeValue{};
    qint16 PitchValue{};
    QString BalloonFontName;
    qint16 BalloonFontSize{};
};

} // namespace settings
