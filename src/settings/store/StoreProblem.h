#pragma once

// Why the store could not be read or written: a kind the windows turn into
// the user's sentence (dialogs::showStoreRefusal), and the technical detail
// (which file, which call, the system's own message) shown beneath it.

#include <QString>

namespace settings {

struct StoreProblem
{
    enum class Kind {
        None,
        // The store file or its folder cannot be written (mode, read-only mount).
        ReadOnly,
        // Another window of this program, or another program, holds the store.
        HeldByOther,
        // Another program is writing the store file right now.
        BeingWritten,
        // The store file holds less than it did: cut short by another writer.
        CutShort,
        // No room left on the disk for the store.
        DiskFull,
        // Wine did not do what was asked of it, or did not answer.
        WineFailed,
        // The folder taken for a Wine prefix is none.
        NotAPrefix,
        // This machine's Wine would update a prefix another Wine build set
        // up, and the user did not allow it.
        PrefixOfAnotherWine,
        // The store exists but could not be read when the window opened.
        Unreadable,
        // A value holds what the store cannot keep (a line break, a NUL; under
        // Wine a character code page 932 lacks).
        Unstorable,
        // The action names an account that is not there.
        NoSuchAccount,
        // The user gave up waiting for the store.
        Abandoned,
        // Another program wrote the store file through every round of an
        // action: what is on disk holds part of the action, or could not be
        // read to tell.
        MayBeSaved,
        Other,
    };

    Kind kind = Kind::None;
    QString detail;

    bool isProblem() const { return kind != Kind::None; }
};

// Fills *problem when the caller asked for it.
inline void ReportStoreProblem(StoreProblem* problem, StoreProblem::Kind kind, QString detail)
{
    if (problem)
        *problem = StoreProblem{kind, std::move(detail)};
}

} // namespace settings
