#pragma once

// The per-user store file behind Module1's store operations.
//
// Reads go through one long-lived QSettings object. Writes are kept in a
// pending list of our own until sync(), which hands them to a fresh QSettings
// object: QSettings remembers the first error for the lifetime of an object,
// so only a fresh object tells whether this particular write reached the disk.
// Pending writes stay pending after a refused sync and are retried by the next.

#include <QMap>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace quorvix::settings {

class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The process-wide store used by Module1.
    static SettingsStore& instance();

    QString read(const QString& key, const QString& defaultText) const;
    void write(const QString& key, const QString& text);
    void remove(const QString& key);

    bool sync(QString* reason);
    // Drops pending writes and the reader so the next read sees the file as it is now.
    void reload();
    QString filePath() const;
    bool hasPendingWrites() const { return !m_pending.isEmpty(); }

private:
    std::unique_ptr<QSettings> m_reader;
    // Key -> new text, or std::nullopt for a key to remove.
    QMap<QString, std::optional<QString>> m_pending;
};

// A QSettings object on the store, positioned in the "setting" section.
std::unique_ptr<QSettings> openStore();

// Text of a stored value whatever type QSettings parsed it into.
QString storedText(const QVariant& value);

} // namespace quorvix::settings
