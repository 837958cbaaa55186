#pragma once

// A test environment that runs a Qt application (QGuiApplication for fonts, QApplication for
// widgets) on the offscreen platform, so no display is needed.

#include <gtest/gtest.h>

#include <QByteArray>

#include <clocale>
#include <memory>

template <class Application> class OffscreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_application = std::make_unique<Application>(m_argc, m_argv);
        // Qt adopts the user's locale; numbers in files are read and written the C way.
        std::setlocale(LC_NUMERIC, "C");
    }
    void TearDown() override { m_application.reset(); }

private:
    int m_argc = 1;
    char m_name[6] = "tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<Application> m_application;
};
