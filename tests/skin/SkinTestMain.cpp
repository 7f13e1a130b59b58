// The skin tests need a QApplication, and no display: they run on Qt's
// offscreen platform whatever the environment says. This main replaces the
// shared test main, which starts the media runtime these tests do not use.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
