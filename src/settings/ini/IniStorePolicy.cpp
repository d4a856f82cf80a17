#include "IniStorePolicy.h"

#include "IniDocument.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace settings {

namespace {

// A file another program is in the middle of writing is read again this
// often, for at most this long (far longer than a plain writer takes
// between truncating a file and writing it).
constexpr int kPollMs = 10;
constexpr int kUnfinishedWaitMs = 2'000;
// Where the system cannot say whether the file is open for writing, a file
// that ends in the middle of a line must stand still this long to be taken.
constexpr int kSettleMs = 100;
// While another writer is at work, its read may have come before our
// replace and its write come after: the file is looked at again this long
// after.
constexpr int kWatchAfterReplaceMs = 5;
// Without the system's word, a write into the file we replaced is waited
// for this long at most while it is cut short.
constexpr int kLateWriteWaitMs = 300;
constexpr int kMaxRounds = 10;

bool endsMidLine(const QByteArray& bytes)
{
    return bytes.isEmpty() || !bytes.endsWith('\n');
}

// Whether the file text holds every change of the action.
bool holdsChanges(const QByteArray& text, const std::vector<StoreChange>& changes)
{
    const IniDocument document(text);
    return std::all_of(changes.cbegin(), changes.cend(), [&](const StoreChange& change) {
        return change.text ? document.value(change.key) == change.text : !document.contains(change.key);
    });
}

} // namespace

// What a file must hold at least when nobody is in the middle of writing it:
// what it held when we last saw it whole, less the keys the action removes.
class IniStorePolicy::Expected
{
public:
    // The keys are listed only when a file is compared, which the usual
    // action, finding the file as it left it, never needs.
    Expected(const QByteArray& text, const std::vector<StoreChange>& changes) : text_(text)
    {
        for (const StoreChange& change : changes) {
            if (!change.text)
                removed_.insert(change.key);
        }
    }

    void reset(const QByteArray& text)
    {
        text_ = text;
        keys_.reset();
    }

    // Whether bytes are plainly cut short: empty where something was,
    // without the final line break, or without any key it held ([setting]
    // lost). A plain writer leaves such a file between truncating it and
    // finishing.
    bool looksCut(const QByteArray& bytes) const
    {
        if (text_.isEmpty() || bytes == text_)
            return false;
        if (bytes.isEmpty() || (text_.endsWith('\n') && !bytes.endsWith('\n')))
            return true;
        const IniDocument now(bytes);
        const QStringList& keys = this->keys();
        return !keys.isEmpty() && std::none_of(keys.cbegin(), keys.cend(),
                                               [&](const QString& key) { return now.contains(key); });
    }

    // bytes given back every key of the file before that they lack. A
    // writer that read the file before one of our writes and wrote it back
    // later lost that write's keys; the mail checker removes none.
    QByteArray withLostKeys(const QByteArray& bytes) const
    {
        if (text_.isEmpty() || bytes == text_)
            return bytes;
        IniDocument now(bytes);
        const IniDocument before(text_);
        bool lost = false;
        for (const QString& key : keys()) {
            if (!now.contains(key) && !removed_.contains(key)) {
                now.set(key, before.value(key).value_or(QString()));
                lost = true;
            }
        }
        return lost ? now.toBytes() : bytes;
    }

private:
    const QStringList& keys() const
    {
        if (!keys_)
            keys_ = IniDocument(text_).keys();
        return *keys_;
    }

    QByteArray text_;
    mutable std::optional<QStringList> keys_;
    QSet<QString> removed_;
};

IniStorePolicy::IniStorePolicy(IniFileDevice& device, StoreLock& lock, StoreClock& clock)
    : device_(device), lock_(lock), clock_(clock)
{}

bool IniStorePolicy::read(const QByteArray& known, QByteArray* bytes, StoreProblem* problem)
{
    return readSettled(Expected(known, {}), true, bytes, problem);
}

bool IniStorePolicy::readSettled(const Expected& expected, bool reopen, QByteArray* bytes,
                                 StoreProblem* problem)
{
    if (reopen && !device_.open(problem))
        return false;
    const qint64 start = clock_.nowMs();
    qint64 changedAt = start;
    QByteArray previous;
    for (bool first = true;; first = false) {
        Writers writers = Writers::None;
        if (!device_.read(bytes, &writers, problem))
            return false;
        const qint64 now = clock_.nowMs();
        if (first || *bytes != previous)
            changedAt = now;
        previous = *bytes;
        const bool cut = expected.looksCut(*bytes);
        const bool unsettled =
            writers == Writers::Unknown && endsMidLine(*bytes) && now - changedAt < kSettleMs;
        if (writers != Writers::Present && !cut && !unsettled)
            return true;
        if (now - start >= kUnfinishedWaitMs) {
            if (writers == Writers::Present) {
                *problem = {
                    StoreProblem::Kind::BeingWritten,
                    QStringLiteral("%1 is open for writing in another program: it is not taken for the "
                                   "store until that program has finished; try again")
                        .arg(device_.path())};
            } else {
                *problem = {
                    StoreProblem::Kind::CutShort,
                    QStringLiteral("%1 holds less than it did (empty or cut short): another program seems "
                                   "to be in the middle of writing it, so it is not replaced; try again")
                        .arg(device_.path())};
            }
            return false;
        }
        clock_.sleepMs(kPollMs);
        // Another program may have put a file of its own there by rename.
        if (!device_.pathShowsKept() && !device_.open(problem))
            return false;
    }
}

