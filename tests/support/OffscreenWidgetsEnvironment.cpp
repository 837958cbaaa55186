// Links into test programs that make widgets, which need a QApplication.

#include "support/OffscreenEnvironment.h"

#include <QApplication>

namespace {

const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new OffscreenEnvironment<QApplication>);

} // namespace
