#include "platform/framework/CCommandTable.h"

#include "platform/framework/Resources.h"

const std::map<UINT, CommandInfo>& CCommandTable::Get() {
    static const std::map<UINT, CommandInfo> table = [] {
        std::map<UINT, CommandInfo> commands;
        for (const QStringList& row : Resources::LoadTable(QStringLiteral("commands"))) {
            CommandInfo info;
            info.id = row.value(0).toUInt();
            info.name = row.value(1);
            info.text = row.value(2);
            for (const QString& key : row.value(3).split(u',', Qt::SkipEmptyParts)) {
                info.keys << QKeySequence::fromString(key.trimmed(), QKeySequence::PortableText);
            }
            info.prompt = row.value(4);
            commands[info.id] = info;
        }
        return commands;
    }();
    return table;
}

CommandInfo CCommandTable::Find(UINT id) {
    const auto found = Get().find(id);
    if (found != Get().end()) {
        return found->second;
    }
    CommandInfo info;
    info.id = id;
    return info;
}
