#pragma once

// The store shared with the mail checker, the working account record and the
// module-level state that the options window and the account window share.
//
// Every value in the store is text under application "wispane", section
// "setting". Writes are buffered in memory until SyncSettings(), which each
// user action (account OK, Delete, options OK) calls exactly once, so that a
// finished action is on disk and a refused write is reported to the caller.
// On Linux the store is a plain INI file; README.md describes its form.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

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
// Full path of the store file in use.
QString StoreFilePath();
// Why the store, which exists, could not be read when it was last read ("" when
// it could). Such a store is never replaced: every sync is refused.
QString StoreReadProblem();
// Whether text can be stored under key: a value is one line of the store
// file, so it holds no line break and no NUL, unless it is the stored text
// itself, which is written back untouched.
bool CanWriteSetting(const QString& key, const QString& text);
// Called with key and text on every WriteSetting (and so every SaveValue), in
// call order, before the write is buffered. Lets tests check the order in which
// the mail checker's keys are written; an empty function stops the reports.
using WriteObserver = std::function<void(const QString& key, const QString& text)>;
void SetWriteObserver(WriteObserver observer);

// --- Number conversions -----------------------------------------------------

// Signed decimal text with optional surrounding blanks and optional sign;
// anything else, or a value out of range, gives std::nullopt.
std::optional<qint16> ParseInt16(const QString& text);
std::optional<qint32> ParseInt32(const QString& text);

// --- Account records --------------------------------------------------------

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

// The one working account record of the program.
inline AccountRecordType AccountRecord;

// Shared between the account list and the account window.
inline qint16 AccountCount = 0;
inline qint16 EditMode = 0;
inline qint16 SelectedRow = 0;

void ResetAccount();
void LoadAccount(qint16 n);
void SaveAccount(qint16 n);
// Delete of account row (1..AccountCount): every later account moves down one
// number, the former last number's keys are removed (so the deleted password
// leaves the disk), "accountno" follows, and the store syncs once. Only then
// does AccountCount drop by one. False, with the reason when given, when the
// row is no account or the write was refused: the store and AccountCount are
// then as they were.
bool DeleteAccount(qint16 row, QString* reason = nullptr);

// Stored form of a password: each character's code-page-932 code in decimal
// followed by one space. When a character cannot be carried exactly,
// *unencodable (when given) receives the first such character and the caller
// must refuse to store the password; otherwise *unencodable is cleared. Such
// characters are written as "63 " ("?"), as Windows would write them.
QString EncodePassword(const QString& text, QString* unencodable = nullptr);
// Never fails: tokens that are not valid codes give nothing.
QString DecodePassword(const QString& text);

} // namespace Module1
