#pragma once
// Fonts and text need a QGuiApplication. Every test file that draws without widgets
// includes this header; the application is made once, before the first test,
// on the offscreen platform unless the caller chose another one.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

class TGuiAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (QGuiApplication::instance() != nullptr)
            return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        FApp = std::make_unique<QGuiApplication>(FArgc, FArgv);
    }
    void TearDown() override { FApp.reset(); }

private:
    int FArgc = 1;
    char FName[16] = "plot_tests";
    char* FArgv[2] = {FName, nullptr};
    std::unique_ptr<QGuiApplication> FApp;
};

inline ::testing::Environment* const GuiAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TGuiAppEnvironment);
