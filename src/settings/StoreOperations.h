#pragma once

// Module1's store operations: the store shared with the mail checker, one
// key at a time.
//
// Every value in the store is text under application "wispane", section
// "setting". Writes are buffered in memory until SyncSettings(), which each
// user action (StoreActions.h) calls exactly once, so that a finished action
// is on disk and a refused write is reported to the caller.
// On Linux the store is a plain INI file; README.md describes its form.

#include "StoreProblem.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace Module1 {

// Stored text of key, or defaultText when the key is absent.
QString ReadSetting(const QString& key, const QString& defaultText);
// Creates or replaces key with text (in memory until SyncSettings()).
void WriteSetting(const QString& key, const QString& text);
// The save rule: text when not empty; otherwise "" for the keys that may be
// stored empty (settings::MayBeStoredEmpty); otherwise the decimal number.
void SaveValue(const QString& key, qint16 number, const QString& text);
// What SaveValue writes for these arguments.
QString SavedText(const QString& key, qint16 number, const QString& text);
// Removes key (only used to leave no trace of a deleted account).
void RemoveSetting(const QString& key);

// Writes every pending change to disk atomically. Returns false, with the
// problem (its kind and technical detail) in *problem when given, if the
// write was refused; *unstorableKey then names the first key whose text
// cannot be stored, when that was the cause. Either way nothing stays pending.
bool SyncSettings(settings::StoreProblem* problem = nullptr, QString* unstorableKey = nullptr);
// Starts reading the store where that runs other programs (Wine), so that
// they start while the window is built; the first use waits for the read.
void BeginReadingStore();
// Reads the store afresh, as it is on disk now, and drops writes not yet
// synced. Tests call it after preparing a file.
void ReloadStore();
// Reads the store as it is now and keeps the writes not yet synced: for
// values another program changes while the window is open (the mail checker
// moves its character and stores the position).
void RefreshStore();
// Where the store in use is, as messages name it: the store file's full
// path, or the registry key and its Wine prefix.
QString StoreFilePath();
// The file that holds the store in use, links followed (the prefix's
// user.reg for the Wine registry): two paths to one file are one store, with
// one options window. Known without reading the store or running Wine, so a
// second start that only brings the open window forward does neither.
QString StoreIdentityFile();
// Why the store, which exists, could not be read when it was last read (no
// problem when it could). Such a store is never replaced: every sync is refused.
settings::StoreProblem StoreReadProblem();
// What the store knows of where the mail checker runs: its Windows directory
// ("" when the program's own data folder stands in), a stored path as a local
// one ("" when the store cannot map it), a local path as the mail checker
// would store it, and the kind of store as named to the user.
QString StoreWindowsDirectory();
QString StoreLocalPath(const QString& storedPath);
QString StoreStoredPath(const QString& localPath);
QString StoreDisplayName();
// Asked before anything is read: when the store would run this machine's
// Wine on a prefix that Wine updates first (last set up by another Wine
// build), the prefix, the time it records ("" for none) and this Wine's
// version; nullopt when nothing is to be asked.
struct WinePrefixUpdate
{
    QString prefix;
    QString recordedTime;
    QString thisWine;
};
std::optional<WinePrefixUpdate> StorePrefixUpdate();
// The user agreed to that update.
void AllowStorePrefixUpdate();
// When the store is the INI file: prefixes of the prefix managers' folders
// that hold the mail checker's key, which the user may have meant.
QStringList StoreOtherPrefixes();
// Whether text can be stored: it fits on one line of the store file (no line
// break, no NUL) and the store can hold each of its characters (under Wine:
// code page 932), or the store holds that very text already.
bool CanStoreText(const QString& text);
// The first character of text the store cannot hold ("" when none is), for
// a message naming it.
QString UnstorableCharacter(const QString& text);
// Called with key and text on every WriteSetting (and so every SaveValue), in
// call order, before the write is buffered. Lets tests check the order in which
// the mail checker's keys are written; an empty function stops the reports.
using WriteObserver = std::function<void(const QString& key, const QString& text)>;
void SetWriteObserver(WriteObserver observer);

} // namespace Module1
