#include "platform/framework/Resources.h"

#include <QFile>
#include <QHash>

namespace Resources {
namespace {

QString Unescape(const QString& field) {
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const QChar next = field[++i];
        text += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
    }
    return text;
}

const QHash<UINT, QString>& StringTable() {
    static const QHash<UINT, QString> table = [] {
        QHash<UINT, QString> strings;
        for (const QStringList& row : LoadTable(QStringLiteral("strings"))) {
            if (row.size() >= 2) {
                strings.insert(row[0].toUInt(), row[1]);
            }
        }
        return strings;
    }();
    return table;
}

} // namespace

std::vector<QStringList> LoadTable(const QString& name) {
    QFile file(QStringLiteral(":/res/%1.tsv").arg(name));
    std::vector<QStringList> rows;
    if (!file.open(QIODevice::ReadOnly)) {
        return rows;
    }
    for (QString line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        QStringList fields = line.split(u'\t');
        for (QString& field : fields) {
            field = Unescape(field);
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

QString LoadString(UINT id) {
    return StringTable().value(id);
}

std::vector<MenuPopup> LoadMenu(UINT id) {
    std::vector<MenuPopup> popups;
    for (const QStringList& row : LoadTable(QStringLiteral("menu%1").arg(id))) {
        const QString& kind = row.value(0);
        if (kind == QLatin1String("POPUP")) {
            popups.push_back({row.value(1), {}});
        } else if (!popups.empty() && kind == QLatin1String("SEPARATOR")) {
            popups.back().items.push_back(0);
        } else if (!popups.empty() && kind == QLatin1String("ITEM")) {
            popups.back().items.push_back(row.value(1).toUInt());
        }
    }
    return popups;
}

} // namespace Resources
