#pragma once

// Records the message boxes shown while it lives, in UTF-8, and restores the handler it
// replaced.

#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"

#include <string>
#include <vector>

class MessageLog {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    MessageLog()
        : m_previous(MessageBoxService::SetHandler(
              [this](const std::string& text, const std::string& caption, unsigned int) {
                  messages.push_back({Mbcs::ToUtf8(text).value_or("(not code page 932)"),
                                      Mbcs::ToUtf8(caption).value_or("(not code page 932)")});
                  return static_cast<int>(IDOK);
              })) {}
    ~MessageLog() { MessageBoxService::SetHandler(m_previous); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Message& message : messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    std::vector<Message> messages;

private:
    MessageBoxService::Handler m_previous;
};
