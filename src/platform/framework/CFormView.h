#pragma once

// A view whose window is a form: the controls of a dialog template placed in a scrollable
// area, which shows scroll bars while the pane is smaller than the template. Notifications
// come only from the user: clicks, list choices and the loss of focus; a field changed by
// the program notifies nothing.

#include "platform/framework/CDialogTemplate.h"
#include "platform/framework/CView.h"

#include <QScrollArea>

#include <functional>
#include <map>

class QComboBox;

class CFormView : public QScrollArea, public CView {
public:
    explicit CFormView(UINT templateId);

    QWidget& GetViewWindow() override { return *this; }

    QWidget* GetDlgItem(int id) const;
    template <typename Control> Control* GetControl(int id) const {
        return qobject_cast<Control*>(GetDlgItem(id));
    }
    QString GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const QString& text);
    bool IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, bool checked);
    // Adds an entry to a combo box's list, in alphabetical order when its list is sorted;
    // returns the entry's index.
    static int AddComboString(QComboBox& combo, const QString& text);

protected:
    void OnClicked(int id, std::function<void()> handler);
    // A choice from the list, not text typed into the field. The handler runs before the
    // field shows the chosen entry, which then replaces whatever the handler wrote there.
    void OnSelChange(int id, std::function<void()> handler);
    void OnKillFocus(int id, std::function<void()> handler);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CDialogTemplate m_template;
    std::map<int, QWidget*> m_controls;
    std::map<QObject*, std::function<void()>> m_killFocus;
};
