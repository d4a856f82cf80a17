// The store on Windows: the registry location that the mail checker's
// runtime reads and writes ("VB and VBA Program Settings\wispane\setting"),
// reached through QSettings' native format, which stores text as it is.

#include "StoreBackend.h"

#include <QSettings>

namespace settings {

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
    RegistryStore() : settings_(openRegistry()) {}

    QString location() const override { return settings_->fileName(); }
    QString storeFile() const override { return location(); }

    bool reload(QString* reason) override
    {
        settings_ = openRegistry();
        if (settings_->status() == QSettings::NoError)
            return true;
        *reason = QStringLiteral("cannot read %1").arg(location());
        return false;
    }

    std::optional<QString> value(const QString& key) const override
    {
        const QVariant stored = settings_->value(key);
        if (!stored.isValid())
            return std::nullopt;
        return stored.toString();
    }

    QStringList keys() const override { return settings_->childKeys(); }

    bool commit(const std::vector<StoreChange>& changes, QString* reason) override
    {
        for (const StoreChange& change : changes) {
            if (change.text)
                settings_->setValue(change.key, *change.text);
            else
                settings_->remove(change.key);
        }
        settings_->sync();
        if (settings_->status() == QSettings::NoError)
            return true;
        *reason = QStringLiteral("cannot write %1").arg(location());
        settings_ = openRegistry(); // nothing of the refused action stays pending
        return false;
    }

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace

std::unique_ptr<StoreBackend> makeStoreBackend()
{
    return std::make_unique<RegistryStore>();
}

} // namespace settings
