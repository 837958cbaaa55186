#pragma once

// The about box: the program's name, its version and OK.

#include "platform/framework/CDialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(QWidget* parent);
};
