#pragma once
// The graph draws with fonts, which need a QGuiApplication; one for the whole
// run, on the offscreen platform.

#include <QGuiApplication>

namespace fuzz {

inline void MakeGuiApp()
{
    static int argc = 1;
    static char name[] = "zq735-fuzz";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: libFuzzer leaves through exit(), after which Qt's
    // own statics may already be gone.
    new QGuiApplication(argc, argv);
}

}  // namespace fuzz
