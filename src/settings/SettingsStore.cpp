#include "SettingsStore.h"

#include <QDir>
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

SettingsStore::SettingsStore() : m_reader(openStore()) {}

SettingsStore::~SettingsStore() = default;

SettingsStore& SettingsStore::instance()
{
    static SettingsStore store;
    return store;
}

QString SettingsStore::read(const QString& key, const QString& defaultText) const
{
    const auto pending = m_pending.constFind(key);
    if (pending != m_pending.constEnd())
        return pending->value_or(defaultText);
    const QVariant value = m_reader->value(key);
    if (!value.isValid())
        return defaultText;
    return storedText(value);
}

void SettingsStore::write(const QString& key, const QString& text)
{
    m_pending.insert(key, text);
}

void SettingsStore::remove(const QString& key)
{
    m_pending.insert(key, std::nullopt);
}

bool SettingsStore::sync(QString* reason)
{
    if (reason)
        reason->clear();
    if (m_pending.isEmpty())
        return true;
    if (!ensureOwnerOnlyFile(filePath(), reason))
        return false;

    // Opening rereads the file when another program changed it since we read
    // it; that read may flag a format error, which says nothing about the write
    // that follows. A second object shares the parsed file and starts clean.
    auto writer = openStore();
    if (writer->status() != QSettings::NoError)
        writer = openStore();
    if (writer->status() != QSettings::NoError) {
        if (reason)
            *reason = QStringLiteral("cannot read %1 (%2)").arg(filePath(), statusText(writer->status()));
        return false;
    }
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
        if (it.value())
            writer->setValue(it.key(), *it.value());
        else
            writer->remove(it.key());
    }
    writer->sync();
    if (writer->status() != QSettings::NoError) {
        if (reason)
            *reason = QStringLiteral("cannot write %1 (%2)").arg(filePath(), statusText(writer->status()));
        return false;
    }
    m_pending.clear();
    return true;
}

void SettingsStore::reload()
{
    m_pending.clear();
    m_reader.reset();
    m_reader = openStore();
}

QString SettingsStore::filePath() const
{
    return m_reader->fileName();
}

} // namespace quorvix::settings
