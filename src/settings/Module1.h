#pragma once

// Module1: the routines and state the two windows share. This header holds
// the store shared with the mail checker and brings in the other units of the
// module (numbers, account records, passwords), so callers include it alone;
// the platform's part of Module1 is in platform_dialogs/CommonDialogs.h.
//
// Every value in the store is text under application "wispane", section
// "setting". Writes are buffered in memory until SyncSettings(), which each
// user action (account OK, Delete, options OK) calls exactly once, so that a
// finished action is on disk and a refused write is reported to the caller.
// On Linux the store is a plain INI file; README.md describes its form.

#include "AccountRecord.h"
#include "Numbers.h"
#include "Password.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace Module1 {

// --- Store operations -------------------------------------------------------

// Stored text of key, or defaultText when the key is absent.
QString ReadSetting(const QString& key, const QString& defaultText);
// Creates or replaces key with text (in memory until SyncSettings()).
void WriteSetting(const QString& key, const QString& text);
// The save rule: text when not empty; otherwise "" for Mailerdir1, Mailerdir2,
// Wavdir and any key containing "Talkstr"; otherwise the decimal number.
void SaveValue(const QString& key, qint16 number, const QString& text);
// Removes key (only used to leave no trace of a deleted account).
void RemoveSetting(const QString& key);

// Writes every pending change to disk atomically. Returns false, with a
// Japanese-free technical reason in *reason when given, if the write was
// refused. Either way nothing stays pending.
bool SyncSettings(QString* reason = nullptr);
// Reads the store afresh, as it is on disk now, and drops writes not yet
// synced. Tests call it after preparing a file.
void ReloadStore();
// Where the store in use is, as messages name it: the store file's full
// path, or the registry key and its Wine prefix.
QString StoreFilePath();
// The file that holds the store in use, links followed (the prefix's
// user.reg for the Wine registry): one window per such file.
QString StoreFile();
// Why the store, which exists, could not be read when it was last read ("" when
// it could). Such a store is never replaced: every sync is refused.
QString StoreReadProblem();
// Whether text can be stored under key: a value is one line of the store
// file, so it holds no line break and no NUL, unless it is the stored text
// itself, which is written back untouched.
bool CanWriteSetting(const QString& key, const QString& text);
// Whether text can be the value of one line of the store file at all.
bool FitsOnAStoreLine(const QString& text);
// Called with key and text on every WriteSetting (and so every SaveValue), in
// call order, before the write is buffered. Lets tests check the order in which
// the mail checker's keys are written; an empty function stops the reports.
using WriteObserver = std::function<void(const QString& key, const QString& text)>;
void SetWriteObserver(WriteObserver observer);

} // namespace Module1
