#include "SettingsStore.h"

#include "IniDocument.h"

namespace settings {

SettingsStore::SettingsStore() : backend_(makeStoreBackend())
{
    reload();
}

SettingsStore::~SettingsStore() = default;

SettingsStore& SettingsStore::instance()
{
    static SettingsStore store;
    return store;
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

// Why the pending changes cannot be written at all, or "".
QString SettingsStore::refusal() const
{
    if (!readProblem_.isEmpty())
        return QStringLiteral("it could not be read when it was opened (%1), so it is not replaced")
            .arg(readProblem_);
    for (const auto& [key, text] : changes_) {
        if (!IniDocument::isWritableKey(key))
            return QStringLiteral("the key \"%1\" cannot be written").arg(key);
        // A value read from the store may be written back as it is.
        if (text && !IniDocument::fitsOnALine(*text) && backend_->value(key) != text)
            return QStringLiteral("the value of %1 holds a line break or a NUL character").arg(key);
    }
    return QString();
}

bool SettingsStore::sync(QString* reason)
{
    QString why;
    bool synced = true;
    if (!changes_.empty()) {
        why = refusal();
        synced = why.isEmpty() && backend_->commit(changes_, &why);
    }
    changes_.clear();
    changeOf_.clear();
    if (reason)
        *reason = synced ? QString() : why;
    return synced;
}

void SettingsStore::reload()
{
    changes_.clear();
    changeOf_.clear();
    readProblem_.clear();
    if (!backend_->reload(&readProblem_) && readProblem_.isEmpty())
        readProblem_ = QStringLiteral("unknown error");
}

} // namespace settings
