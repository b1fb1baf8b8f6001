#include "tests/support/qt_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace tarno_test {

namespace {

std::unique_ptr<QApplication>& AppHolder() {
    static std::unique_ptr<QApplication> app;
    return app;
}

// Ends the application object before main returns: destroyed among the static objects at
// exit, it would outlive parts of Qt it still needs.
class QtAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { EnsureQtApp(); }
    void TearDown() override { AppHolder().reset(); }
};

// Google Test takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const g_qtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace

void EnsureQtApp() {
    if (QApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "tarno_tests";
    static char* argv[] = {name, nullptr};
    AppHolder() = std::make_unique<QApplication>(argc, argv);
}

}  // namespace tarno_test
