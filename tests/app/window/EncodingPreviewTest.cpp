// The encoding preview window: what a conversion's worker shows in it, and
// what the user does with it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include "EncodingPreview.h"
#include "MainThread.h"
#include "Previewer.h"

namespace v2m {
namespace {

TEncodingPreviewWindow* FindPreviewWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<TEncodingPreviewWindow*>(widget)) {
            return window;
        }
    }
    return nullptr;
}

// The window's picture: orange in BGR order.
void Paint(TBitmap24& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            bitmap.Row(y)[x * 3] = 0;
            bitmap.Row(y)[x * 3 + 1] = 128;
            bitmap.Row(y)[x * 3 + 2] = 255;
        }
}

TEST(EncodingPreviewTest, ShowsTheWorkersPicturesUntilTheUserClosesIt) {
    InstallEncodingPreview();
    TBitmap24 bitmap(121, 67);
    Paint(bitmap);
    auto previewer = std::make_unique<TPreviewer>();

    // The first picture comes from a worker, which waits for the main thread.
    std::atomic<bool> shown{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        shown = previewer->ShowFrame(bitmap, 1, 3723456000);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    ASSERT_TRUE(shown.load());

    TEncodingPreviewWindow* window = FindPreviewWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(121, 67));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("01:02:03.456"));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(window->Picture().pixelColor(60, 33), QColor(255, 128, 0));
    const QPoint screen_centre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->geometry().center() - screen_centre).manhattanLength(), 2);

    // Dragged by its picture.
    const QPoint start = window->pos();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(20, 20));
    const QPoint to = window->mapToGlobal(QPoint(20, 20)) + QPoint(35, -15);
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(window->pos(), start + QPoint(35, -15));

    // Later pictures keep the window's size and change its caption.
    bitmap.SetSize(40, 30);
    EXPECT_TRUE(previewer->ShowFrame(bitmap, 2, 61000));
    EXPECT_EQ(window->size(), QSize(121, 67));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("00:00:00.061"));

    window->close();
    EXPECT_FALSE(previewer->ShowFrame(bitmap, 3, 62000));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("00:00:00.061")) << "nothing shown";
    previewer.reset();
    EXPECT_EQ(FindPreviewWindow(), nullptr);
    RemoveEncodingPreview();
}

}  // namespace
}  // namespace v2m
