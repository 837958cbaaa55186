#include "platform/framework/CQtDialogService.h"

#include "platform/MessageBoxService.h"
#include "platform/framework/CFileDialogColumns.h"
#include "platform/framework/FileDialogFilter.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

std::optional<QString> CQtDialogService::GetFileName(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString(), request.folder);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(QtNameFilters(request.filter));
    // The descriptions already name their patterns, as the file types of a native dialog do.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.setProxyModel(new CFileDialogColumns(&dialog));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & OFN_OVERWRITEPROMPT) == 0);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

std::optional<QColor> CQtDialogService::ChooseColor(const QColor& initial, DWORD flags) {
    // QColorDialog keeps its custom colours for the whole run; the full dialog always shows
    // them, so CC_FULLOPEN needs nothing more.
    static_cast<void>(flags);
    const QColor colour = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!colour.isValid()) {
        return std::nullopt;
    }
    return colour;
}

std::optional<int> CQtDialogService::ChooseItem(const QString& caption, const QString& label,
                                                const QStringList& items) {
    bool chosen = false;
    const QString item = QInputDialog::getItem(QApplication::activeWindow(), caption, label, items,
                                               0, false, &chosen);
    if (!chosen) {
        return std::nullopt;
    }
    return static_cast<int>(items.indexOf(item));
}

int CQtDialogService::MessageBox(const QString& text, const QString& caption, UINT type) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}
