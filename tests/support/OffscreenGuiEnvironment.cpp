// Links into test programs that rasterise text: Qt's fonts need a QGuiApplication, which
// runs here on the offscreen platform, so no display is needed.

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <clocale>
#include <memory>

namespace {

class OffscreenGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_application = std::make_unique<QGuiApplication>(m_argc, m_argv);
        // Qt adopts the user's locale; numbers in files are read and written the C way.
        std::setlocale(LC_NUMERIC, "C");
    }
    void TearDown() override { m_application.reset(); }

private:
    int m_argc = 1;
    char m_name[6] = "tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_application;
};

const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new OffscreenGuiEnvironment);

} // namespace
