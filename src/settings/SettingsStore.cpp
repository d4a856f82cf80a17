#include "SettingsStore.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace quorvix::settings {

namespace {

// The store file holds passwords: only its owner may read it. QSettings
// creates new files readable by everyone and keeps the mode of an existing
// file when it replaces it, so the file is created here first, owner-only,
// and a file found with wider permissions is narrowed.
bool ensureOwnerOnlyFile(const QString& path, QString* reason)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    Q_UNUSED(reason);
    return true;
#else
    constexpr QFile::Permissions ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    const QFileInfo info(path);
    if (!info.exists()) {
        if (!QDir().mkpath(info.absolutePath())) {
            if (reason)
                *reason = QStringLiteral("cannot create the folder %1").arg(info.absolutePath());
            return false;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly) && !QFileInfo::exists(path)) {
            if (reason)
                *reason = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
            return false;
        }
        return true;
    }
    const QFile::Permissions permissions = QFile::permissions(path);
    if ((permissions & ~ownerOnly & ~(QFile::ExeOwner | QFile::ExeUser)) != 0 &&
        !QFile::setPermissions(path, permissions & ownerOnly)) {
        if (reason)
            *reason = QStringLiteral("cannot make %1 private to its owner").arg(path);
        return false;
    }
    return true;
#endif
}

// QSettings writes its buffer on its own at the next turn of the event loop.
// Our users sync once per action and must learn the outcome, so the store's
// objects leave writing to sync().
class HoldAutomaticSync : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::UpdateRequest; }
};

QString statusText(QSettings::Status status)
{
    switch (status) {
    case QSettings::NoError:
        return QStringLiteral("no error");
    case QSettings::AccessError:
        return QStringLiteral("access error");
    case QSettings::FormatError:
        return QStringLiteral("format error");
    }
    return QStringLiteral("unknown error");
}

} // namespace

std::unique_ptr<QSettings> openStore()
{
    // One switch: on Windows the mail checker reads the registry location that
    // its runtime's SaveSetting writes; elsewhere an INI file in the user's
    // configuration folder ($XDG_CONFIG_HOME/wispane.ini).
#ifdef Q_OS_WIN
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("VB and VBA Program Settings"), QStringLiteral("wispane"));
#else
    auto settings =
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("wispane"));
#endif
    settings->setFallbacksEnabled(false);
    settings->installEventFilter(new HoldAutomaticSync(settings.get()));
    settings->beginGroup(QStringLiteral("setting"));
    return settings;
}

QString storedText(const QVariant& value)
{
    // A value written by another program with a bare comma ("a, b") is parsed
    // as a list; our own writes quote such text, so this only recovers foreign
    // values, joined the way QSettings itself writes lists.
    switch (value.typeId()) {
    case QMetaType::QStringList:
        return value.toStringList().join(QStringLiteral(", "));
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant& part : value.toList())
            parts.append(storedText(part));
        return parts.join(QStringLiteral(", "));
    }
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}

SettingsStore::SettingsStore() : m_settings(openStore()) {}

SettingsStore::~SettingsStore() = default;

SettingsStore& SettingsStore::instance()
{
    static SettingsStore store;
    return store;
}

QString SettingsStore::read(const QString& key, const QString& defaultText) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return defaultText;
    return storedText(value);
}

void SettingsStore::write(const QString& key, const QString& text)
{
    beforeChange(key);
    m_settings->setValue(key, text);
}

void SettingsStore::remove(const QString& key)
{
    beforeChange(key);
    m_settings->remove(key);
}

void SettingsStore::beforeChange(const QString& key)
{
    m_before.try_emplace(key, m_settings->value(key));
    // Should anything write the buffer before our sync (a settings object
    // flushes when it is destroyed), the file must already be owner-only.
    if (!m_dirty)
        ensureOwnerOnlyFile(filePath(), nullptr);
    m_dirty = true;
}

bool SettingsStore::sync(QString* reason)
{
    if (reason)
        reason->clear();
    if (!m_dirty)
        return true;
    if (!ensureOwnerOnlyFile(filePath(), reason)) {
        takeBackUnsyncedChanges();
        return false;
    }

    // Opening writes the pending changes. When the file had changed on disk it
    // is read first, and a format error found there would hide the outcome of
    // the write; a second fresh object then shows it: it writes again only if
    // the first write failed, and otherwise finds nothing to do.
    auto fresh = openStore();
    if (fresh->status() == QSettings::FormatError)
        fresh = openStore();
    const QSettings::Status status = fresh->status();
    // The old object flushes as it goes away; after a successful write it
    // finds nothing left to do.
    m_settings = std::move(fresh);
    if (status != QSettings::NoError) {
        if (reason)
            *reason = QStringLiteral("cannot write %1 (%2)").arg(filePath(), statusText(status));
        takeBackUnsyncedChanges();
        return false;
    }
    m_dirty = false;
    m_before.clear();
    return true;
}

void SettingsStore::takeBackUnsyncedChanges()
{
    // The restored values stay pending (the store stays dirty): the next sync
    // writes them, which leaves the file as it was.
    for (const auto& [key, value] : m_before) {
        if (value.isValid())
            m_settings->setValue(key, value);
        else
            m_settings->remove(key);
    }
    m_before.clear();
}

void SettingsStore::reload()
{
    m_settings.reset();
    m_settings = openStore();
    m_dirty = false;
    m_before.clear();
}

QString SettingsStore::filePath() const
{
    return m_settings->fileName();
}

} // namespace quorvix::settings
