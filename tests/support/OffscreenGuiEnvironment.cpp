// Links into test programs that rasterise text: Qt's fonts need a QGuiApplication.

#include "support/OffscreenEnvironment.h"

#include <QGuiApplication>

namespace {

const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new OffscreenEnvironment<QGuiApplication>);

} // namespace
