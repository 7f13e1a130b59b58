// The window tests run as the program does: the media runtime first, then the
// application with the main-thread seam of the window installed. They need no
// display: Qt draws on its offscreen platform whatever the environment says,
// unless a program is built for a real X server (V2M_QT_PLATFORM "xcb").
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <memory>

#include "FFmpegLoader.h"
#include "MainThread.h"
#include "QtMainThread.h"

int main(int argc, char** argv) {
#ifndef V2M_QT_PLATFORM
#define V2M_QT_PLATFORM "offscreen"
#endif
    ::setenv("QT_QPA_PLATFORM", V2M_QT_PLATFORM, 1);
    v2m::MediaRuntime runtime;
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    v2m::InstallMainThreadServices(std::make_shared<v2m::TQtMainThread>());
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    v2m::InstallMainThreadServices(nullptr);
    return status;
}
