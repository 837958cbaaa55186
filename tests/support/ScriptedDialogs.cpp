#include "support/ScriptedDialogs.h"

#include "platform/MessageBoxService.h"

#include <QTest>

namespace {
// The next queued answer; with none queued the dialog is cancelled and the test fails, as a
// dialog that a user would meet unasked.
template <typename Answer>
std::optional<Answer> Next(std::deque<std::optional<Answer>>& queue, int& unexpected,
                           const QString& dialog) {
    if (queue.empty()) {
        ++unexpected;
        QTest::qFail(qPrintable(QStringLiteral("unexpected %1").arg(dialog)), __FILE__, __LINE__);
        return std::nullopt;
    }
    const std::optional<Answer> answer = queue.front();
    queue.pop_front();
    return answer;
}
} // namespace

std::optional<QString> ScriptedDialogs::GetFileName(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Next(fileAnswers, unexpected, QStringLiteral("file dialog (%1)").arg(request.filter));
}

std::optional<QColor> ScriptedDialogs::ChooseColor(const QColor& initial, DWORD) {
    colourRequests.push_back(initial);
    return Next(colourAnswers, unexpected, QStringLiteral("colour dialog"));
}

std::optional<int> ScriptedDialogs::ChooseItem(const QString& caption, const QString&,
                                               const QStringList& items) {
    itemRequests.push_back(items);
    return Next(itemAnswers, unexpected, QStringLiteral("list dialog (%1)").arg(caption));
}

int ScriptedDialogs::MessageBox(const QString& text, const QString& caption, UINT type) {
    messages.push_back({text, caption, type});
    if (whileMessageShown) {
        whileMessageShown(messages.back());
    }
    if (messageAnswers.empty()) {
        return IDOK;
    }
    const int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::Reset() {
    *this = ScriptedDialogs();
}
