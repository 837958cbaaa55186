#include "platform/framework/CFileDialogColumns.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLocale>

namespace {
// The columns of QFileSystemModel.
enum Column { SizeColumn = 1, TypeColumn = 2, ModifiedColumn = 3 };
} // namespace

QVariant CFileDialogColumns::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr) {
        return QIdentityProxyModel::data(index, role);
    }
    const QFileInfo file = files->fileInfo(mapToSource(index));
    switch (index.column()) {
    case SizeColumn:
        if (!file.isDir()) {
            return QLocale().formattedDataSize(file.size());
        }
        break;
    case TypeColumn:
        if (file.isDir()) {
            return QFileDialog::tr("Folder");
        }
        break;
    case ModifiedColumn:
        return QLocale().toString(file.lastModified(), QLocale::ShortFormat);
    default:
        break;
    }
    return QIdentityProxyModel::data(index, role);
}
