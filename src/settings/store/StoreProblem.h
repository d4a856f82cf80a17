#pragma once

// Why the store refused a read or a write: what kind of reason, for the
// user's sentence, and the technical detail beside it.

#include <QString>

namespace settings {

struct StoreProblem
{
    enum class Kind {
        ReadOnly,
        HeldByOther,
        BeingWritten,
        CutShort,
        DiskFull,
        WineFailed,
        NotAPrefix,
        Unreadable,
        Unstorable,
        NoSuchAccount,
        // Another program wrote the file through every round of the action:
        // what is on disk holds part of the action, or could not be read.
        MayBeSaved,
        Other,
    };

    Kind kind = Kind::Other;
    QString detail;
};

} // namespace settings
