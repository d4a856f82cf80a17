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
    : nativeUserPath_(userSettingsFolder(QSettings::NativeFormat)),
      iniUserPath_(userSettingsFolder(QSettings::IniFormat))
{
    // Should no scratch folder be available, a path below a device file
    // makes Qt's writes fail quietly instead of landing anywhere real.
    const QString sandbox = scratch_.isValid() ? scratch_.path() : QStringLiteral("/dev/null");
    // Both formats, in case something has made INI Qt's default format.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, sandbox);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, sandbox);
}

QtSettingsSandbox::~QtSettingsSandbox()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nativeUserPath_);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, iniUserPath_);
}

} // namespace dialogs
