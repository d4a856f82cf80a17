#include "FileFilter.h"

#include <QStringList>

namespace dialogs {

QString nameFilterFromFilterText(const QString& filterText)
{
    // Callers may end the list with the NULs the old platform wanted; they
    // carry no entry of their own.
    QString text = filterText;
    while (text.endsWith(QChar(u'\0')))
        text.chop(1);

    const qsizetype nul = text.indexOf(QChar(u'\0'));
    QString description = nul < 0 ? QString() : text.left(nul).trimmed();
    QString patternText = nul < 0 ? text : text.mid(nul + 1);
    // A second entry cannot be expressed by the callers; keep only the first.
    patternText = patternText.section(QChar(u'\0'), 0, 0);

    QStringList patterns = patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
        pattern = pattern.trimmed();
    patterns.removeAll(QString());
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");

    const QString joined = patterns.join(QLatin1Char(' '));
    if (description.isEmpty())
        description = joined;
    return description + u" (" + joined + u')';
}

} // namespace dialogs
