#include "QtSettingsSandbox.h"

#include <QFileInfo>
#include <QSettings>

namespace dialogs {

namespace {

// The folder the given format currently uses for user-level settings.
QString userSettingsFolder(QSettings::Format format)
{
    const QSettings probe(format, QSettings::UserScope, QStringLiteral("QtProject"));
    return QFileInfo(probe.fileName()).absolutePath();
}

} // namespace

QtSettingsSandbox::QtSettingsSandbox()
    : format_(QSettings::defaultFormat()), userPath_(userSettingsFolder(format_))
{
    // Should no scratch folder be available, a path below a device file
    // makes Qt's writes fail quietly instead of landing anywhere real.
    const QString sandbox = scratch_.isValid() ? scratch_.path() : QStringLiteral("/dev/null");
    QSettings::setPath(format_, QSettings::UserScope, sandbox);
}

QtSettingsSandbox::~QtSettingsSandbox()
{
    QSettings::setPath(format_, QSettings::UserScope, userPath_);
}

} // namespace dialogs
