#pragma once

// A dialog template, the resource "dialog<id>": a first row
//   DIALOG id x y width height caption font-face points
// and one row per control, in creation order:
//   kind id x y width height text styles
// with positions in dialog units of the template's font: x pixels are units times the
// font's average character width / 4, y pixels units times its height / 8. Kinds: GROUPBOX,
// LTEXT, ICON, PUSHBUTTON, DEFPUSHBUTTON, CHECKBOX, PUSHCHECK (a check box drawn as a push
// button), EDIT (style NUMBER: digits only) and COMBO (an editable drop-down; style SORT: a
// sorted list, kept in the property "sorted"). A combo box's height is that of its
// dropped-down list.

#include "platform/WinTypes.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class QWidget;

class CDialogTemplate {
public:
    explicit CDialogTemplate(UINT id);

    bool IsValid() const { return !m_controls.empty() || m_size.isValid(); }
    const QString& GetCaption() const { return m_caption; }
    const QFont& GetFont() const { return m_font; }
    // The average character width and the character height of the template's font.
    QSize GetBaseUnits() const { return m_baseUnits; }
    QSize GetPixelSize() const { return MapDialogRect(QRect(QPoint(0, 0), m_size)).size(); }
    QRect MapDialogRect(const QRect& units) const;
    // Makes the controls as children of the window; the result maps each control id (other
    // than -1) to its widget.
    std::map<int, QWidget*> CreateControls(QWidget& window) const;

private:
    struct Control {
        QString kind;
        int id;
        QRect units;
        QString text;
        QStringList styles;
    };
    QWidget* CreateControl(const Control& control, QWidget& window) const;

    QString m_caption;
    QFont m_font;
    QSize m_baseUnits;
    QSize m_size;
    std::vector<Control> m_controls;
};
