#include "SettingsStore.h"

#include "IniDocument.h"

namespace quorvix::settings {

SettingsStore::SettingsStore() : m_backend(makeStoreBackend())
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
    if (const auto pending = m_changeOf.find(key); pending != m_changeOf.cend())
        return m_changes[pending->second].text.value_or(defaultText);
    return m_backend->value(key).value_or(defaultText);
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
    const auto [it, inserted] = m_changeOf.try_emplace(key, m_changes.size());
    if (inserted)
        m_changes.push_back({key, std::move(text)});
    else
        m_changes[it->second].text = std::move(text);
}

// Why the pending changes cannot be written at all, or "".
QString SettingsStore::refusal() const
{
    if (!m_readProblem.isEmpty())
        return QStringLiteral("it could not be read when it was opened (%1), so it is not replaced")
            .arg(m_readProblem);
    for (const auto& [key, text] : m_changes) {
        if (!IniDocument::isWritableKey(key))
            return QStringLiteral("the key \"%1\" cannot be written").arg(key);
        // A value read from the store may be written back as it is.
        if (text && !IniDocument::fitsOnALine(*text) && m_backend->value(key) != text)
            return QStringLiteral("the value of %1 holds a line break or a NUL character").arg(key);
    }
    return QString();
}

bool SettingsStore::sync(QString* reason)
{
    QString why;
    bool synced = true;
    if (!m_changes.empty()) {
        why = refusal();
        synced = why.isEmpty() && m_backend->commit(m_changes, &why);
    }
    m_changes.clear();
    m_changeOf.clear();
    if (reason)
        *reason = synced ? QString() : why;
    return synced;
}

void SettingsStore::reload()
{
    m_changes.clear();
    m_changeOf.clear();
    m_readProblem.clear();
    if (!m_backend->reload(&m_readProblem) && m_readProblem.isEmpty())
        m_readProblem = QStringLiteral("unknown error");
}

} // namespace quorvix::settings
