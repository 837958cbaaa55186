#include "platform/opengl/CEglWindow.h"

#include "platform/opengl/OpenGLApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

// The major and minor version of the current context.
std::pair<int, int> GlVersion() {
    int major = 0;
    int minor = 0;
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version != nullptr) {
        std::sscanf(version, "%d.%d", &major, &minor);
    }
    return {major, minor};
}

TEST(CEglWindowTest, GivesACompatibilityContextOfAtLeastVersion21) {
    CEglWindow window(64, 32);
    ASSERT_TRUE(window.MakeCurrent());
    EXPECT_GE(GlVersion(), std::make_pair(2, 1));
    // Fixed-function calls work: a compatibility context reports no error for them.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(CEglWindowTest, IsHeadlessWithTheSizeItWasGiven) {
    const CEglWindow window(64, 32);
    EXPECT_EQ(window.Width(), 64);
    EXPECT_EQ(window.Height(), 32);
    EXPECT_FALSE(window.CanPresent());
    EXPECT_EQ(window.PresentFramebuffer(), 0u);
}

TEST(CEglWindowTest, WindowsHaveContextsOfTheirOwn) {
    auto first = std::make_unique<CEglWindow>(8, 8);
    CEglWindow second(8, 8);
    ASSERT_TRUE(first->MakeCurrent());
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(second.MakeCurrent());
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    // The display they share stays usable after one of them goes.
    first.reset();
    EXPECT_TRUE(second.MakeCurrent());
    EXPECT_GE(GlVersion(), std::make_pair(2, 1));
}

} // namespace
