#include "platform/framework/CDialog.h"

#include "platform/framework/FrameworkIds.h"

#include <QAbstractButton>

CDialog::CDialog(UINT templateId, QWidget* parent) : QDialog(parent), m_template(templateId) {
    setWindowTitle(m_template.GetCaption());
    setFixedSize(m_template.GetPixelSize());
    m_controls = m_template.CreateControls(*this);
    for (const auto& [id, result] :
         {std::pair{ID_OK, QDialog::Accepted}, std::pair{ID_CANCEL, QDialog::Rejected}}) {
        if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(static_cast<int>(id)))) {
            connect(button, &QAbstractButton::clicked, this,
                    [this, result = result] { done(result); });
        }
    }
}

int CDialog::DoModal() {
    return exec() == QDialog::Accepted ? static_cast<int>(ID_OK) : static_cast<int>(ID_CANCEL);
}

QWidget* CDialog::GetDlgItem(int id) const {
    const auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}
