#include "platform/framework/FileDialogFilter.h"

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        if (!patterns.isEmpty()) {
            filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
        }
    }
    return filters;
}
