#pragma once

// The per-user store file behind Module1's store operations.
//
// One long-lived QSettings object holds the values; QSettings buffers writes
// until a sync. QSettings keeps the first error it meets for the lifetime of
// an object, so sync() asks a fresh object, which shares Qt's per-file cache
// (pending writes included) and writes them when it opens: its status tells
// whether this particular write reached the disk.
//
// A refused sync takes the action's writes back: every key it touched is
// returned to the text it had after the last successful sync. The caller has
// told the user that nothing was saved, so no later action may carry those
// writes to disk behind the user's back.

#include <QString>

#include <QVariant>

#include <map>
#include <memory>

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
    // Opens the store afresh so the next read sees the file as it is now.
    void reload();
    QString filePath() const;
    bool hasPendingWrites() const { return m_dirty; }

private:
    void beforeChange(const QString& key);
    void takeBackUnsyncedChanges();

    std::unique_ptr<QSettings> m_settings;
    bool m_dirty = false; // written or removed since the last successful sync
    // Each key changed since the last successful sync, with the value it had
    // then (an invalid QVariant: the key was absent).
    std::map<QString, QVariant> m_before;
};

// A QSettings object on the store, positioned in the "setting" section.
std::unique_ptr<QSettings> openStore();

// Text of a stored value whatever type QSettings parsed it into.
QString storedText(const QVariant& value);

} // namespace quorvix::settings
