#include "VersionNotice.h"

#include "Module1.h"

namespace options {

QString versionNotice(int major, int minor, int revision)
{
    return QStringLiteral("Quorvix LAN Ver.") + QString::number(major) + u'.' + QString::number(minor) +
           QString::number(revision);
}

QString programVersionNotice()
{
    const QString notice = versionNotice(QUORVIX_VERSION_MAJOR, QUORVIX_VERSION_MINOR, QUORVIX_VERSION_PATCH);
    // The options may be in an INI file or in a Wine prefix's registry, and
    // a mail checker under Wine keeps them where a Linux user does not look
    // first, so the notice says which store the window works on.
    return notice + QStringLiteral("\r\n\r\n設定の保存先: ") + Module1::StoreDisplayName() +
           QStringLiteral("\r\n") + Module1::StoreFilePath();
}

} // namespace options
