#include "SettingsStore.h"

#include "StoreText.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace settings {

SettingsStore::SettingsStore(std::unique_ptr<StoreBackend> backend, FirstRead firstRead)
    : backend_(std::move(backend))
{
    if (firstRead == FirstRead::Now || !backend_->runsOtherPrograms()) {
        reload();
        return;
    }
    // Nothing on this side touches the store until finishOpening() has
    // waited for this job, which the worker's queue orders before it.
    opening_ = true;
    worker_.start([this] {
        if (!backend_->reload(&readProblem_) && !readProblem_.isProblem())
            readProblem_ = {StoreProblem::Kind::Unreadable, QStringLiteral("unknown error")};
    });
}

void SettingsStore::finishOpening()
{
    if (!opening_)
        return;
    opening_ = false;
    onBackendsThread([] {});
}

SettingsStore::~SettingsStore()
{
    if (opening_) {
        backend_->abortPendingCall(); // nobody waits for what it reads
        worker_.runBlocking([] {});
    }
    dropBackend();
}

void SettingsStore::onBackendsThread(const std::function<void()>& call)
{
    if (backend_->runsOtherPrograms())
        worker_.run(call, [backend = backend_.get()] { backend->abortPendingCall(); });
    else
        call();
}

bool SettingsStore::reloadBackend(StoreProblem* problem)
{
    bool read = false;
    onBackendsThread([&] { read = backend_->reload(problem); });
    return read;
}

// A helper process the backend keeps belongs to the worker thread, and is
// ended there.
void SettingsStore::dropBackend()
{
    if (backend_ && backend_->runsOtherPrograms())
        worker_.runBlocking([this] { backend_.reset(); });
    backend_.reset();
}

bool SettingsStore::settle(StoreProblem* problem)
{
    bool settled = false;
    onBackendsThread([&] { settled = backend_->settle(problem); });
    return settled;
}

QString SettingsStore::read(const QString& key, const QString& defaultText) const
{
    if (const auto pending = changeOf_.find(key); pending != changeOf_.cend())
        return changes_[pending->second].text.value_or(defaultText);
    return backend_->value(key).value_or(defaultText);
}

void SettingsStore::write(const QString& key, const QString& text)
{
    change(key, text);
}

void SettingsStore::remove(const QString& key)
{
    change(key, std::nullopt);
}

void SettingsStore::change(const QString& key, std::optional<QString> text)
{
    const auto [it, inserted] = changeOf_.try_emplace(key, changes_.size());
    if (inserted)
        changes_.push_back({key, std::move(text)});
    else
        changes_[it->second].text = std::move(text);
}

bool SettingsStore::canStore(const QString& text) const
{
    QString refused;
    return (FitsOnAStoreLine(text) && backend_->storedForm(text, &refused)) || storeHolds(text);
}

QString SettingsStore::foreignCharacter(const QString& text) const
{
    QString refused;
    if (backend_->storedForm(text, &refused) || storeHolds(text))
        return QString();
    return refused;
}

// Only asked for text that does not fit a line, which the store rarely
// holds, so a look through every value costs nothing in the usual case.
bool SettingsStore::storeHolds(const QString& text) const
{
    const QStringList keys = backend_->keys();
    return std::any_of(keys.cbegin(), keys.cend(),
                       [&](const QString& key) { return backend_->value(key) == text; });
}

// Why the pending changes cannot be written at all (no problem when they can).
// Also puts each text in the form the store keeps it in.
StoreProblem SettingsStore::refusal(std::vector<StoreChange>& changes, QString* unstorableKey)
{
    using Kind = StoreProblem::Kind;
    // A store that could not be read at opening is refused for the reason it
    // could not be read.
    if (readProblem_.isProblem())
        return readProblem_;
    // The stored values that do not fit a line or that the store would keep
    // in another form, gathered once when needed: a file with odd line ends
    // may have one in every account.
    std::optional<QSet<QString>> heldAsIs;
    auto held = [&](const QString& text) {
        if (!heldAsIs) {
            heldAsIs.emplace();
            for (const QString& key : backend_->keys()) {
                std::optional<QString> value = backend_->value(key);
                QString refused;
                if (value && (!FitsOnAStoreLine(*value) || backend_->storedForm(*value, &refused) != value))
                    heldAsIs->insert(*value);
            }
        }
        return heldAsIs->contains(text);
    };
    for (auto& [key, text] : changes) {
        if (!backend_->acceptsKey(key))
            return {Kind::Unstorable, QStringLiteral("the key \"%1\" cannot be written").arg(key)};
        if (!text)
            continue;
        if (!FitsOnAStoreLine(*text) && !held(*text)) {
            if (unstorableKey)
                *unstorableKey = key;
            return {Kind::Unstorable,
                    QStringLiteral("the value of %1 holds a line break or a NUL character").arg(key)};
        }
        // A value moved as it is stored (Delete's renumbering) is carried
        // unchanged; only text from the user takes the store's form.
        QString refused;
        std::optional<QString> form = backend_->storedForm(*text, &refused);
        if (form == text || held(*text))
            continue;
        if (!form) {
            if (unstorableKey)
                *unstorableKey = key;
            return {Kind::Unstorable, QStringLiteral("the value of %1 holds %2 (U+%3), which this store "
                                                     "cannot hold")
                                          .arg(key, refused)
                                          .arg(refused.toUcs4().value(0), 4, 16, QChar(u'0'))};
        }
        text = std::move(*form);
    }
    return {};
}

bool SettingsStore::sync(StoreProblem* problem, QString* unstorableKey)
{
    StoreProblem why;
    QString blamed;
    bool synced = true;
    // Taken out before the commit: nothing the caller's thread does while it
    // waits for the backend touches what is being written.
    std::vector<StoreChange> changes = std::exchange(changes_, {});
    changeOf_.clear();
    if (!changes.empty()) {
        why = refusal(changes, &blamed);
        if (!why.isProblem())
            onBackendsThread([&] { synced = backend_->commit(changes, &why); });
        else
            synced = false;
        if (!synced && !why.isProblem())
            why = {StoreProblem::Kind::Other, QStringLiteral("unknown error")};
    }
    if (problem)
        *problem = synced ? StoreProblem() : why;
    if (unstorableKey)
        *unstorableKey = blamed;
    return synced;
}

void SettingsStore::reload()
{
    changes_.clear();
    changeOf_.clear();
    readProblem_ = {};
    if (!reloadBackend(&readProblem_) && !readProblem_.isProblem())
        readProblem_ = {StoreProblem::Kind::Unreadable, QStringLiteral("unknown error")};
}

void SettingsStore::refresh()
{
    // The pending changes live here, not in the backend, so they survive. A
    // read that fails now keeps the last good one (the backend's values
    // stay): only the read at opening decides whether this run may replace
    // the store, and each action reads the store again through the same
    // checks.
    StoreProblem problem;
    onBackendsThread([&] { backend_->refresh(&problem); });
}

void SettingsStore::useBackend(std::unique_ptr<StoreBackend> backend)
{
    dropBackend();
    backend_ = std::move(backend);
    reload();
}

} // namespace settings
