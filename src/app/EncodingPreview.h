#pragma once
// The window that shows the pictures a conversion encodes: small, above the
// other windows, with only a close button. It can be dragged by any point of
// its picture, since it has hardly any frame to hold.

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "Previewer.h"

namespace v2m {

class TEncodingPreviewWindow final : public QWidget, public TPreviewWindow {
public:
    TEncodingPreviewWindow();
    ~TEncodingPreviewWindow() override;
    TEncodingPreviewWindow(const TEncodingPreviewWindow&) = delete;
    TEncodingPreviewWindow& operator=(const TEncodingPreviewWindow&) = delete;

    void ShowBitmap(const TBitmap24& bitmap, int32_t frame_number, int64_t pts) override;
    bool Closed() const override { return closed_; }

    // The picture shown last.
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool closed_ = false;
    bool dragging_ = false;
    QPoint grab_offset_;  // the cursor's place relative to the window's frame
};

// Makes the conversions' preview windows of this application: installed at
// start-up, taken away at shutdown.
void InstallEncodingPreview();
void RemoveEncodingPreview();

}  // namespace v2m
