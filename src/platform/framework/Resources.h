#pragma once

// The program's resources: tables of tab-separated text in the Qt resource folder ":/res",
// UTF-8, one row a line. Blank lines and lines that start with '#' are left out; in a field,
// "\n", "\t" and "\\" stand for a line break, a tab and a backslash. The string table
// ("strings.tsv") holds an id and a text per row.

#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace Resources {

// The rows of the table ":/res/<name>.tsv"; empty when there is no such table.
std::vector<QStringList> LoadTable(const QString& name);
// The text of a string-table id; empty when the table has none.
QString LoadString(UINT id);

} // namespace Resources
