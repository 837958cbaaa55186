#pragma once

// The common dialogs on Qt: QFileDialog, QColorDialog and QMessageBox, each modal on the
// active window.

#include "platform/framework/IDialogService.h"

class CQtDialogService final : public IDialogService {
public:
    std::optional<QString> GetFileName(const FileDialogRequest& request) override;
    std::optional<QColor> ChooseColor(const QColor& initial, DWORD flags) override;
    std::optional<int> ChooseItem(const QString& caption, const QString& label,
                                  const QStringList& items) override;
    int MessageBox(const QString& text, const QString& caption, UINT type) override;
};
