// The window tests run as the program does: the media runtime first, then the
// application with the main-thread seam of the window installed. They need no
// display: Qt draws on its offscreen platform whatever the environment says,
// unless a program is built for a real X server (V2M_QT_PLATFORM "xcb").
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <memory>

#include "FFmpegLoader.h"
#include "MainThread.h"
#include "QtMainThread.h"
#include "WindowTestSupport.h"

#include <unistd.h>

int main(int argc, char** argv) {
#ifndef V2M_QT_PLATFORM
#define V2M_QT_PLATFORM "offscreen"
#endif
    // The offscreen screen is the size of the virtual display the window
    // tests run on elsewhere, with room for the window's classic size.
    const std::filesystem::path screens = std::filesystem::temp_directory_path() /
                                          ("v2m-offscreen-" + std::to_string(::getpid()) + ".json");
    // Under a scale factor it has as many device pixels more, so that the
    // window keeps the same room in logical pixels.
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    const double scale = factor != nullptr && std::atof(factor) > 0 ? std::atof(factor) : 1.0;
    std::ofstream(screens) << R"({"screens": [{"name": "offscreen", "x": 0, "y": 0,)"
                           << R"( "width": )" << std::lround(1280 * scale) << R"(, "height": )"
                           << std::lround(1024 * scale) << R"(, "logicalDpi": 96, "dpr": 1}]})";
    const std::string platform = V2M_QT_PLATFORM;
    ::setenv(
        "QT_QPA_PLATFORM",
        (platform == "offscreen" ? platform + ":configfile=" + screens.string() : platform).c_str(),
        1);
    // Windows made outside a test's own user folders keep their lists here,
    // never in the state folder of whoever runs the tests.
    const std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("v2m-state-" + std::to_string(::getpid()));
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    v2m::MediaRuntime runtime;
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    v2m::InstallMainThreadServices(std::make_shared<v2m::TQtMainThread>());
    ::testing::InitGoogleTest(&argc, argv);
    const std::optional<int> role = v2m::test::RunChildRole(argc, argv);
    const int status = role ? *role : RUN_ALL_TESTS();
    v2m::InstallMainThreadServices(nullptr);
    std::error_code ignored;
    std::filesystem::remove(screens, ignored);
    std::filesystem::remove_all(state, ignored);
    return status;
}
