#pragma once

// The detailed list of Qt's file dialog as the program's locale writes it. Qt's file model
// writes sizes and dates in the system's locale, and a folder's type in words that Qt's
// Japanese translation lacks there; this writes them in the default locale, which the program
// sets, and names a folder as the file dialog's own translation does.

#include <QIdentityProxyModel>

class CFileDialogColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override;
};
