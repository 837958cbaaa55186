#pragma once

// The common dialogs and message boxes, behind one interface so that tests can answer them.
// The program installs the Qt implementation; a test installs one that plays a script.

#include "platform/WinTypes.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

// File-dialog flags.
enum FileDialogFlag : DWORD {
    OFN_OVERWRITEPROMPT = 0x2,
    OFN_HIDEREADONLY = 0x4,
};
// Colour-dialog flags.
enum ColorDialogFlag : DWORD {
    CC_FULLOPEN = 0x2,
};

struct FileDialogRequest {
    bool open = true;
    // "name|patterns|name|patterns|": each pair is one filter, patterns separated by ';'.
    QString filter;
    // Added, after a dot, to a chosen name that has no extension.
    QString defaultExtension;
    QString folder;
    DWORD flags = 0;
};

class IDialogService {
public:
    virtual ~IDialogService() = default;

    // The chosen file's path, or nothing when the dialog was cancelled.
    virtual std::optional<QString> GetFileName(const FileDialogRequest& request) = 0;
    // The chosen colour, or nothing when the dialog was cancelled. The custom colours that
    // the user mixed are kept for the next colour dialog.
    virtual std::optional<QColor> ChooseColor(const QColor& initial, DWORD flags) = 0;
    // A list of items to choose one from, the first chosen to begin with: the index of
    // the chosen item, or nothing when the dialog was cancelled.
    virtual std::optional<int> ChooseItem(const QString& caption, const QString& label,
                                          const QStringList& items) = 0;
    // A modal message box with the buttons and icon of `type` (MessageBoxType); returns the
    // button pressed (MessageBoxResult).
    virtual int MessageBox(const QString& text, const QString& caption, UINT type) = 0;
};
