#include "support/ScriptedDialogs.h"

#include "platform/MessageBoxService.h"

namespace {
template <typename Answer>
std::optional<Answer> Next(std::deque<std::optional<Answer>>& queue, int& unexpected) {
    if (queue.empty()) {
        ++unexpected;
        return std::nullopt;
    }
    const bool answered = queue.front().has_value();
    const Answer answer = answered ? *queue.front() : Answer();
    queue.pop_front();
    return answered ? std::optional<Answer>(answer) : std::nullopt;
}
} // namespace

std::optional<QString> ScriptedDialogs::GetFileName(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Next(fileAnswers, unexpected);
}

std::optional<QColor> ScriptedDialogs::ChooseColor(const QColor& initial, DWORD) {
    colourRequests.push_back(initial);
    return Next(colourAnswers, unexpected);
}

std::optional<int> ScriptedDialogs::ChooseItem(const QString&, const QString&,
                                               const QStringList& items) {
    itemRequests.push_back(items);
    return Next(itemAnswers, unexpected);
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
