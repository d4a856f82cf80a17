#pragma once

// The options record: one working value per global key, as the options window
// holds them for its whole life, and the two operations that move the record
// to and from the store.
//
// ReadOptions and WriteOptions walk the key table (KeySchema.h): its order is
// the order of the reads and of the writes, its defaults and ranges decide
// what a stored value that cannot be used becomes. The window only moves the
// record to its controls and back, in the order its handlers need.

#include <QString>
#include <QtGlobal>

#include <array>

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

// Every global key the record holds, read in the table's order. An absent key
// gives its default; a stored number that does not convert or lies outside its
// key's range is taken as absent. Agentnm's default is built on
// windowsDirectory.
OptionsRecord ReadOptions(const QString& windowsDirectory);

// Writes every field in the save order through the save rule (Volval, the one
// 32-bit key, directly). Nothing is synced: Module1::StoreOptions, the options
// window's OK, writes through it and ends the action with the one sync.
void WriteOptions(const OptionsRecord& record);

} // namespace settings
