#include "platform/framework/CFormView.h"

#include "platform/framework/CFrameWnd.h"
#include "platform/framework/CWinApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QWheelEvent>

namespace {

// A menu that opens over the control, or the control's own window (a combo box's list),
// takes the focus only for a while: the control has not lost it.
bool LosesFocus(const QWidget& control, const QFocusEvent& event) {
    if (event.reason() == Qt::PopupFocusReason) {
        return false;
    }
    for (const QWidget* widget = QApplication::focusWidget(); widget != nullptr;
         widget = widget->parentWidget()) {
        if (widget == &control) {
            return false;
        }
    }
    return true;
}

} // namespace

CFormView::CFormView(UINT templateId) : m_template(templateId) {
    auto* form = new QWidget;
    form->setFixedSize(m_template.GetPixelSize());
    m_controls = m_template.CreateControls(*form);
    for (const auto& [id, control] : m_controls) {
        control->installEventFilter(this);
        // The wheel reaches a list only once the list has the focus, as a native list's
        // does: a wheel turned over the form scrolls it and changes no choice.
        if (qobject_cast<QComboBox*>(control) != nullptr) {
            control->setFocusPolicy(Qt::StrongFocus);
        }
    }
    setWidget(form);
    setFrameShape(QFrame::NoFrame);
}

QWidget* CFormView::GetDlgItem(int id) const {
    const auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}

QString CFormView::GetDlgItemText(int id) const {
    QWidget* control = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        return combo->currentText();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    return QString();
}

void CFormView::SetDlgItemText(int id, const QString& text) {
    QWidget* control = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
        edit->setCursorPosition(0); // the start of a long text shows, as in a fresh field
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // The list's selection follows the field, as a native list's does: the arrow keys
        // move on from the entry shown, and the opened list shows it selected.
        combo->setCurrentIndex(combo->findText(text));
        combo->setEditText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    }
}

bool CFormView::IsDlgButtonChecked(int id) const {
    const auto* button = GetControl<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void CFormView::CheckDlgButton(int id, bool checked) {
    if (auto* button = GetControl<QAbstractButton>(id)) {
        button->setChecked(checked);
    }
}

int CFormView::AddComboString(QComboBox& combo, const QString& text) {
    int index = combo.count();
    if (combo.property("sorted").toBool()) {
        index = 0;
        while (index < combo.count() &&
               QString::compare(combo.itemText(index), text, Qt::CaseInsensitive) <= 0) {
            ++index;
        }
    }
    const QString shown = combo.currentText(); // inserting never changes the field
    combo.insertItem(index, text);
    combo.setEditText(shown);
    return index;
}

void CFormView::OnClicked(int id, std::function<void()> handler) {
    if (auto* button = GetControl<QAbstractButton>(id)) {
        connect(button, &QAbstractButton::clicked, this, [handler] { handler(); });
    }
}

void CFormView::OnSelChange(int id, std::function<void()> handler) {
    if (auto* combo = GetControl<QComboBox>(id)) {
        // Qt also takes the field's text, when it leaves the field, for a choice of the entry
        // of that name: only the list chooses.
        disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
        // A native list puts the chosen entry into its field only after the notification:
        // whatever the handler wrote there gives way to the choice.
        combo->installEventFilter(this);
        connect(combo, &QComboBox::activated, this, [combo, handler](int index) {
            const QString chosen = combo->itemText(index);
            handler();
            combo->setEditText(chosen);
        });
    }
}

void CFormView::OnKillFocus(int id, std::function<void()> handler) {
    if (QWidget* control = GetDlgItem(id)) {
        control->installEventFilter(this);
        m_killFocus[control] = std::move(handler);
    }
}

bool CFormView::eventFilter(QObject* watched, QEvent* event) {
    // The program's accelerators win over a field's own keys (Ctrl+A of a command, say),
    // as accelerators do; keys of disabled commands still reach the field.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const CFrameWnd* frame = AfxGetMainWnd();
        if (frame != nullptr && frame->HasEnabledShortcut(QKeySequence(key->keyCombination()))) {
            return true;
        }
    }
    // Return in a list's field would choose the entry of that name: only the list chooses,
    // and typing into the field chooses nothing.
    if (event->type() == QEvent::KeyPress && qobject_cast<QComboBox*>(watched) != nullptr) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            return true;
        }
    }
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox*>(watched) != nullptr &&
        !static_cast<QWidget*>(watched)->hasFocus()) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::FocusOut &&
        LosesFocus(*static_cast<QWidget*>(watched), *static_cast<QFocusEvent*>(event))) {
        if (const auto found = m_killFocus.find(watched); found != m_killFocus.end()) {
            found->second();
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
