// The store on Windows: the registry location that the mail checker's
// runtime reads and writes ("VB and VBA Program Settings\wispane\setting"),
// reached through QSettings' native format, which stores text as it is.

#include "StoreBackend.h"

#include <QSettings>

namespace quorvix::settings {

namespace {

std::unique_ptr<QSettings> openRegistry()
{
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("VB and VBA Program Settings"), QStringLiteral("wispane"));
    settings->setFallbacksEnabled(false);
    settings->beginGroup(QStringLiteral("setting"));
    return settings;
}

class RegistryStore final : public StoreBackend
{
public:
    RegistryStore() : m_settings(openRegistry()) {}

    QString location() const override { return m_settings->fileName(); }

    bool reload(QString* reason) override
    {
        m_settings = openRegistry();
        if (m_settings->status() == QSettings::NoError)
            return true;
        *reason = QStringLiteral("cannot read %1").arg(location());
        return false;
    }

    std::optional<QString> value(const QString& key) const override
    {
        const QVariant stored = m_settings->value(key);
        if (!stored.isValid())
            return std::nullopt;
        return stored.toString();
    }

    QStringList keys() const override { return m_settings->childKeys(); }

    bool commit(const std::vector<StoreChange>& changes, QString* reason) override
    {
        for (const StoreChange& change : changes) {
            if (change.text)
                m_settings->setValue(change.key, *change.text);
            else
                m_settings->remove(change.key);
        }
        m_settings->sync();
        if (m_settings->status() == QSettings::NoError)
            return true;
        *reason = QStringLiteral("cannot write %1").arg(location());
        m_settings = openRegistry(); // nothing of the refused action stays pending
        return false;
    }

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace

std::unique_ptr<StoreBackend> makeStoreBackend()
{
    return std::make_unique<RegistryStore>();
}

} // namespace quorvix::settings
