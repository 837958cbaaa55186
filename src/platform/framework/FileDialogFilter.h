#pragma once

// A file dialog's filter in the form "name|patterns|name|patterns|" turned into the
// name filters of a Qt file dialog, "name (patterns)" each, with the same patterns.

#include <QString>
#include <QStringList>

QStringList QtNameFilters(const QString& filter);
