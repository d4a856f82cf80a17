#include "SettingsStore.h"

#include "StoreText.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace settings {

SettingsStore::SettingsStore(std::unique_ptr<StoreBackend> backend) : backend_(std::move(backend))
{
    reload();
}

SettingsStore::~SettingsStore()
{
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
    return FitsOnAStoreLine(text) || storeHolds(text);
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
StoreProblem SettingsStore::refusal(const std::vector<StoreChange>& changes, QString* unstorableKey) const
{
    using Kind = StoreProblem::Kind;
    // A store that could not be read at opening is refused for the reason it
    // could not be read.
    if (readProblem_.isProblem())
        return readProblem_;
    // The stored values that do not fit a line, gathered once when needed:
    // a file with odd line ends may have one in every account.
    std::optional<QSet<QString>> heldOffLine;
    auto held = [&](const QString& text) {
        if (!heldOffLine) {
            heldOffLine.emplace();
            for (const QString& key : backend_->keys()) {
                if (std::optional<QString> value = backend_->value(key); value && !FitsOnAStoreLine(*value))
                    heldOffLine->insert(*value);
            }
        }
        return heldOffLine->contains(text);
    };
    for (const auto& [key, text] : changes) {
        if (!backend_->acceptsKey(key))
            return {Kind::Unstorable, QStringLiteral("the key \"%1\" cannot be written").arg(key)};
        if (text && !FitsOnAStoreLine(*text) && !held(*text)) {
            if (unstorableKey)
                *unstorableKey = key;
            return {Kind::Unstorable,
                    QStringLiteral("the value of %1 holds a line break or a NUL character").arg(key)};
        }
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
    const std::vector<StoreChange> changes = std::exchange(changes_, {});
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
    StoreProblem problem;
    if (!reloadBackend(&problem))
        readProblem_ = problem.isProblem()
                           ? problem
                           : StoreProblem{StoreProblem::Kind::Unreadable, QStringLiteral("unknown error")};
}

void SettingsStore::refresh()
{
    // The pending changes live here, not in the backend, so they survive.
    // A problem now is kept even when an earlier read went well: the values
    // read are gone, and writing from defaults would lose the file's.
    StoreProblem problem;
    if (!reloadBackend(&problem))
        readProblem_ = problem.isProblem()
                           ? problem
                           : StoreProblem{StoreProblem::Kind::Unreadable, QStringLiteral("unknown error")};
}

void SettingsStore::useBackend(std::unique_ptr<StoreBackend> backend)
{
    dropBackend();
    backend_ = std::move(backend);
    reload();
}

} // namespace settings
