#include "VersionNotice.h"

namespace options {

QString versionNotice(int major, int minor, int revision)
{
    return QStringLiteral("Quorvix LAN Ver.") + QString::number(major) + u'.' + QString::number(minor) +
           QString::number(revision);
}

QString programVersionNotice()
{
    return versionNotice(QUORVIX_VERSION_MAJOR, QUORVIX_VERSION_MINOR, QUORVIX_VERSION_PATCH);
}

} // namespace options
