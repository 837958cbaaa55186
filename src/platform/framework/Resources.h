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

// One pop-up of a menu resource ("menu<id>": POPUP text, ITEM id and SEPARATOR rows): its
// text and its items' command ids in order, 0 for a separator.
struct MenuPopup {
    QString text;
    std::vector<UINT> items;
};

// The rows of the table ":/res/<name>.tsv"; empty when there is no such table.
std::vector<QStringList> LoadTable(const QString& name);
// The text of a string-table id; empty when the table has none.
QString LoadString(UINT id);
std::vector<MenuPopup> LoadMenu(UINT id);

} // namespace Resources
