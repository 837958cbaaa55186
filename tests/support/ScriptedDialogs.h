#pragma once

// A dialog service that plays a script: each file, colour or list dialog takes the next
// answer queued for it (an empty answer cancels it; none left fails the running test and
// cancels the dialog), and every message box is recorded and answered from its own queue,
// else with OK.

#include "platform/framework/IDialogService.h"

#include <deque>
#include <functional>
#include <vector>

struct ShownMessage {
    QString text;
    QString caption;
    UINT type;
};

class ScriptedDialogs final : public IDialogService {
public:
    std::optional<QString> GetFileName(const FileDialogRequest& request) override;
    std::optional<QColor> ChooseColor(const QColor& initial, DWORD flags) override;
    std::optional<int> ChooseItem(const QString& caption, const QString& label,
                                  const QStringList& items) override;
    int MessageBox(const QString& text, const QString& caption, UINT type) override;

    // Forgets the answers and everything recorded.
    void Reset();

    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QColor>> colourAnswers;
    std::deque<std::optional<int>> itemAnswers;
    std::deque<int> messageAnswers;
    // Runs while a message box is shown, before it is answered: a modal box's own event
    // loop, for the work that goes on behind it.
    std::function<void(const ShownMessage&)> whileMessageShown;

    std::vector<FileDialogRequest> fileRequests;
    std::vector<QColor> colourRequests;
    std::vector<QStringList> itemRequests;
    std::vector<ShownMessage> messages;
    // The dialogs that came with no answer queued.
    int unexpected = 0;
};
