#include "app/CAboutDlg.h"

#include "app/Resource.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(IDD_ABOUTBOX, parent) {}
