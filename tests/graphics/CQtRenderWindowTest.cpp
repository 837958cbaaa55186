// The device on a QOpenGLWidget's context: frames rendered in paintGL reach the widget's own
// framebuffer, scaled to the widget. Runs under Xvfb.

#include "graphics/CQtRenderWindow.h"
#include "graphics/CDirectXGraphics.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/opengl/COpenGLDirect3D.h"
#include "support/Patience.h"

#include <QApplication>
#include <QImage>
#include <QOpenGLWidget>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <memory>

namespace {

// A stand-in for the 3D view: the graphics object is made on the widget's context and
// renders on every paint.
class ViewWidget : public QOpenGLWidget {
public:
    ~ViewWidget() override {
        makeCurrent();
        graphics.reset();
        doneCurrent();
    }

    std::unique_ptr<CDirectXGraphics> graphics;
    int paints = 0;

protected:
    void initializeGL() override { graphics = std::make_unique<CDirectXGraphics>(&m_window); }
    void resizeGL(int width, int height) override { graphics->Resize(width, height); }
    void paintGL() override {
        graphics->Render(nullptr);
        ++paints;
    }

private:
    CQtRenderWindow m_window{*this};
};

class CQtRenderWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterOpenGLDirect3D(); }

    void ShowAndPaint(int width, int height) {
        widget.resize(width, height);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget, PatienceMs));
        const int before = widget.paints;
        widget.update();
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget.paints > before; }, PatienceMs));
    }

    // What the window shows on the screen: the composited widget, not a GL read-back.
    QImage OnScreen() {
        QCoreApplication::processEvents();
        return widget.screen()->grabWindow(widget.winId()).toImage();
    }

    ViewWidget widget;
};

TEST_F(CQtRenderWindowTest, DeviceIsMadeOnTheWidgetsContext) {
    ShowAndPaint(320, 240);
    ASSERT_NE(widget.graphics, nullptr);
    ASSERT_NE(widget.graphics->GetDevice(), nullptr);
    D3DVIEWPORT9 viewport;
    widget.graphics->GetDevice()->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 320u); // the back buffer follows the widget's size
    EXPECT_EQ(viewport.Height, 240u);
}

TEST_F(CQtRenderWindowTest, FramesShowInTheWindowOnTheScreen) {
    ShowAndPaint(320, 240);
    const QImage picture = OnScreen();
    ASSERT_EQ(picture.width(), 320);
    EXPECT_EQ(picture.pixelColor(2, 2), QColor(30, 65, 90));
    // The grid and the axes of the edit mode are drawn over the background.
    int drawn = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            drawn += picture.pixelColor(x, y) != QColor(30, 65, 90) ? 1 : 0;
        }
    }
    EXPECT_GT(drawn, 200);
}

TEST_F(CQtRenderWindowTest, AnotherBackgroundColourShowsAfterTheNextPaint) {
    ShowAndPaint(200, 150);
    widget.graphics->m_crBackground = RGB(200, 10, 20);
    ShowAndPaint(200, 150);
    EXPECT_EQ(OnScreen().pixelColor(2, 2), QColor(200, 10, 20));
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