// The file we replaced, as another program that still had it open left it:
// waited for while it holds it open for writing, or, where the system cannot
// say, while it is cut short, each bounded.
bool IniStorePolicy::readLate(const QByteArray& before, bool contended, QByteArray* bytes)
{
    if (contended)
        clock_.sleepMs(kWatchAfterReplaceMs);
    const Expected old(before, {});
    const qint64 start = clock_.nowMs();
    for (;;) {
        Writers writers = Writers::None;
        StoreProblem ignored;
        if (!device_.read(bytes, &writers, &ignored))
            return false;
        const qint64 waited = clock_.nowMs() - start;
        const bool writing = writers == Writers::Present && waited < kUnfinishedWaitMs;
        const bool cut = writers == Writers::Unknown && old.looksCut(*bytes) && waited < kLateWriteWaitMs;
        if (!writing && !cut)
            return true;
        clock_.sleepMs(kPollMs);
    }
}

CommitAnswer IniStorePolicy::commit(const QByteArray& known, IniDocument* document,
                                    const std::vector<StoreChange>& changes, QByteArray* stored,
                                    StoreProblem* problem)
{
    *stored = known;
    if (!lock_.take(problem))
        return CommitAnswer::NotSaved;
    device_.removeLeftovers();
    const CommitAnswer answer = commitLocked(known, document, changes, stored, problem);
    lock_.release();
    return answer;
}

// The file is read, the changes applied and the result put in its place. A
// write another program makes meanwhile is taken in and the changes are
// applied again on top of it: one that lands in the file we read before our
// replace (seen right before it), one that renamed another file over it
// (seen by the replace itself), one into the file we replaced (it had the
// file open: seen through the kept descriptor), one that overwrites our
// replacement (seen at the path).
CommitAnswer IniStorePolicy::commitLocked(const QByteArray& known, IniDocument* document,
                                          const std::vector<StoreChange>& changes, QByteArray* stored,
                                          StoreProblem* problem)
{
    // The text *document stands for; it follows *stored on the way out.
    QByteArray documentText = known;
    const auto applied = [&](const QByteArray& base) {
        if (base != documentText)
            *document = IniDocument(base);
        for (const StoreChange& change : changes) {
            if (change.text)
                document->set(change.key, *change.text);
            else
                document->remove(change.key);
        }
        documentText = document->toBytes();
        return documentText;
    };
    const CommitAnswer answer = commitRounds(known, applied, changes, stored, problem);
    if (*stored != documentText)
        *document = IniDocument(*stored);
    return answer;
}

