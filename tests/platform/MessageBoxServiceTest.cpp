#include "platform/MessageBoxService.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Message {
    std::string text;
    std::string caption;
    unsigned int type = 0;
};

// Installs nothing itself; restores whatever handler was installed before the test.
class MessageBoxServiceTest : public ::testing::Test {
protected:
    void SetUp() override { m_original = MessageBoxService::SetHandler(nullptr); }
    void TearDown() override { MessageBoxService::SetHandler(m_original); }

    static MessageBoxService::Handler Recorder(Message& message, int answer) {
        return [&message, answer](const std::string& text, const std::string& caption,
                                  unsigned int type) {
            message = {text, caption, type};
            return answer;
        };
    }

private:
    MessageBoxService::Handler m_original;
};

TEST_F(MessageBoxServiceTest, HandlerReceivesMessageAndItsAnswerIsReturned) {
    Message received;
    MessageBoxService::SetHandler(Recorder(received, IDCANCEL));
    EXPECT_EQ(MessageBoxService::Show("\x83\x41 failed", "Loader", MB_OKCANCEL | MB_ICONERROR),
              IDCANCEL);
    EXPECT_EQ(received.text, "\x83\x41 failed");
    EXPECT_EQ(received.caption, "Loader");
    EXPECT_EQ(received.type, static_cast<unsigned int>(MB_OKCANCEL | MB_ICONERROR));
}

TEST_F(MessageBoxServiceTest, DefaultsAreEmptyCaptionAndOkButton) {
    Message received{"unset", "unset", 99};
    MessageBoxService::SetHandler(Recorder(received, IDOK));
    MessageBoxService::Show("text");
    EXPECT_EQ(received.caption, "");
    EXPECT_EQ(received.type, static_cast<unsigned int>(MB_OK));
}

TEST_F(MessageBoxServiceTest, SetHandlerReturnsThePreviousHandler) {
    Message first;
    Message second;
    MessageBoxService::SetHandler(Recorder(first, 11));
    const MessageBoxService::Handler previous = MessageBoxService::SetHandler(Recorder(second, 22));
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous("call", "", MB_OK), 11);
    EXPECT_EQ(first.text, "call");
    EXPECT_EQ(MessageBoxService::Show("shown"), 22);
    EXPECT_EQ(second.text, "shown");
}

TEST_F(MessageBoxServiceTest, WithoutHandlerWritesUtf8ToStandardErrorAndAnswersOk) {
    testing::internal::CaptureStderr();
    const int answer = MessageBoxService::Show("WAV\x83\x54\x83\x45\x83\x93\x83\x68");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WAVサウンド\n");
    EXPECT_EQ(answer, IDOK);
}

} // namespace
