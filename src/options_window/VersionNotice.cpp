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
    // The options of a mail checker under Wine are not where a Linux user
    // looks first, so the notice says which store the window works on.
    if (const QString store = Module1::StoreDisplayName(); !store.isEmpty())
        return notice + QStringLiteral("\r\n\r\n設定の保存先: ") + store + QStringLiteral("\r\n") +
               Module1::StoreFilePath();
    return notice;
}

} // namespace options
