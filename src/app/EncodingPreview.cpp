#include "EncodingPreview.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include <memory>
#include <mutex>

#include "MyUtils.h"

namespace v2m {

TEncodingPreviewWindow::TEncodingPreviewWindow()
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("EncodingPreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TEncodingPreviewWindow::~TEncodingPreviewWindow() = default;

void TEncodingPreviewWindow::ShowBitmap(const TBitmap24& bitmap, int32_t /*frame_number*/,
                                        int64_t pts) {
    {
        // The conversion draws its next picture into the same bitmap once
        // this call has returned, so the window keeps a copy of its own.
        std::lock_guard lock(bitmap);
        picture_ = QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.RowBytes(),
                          QImage::Format_BGR888)
                       .copy();
    }
    if (!isVisible() && !closed_) {
        setFixedSize(bitmap.Width(), bitmap.Height());
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                            screen->availableGeometry()));
        }
        show();
    }
    setWindowTitle(QString::fromStdString(DurationText(pts)));
    update();
}

void TEncodingPreviewWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPoint(0, 0), picture_);
}

void TEncodingPreviewWindow::closeEvent(QCloseEvent* event) {
    closed_ = true;
    event->accept();
}

void TEncodingPreviewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window manager moves the window when it can; otherwise (platforms
    // without one) the window follows the mouse itself.
    QWindow* window = windowHandle();
    if (window != nullptr && window->startSystemMove()) {
        return;
    }
    dragging_ = true;
    grab_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TEncodingPreviewWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        move(event->globalPosition().toPoint() - grab_offset_);
    }
}

void TEncodingPreviewWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
}

void InstallEncodingPreview() {
    InstallPreviewWindowFactory([] { return std::make_unique<TEncodingPreviewWindow>(); });
}

void RemoveEncodingPreview() {
    InstallPreviewWindowFactory(nullptr);
}

}  // namespace v2m
