#pragma once

// Who is taken in, when and how often, for every read and write of the
// store file: the one door through which the window's opening, a refresh
// and each action pass. Written against the device (IniFileDevice.h), the
// lock (StoreLock.h) and a clock, so that other writers can be played by a
// script.
//
// A file another program is writing is never taken for the store: while a
// process has it open for writing (the device's lease), or it holds less
// than it did when last seen, it is read again, for a bounded time. An
// action then applies only its own changes to the file as it is, replaces
// it, and takes in what another writer put there meanwhile, a few rounds at
// most.

#include "IniDocument.h"
#include "IniFileDevice.h"
#include "StoreBackend.h"
#include "StoreClock.h"
#include "StoreLock.h"
#include "StoreProblem.h"

#include <QByteArray>

#include <vector>

namespace settings {

// How an action ended, as the file on disk tells after it.
enum class CommitAnswer { Saved, NotSaved, MayBeSaved };

class IniStorePolicy
{
public:
    IniStorePolicy(IniFileDevice& device, StoreLock& lock, StoreClock& clock);

    // The file once nobody is writing it. known is what it held when last
    // seen whole ("" when never): a file holding less is waited for too.
    bool read(const QByteArray& known, QByteArray* bytes, StoreProblem* problem);

    // Applies changes to the file as it is, known being what it held when
    // last seen and *document its parsed form. *stored is then what the
    // file holds as far as we know (the text written, or what was read when
    // the answer is not Saved), and *document stands for it: in the usual
    // action the file is as known and the document is changed in place,
    // never parsed again.
    CommitAnswer commit(const QByteArray& known, IniDocument* document, const std::vector<StoreChange>& changes,
                        QByteArray* stored, StoreProblem* problem);

private:
    class Expected;
    bool readSettled(const Expected& expected, bool reopen, QByteArray* bytes, StoreProblem* problem);
    bool readLate(const QByteArray& before, bool contended, QByteArray* bytes);
    CommitAnswer commitLocked(const QByteArray& known, IniDocument* document,
                              const std::vector<StoreChange>& changes, QByteArray* stored, StoreProblem* problem);
    template <typename Apply>
    CommitAnswer commitRounds(const QByteArray& known, const Apply& applied, const std::vector<StoreChange>& changes,
                              QByteArray* stored, StoreProblem* problem);
    CommitAnswer whatIsOnDisk(const QByteArray& before, const std::vector<StoreChange>& changes,
                              QByteArray* stored, StoreProblem* problem);

    IniFileDevice& device_;
    StoreLock& lock_;
    StoreClock& clock_;
};

} // namespace settings
