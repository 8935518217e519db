// The one QApplication of the gui test executable. The suites link
// gtest_main, so the application lives in a global test environment.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class TGuiAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "zq735_ui_gui_tests";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QApplication> App;
};

[[maybe_unused]] ::testing::Environment* const kGuiApp =
    ::testing::AddGlobalTestEnvironment(new TGuiAppEnvironment);

}  // namespace