template <typename Apply>
CommitAnswer IniStorePolicy::commitRounds(const QByteArray& known, const Apply& applied,
                                          const std::vector<StoreChange>& changes, QByteArray* stored,
                                          StoreProblem* problem)
{
    Expected expected(known, changes);
    QByteArray kept;
    if (!readSettled(expected, true, &kept, problem))
        return CommitAnswer::NotSaved;
    // Another writer is at work when the file is not what we last saw.
    bool contended = kept != known;
    QByteArray base = contended ? expected.withLostKeys(kept) : kept;
    *stored = kept;
    if (device_.isReadOnly()) {
        *problem = {StoreProblem::Kind::ReadOnly,
                    QStringLiteral("%1 is read-only (mode %2): it is not replaced")
                        .arg(device_.path(), QString::number(device_.mode(), 8).rightJustified(4, u'0'))};
        return CommitAnswer::NotSaved;
    }
    const unsigned mode = device_.exists() ? device_.mode() & 0700U : 0600U;
    // What another writer put there, taken in: lost keys back from before.
    const auto takeIn = [&](const QByteArray& before, const QByteArray& theirs) {
        contended = true;
        expected.reset(before);
        return expected.withLostKeys(theirs);
    };

    // Once a replace of ours is on disk, a later failure leaves the answer
    // to what the file holds.
    bool replacedOnce = false;
    const auto keptWriting = [&] {
        *problem = {StoreProblem::Kind::BeingWritten,
                    QStringLiteral("another program kept writing %1 at the same time; none of this program's "
                                   "changes is in it")
                        .arg(device_.path())};
        return CommitAnswer::NotSaved;
    };
    const auto giveUp = [&] {
        return replacedOnce ? whatIsOnDisk(base, changes, stored, problem) : CommitAnswer::NotSaved;
    };

    for (int round = 1;; ++round) {
        const QByteArray bytes = applied(base);
        if (device_.exists() && bytes == kept && device_.mode() == mode) {
            *stored = bytes;
            return CommitAnswer::Saved;
        }
        QByteArray late;
        const auto isCurrent = [&] {
            Writers writers = Writers::None;
            StoreProblem ignored;
            if (!device_.read(&late, &writers, &ignored))
                return true; // the replace puts a whole file in its place all the same
            return writers != Writers::Present && late == kept && device_.pathShowsKept();
        };
        const Replaced replaced = device_.replace(bytes, mode, isCurrent, problem);
        if (replaced == Replaced::Failed)
            return giveUp();
        if (replaced == Replaced::Done) {
            replacedOnce = true;
            *stored = bytes;
            const bool lateRead = readLate(kept, contended, &late);
            QByteArray current;
            bool overwritten = false;
            // The path's identity shows a replace or a write of another
            // length at once; a write of the same length in the same clock
            // tick only the bytes show, looked at while a writer is about.
            if (contended || !device_.pathShowsOurs()) {
                if (!readSettled(Expected(bytes, changes), true, &current, problem))
                    return whatIsOnDisk(base, changes, stored, problem);
                overwritten = current != bytes && !holdsChanges(current, changes);
            }
            // Saved: what we wrote stays the text last seen, so that keys a
            // stale write of another program dropped meanwhile come back at
            // the next action.
            if ((!lateRead || late == kept) && !overwritten)
                return CommitAnswer::Saved;
            if (round == kMaxRounds)
                return whatIsOnDisk(base, changes, stored, problem);
            if (overwritten) {
                base = takeIn(bytes, current);
                kept = current;
            } else {
                base = takeIn(bytes, late);
                if (!readSettled(Expected(bytes, changes), true, &kept, problem))
                    return whatIsOnDisk(base, changes, stored, problem);
            }
            continue;
        }
        if (replaced == Replaced::Displaced) {
            // Ours stands at the path; the file it took the place of is
            // another program's, taken in, and ours is what the next round
            // replaces.
            replacedOnce = true;
            *stored = bytes;
            QByteArray theirs;
            if (!readSettled(Expected(kept, changes), false, &theirs, problem))
                return giveUp();
            if (round == kMaxRounds)
                return whatIsOnDisk(base, changes, stored, problem);
            base = takeIn(kept, theirs);
            if (!readSettled(Expected(bytes, changes), true, &kept, problem))
                return giveUp();
            continue;
        }
        // Not replaced: another program wrote the file, or put its own there.
        if (round == kMaxRounds)
            return replacedOnce ? whatIsOnDisk(base, changes, stored, problem) : keptWriting();
        const bool reopen = !device_.pathShowsKept();
        const QByteArray before = kept;
        if (!readSettled(Expected(before, changes), reopen, &kept, problem))
            return giveUp();
        base = takeIn(before, kept);
    }
}

// After rounds in which another program kept writing, or a look that
// failed: what the file holds now tells whether the action is in it.
CommitAnswer IniStorePolicy::whatIsOnDisk(const QByteArray& before, const std::vector<StoreChange>& changes,
                                          QByteArray* stored, StoreProblem* problem)
{
    QByteArray current;
    Writers writers = Writers::None;
    StoreProblem unread;
    if (!device_.open(&unread) || !device_.read(&current, &writers, &unread)) {
        *problem = {StoreProblem::Kind::MayBeSaved,
                    QStringLiteral("another program kept writing %1, and it cannot be read now (%2): this "
                                   "program's changes may or may not be in it")
                        .arg(device_.path(), unread.detail)};
        return CommitAnswer::MayBeSaved;
    }
    *stored = current;
    const IniDocument now(current);
    const IniDocument was(before);
    bool all = true;
    bool none = true;
    for (const StoreChange& change : changes) {
        if (now.value(change.key) != change.text)
            all = false;
        else if (was.value(change.key) != change.text)
            none = false;
    }
    if (all)
        return CommitAnswer::Saved;
    if (none) {
        *problem = {StoreProblem::Kind::BeingWritten,
                    QStringLiteral("another program kept writing %1 at the same time; none of this program's "
                                   "changes is in it")
                        .arg(device_.path())};
        return CommitAnswer::NotSaved;
    }
    *problem = {
        StoreProblem::Kind::MayBeSaved,
        QStringLiteral("another program kept writing %1 at the same time; only some of this program's "
                       "changes are in it")
            .arg(device_.path())};
    return CommitAnswer::MayBeSaved;
}

} // namespace settings
