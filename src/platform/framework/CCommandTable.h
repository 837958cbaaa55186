#pragma once

// The program's command table, the resource "commands": for each command id its name, its
// menu text (with the mnemonic), its keys and its prompt, "status-bar text\ntooltip". The
// keys of every row together are the accelerator table.

#include "platform/WinTypes.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <map>

struct CommandInfo {
    UINT id = 0;
    QString name;
    QString text;
    QList<QKeySequence> keys;
    QString prompt;

    QString StatusText() const { return prompt.section(u'\n', 0, 0); }
    // The prompt's tooltip, else its status-bar text; empty for a command without a prompt.
    QString ToolTip() const {
        const QString tip = prompt.section(u'\n', 1, 1);
        return tip.isEmpty() ? StatusText() : tip;
    }
};

class CCommandTable {
public:
    static const std::map<UINT, CommandInfo>& Get();
    // The row of an id; a row with only the id when the table has none.
    static CommandInfo Find(UINT id);
};
