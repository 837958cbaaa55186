#pragma once

// A modal dialog made from a dialog template: its caption, size and controls. The control
// ID_OK closes it with ID_OK, ID_CANCEL (or Escape) with ID_CANCEL.

#include "platform/framework/CDialogTemplate.h"

#include <QDialog>

#include <map>

class CDialog : public QDialog {
public:
    CDialog(UINT templateId, QWidget* parent);

    // Shows the dialog and returns the id of the button that closed it.
    int DoModal();
    QWidget* GetDlgItem(int id) const;

private:
    CDialogTemplate m_template;
    std::map<int, QWidget*> m_controls;
};
