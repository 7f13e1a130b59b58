#pragma once
// The preview's place in the main window. On X11 the player draws straight
// into a native window of the panel; on any other platform (Wayland, the
// offscreen platform of the tests) SDL cannot draw into a Qt window, so the
// player hands the panel finished pictures and the panel draws them itself.

#include <QWidget>

#include <functional>
#include <memory>

#include "Bitmap24.h"
#include "FFPlay.h"

namespace v2m {

class TPreviewPanel final : public QWidget {
public:
    explicit TPreviewPanel(QWidget* parent);
    ~TPreviewPanel() override;
    TPreviewPanel(const TPreviewPanel&) = delete;
    TPreviewPanel& operator=(const TPreviewPanel&) = delete;

    // The player told of the panel's size and exposure; null for none.
    void SetPlayer(TCustomPlayer* player) { player_ = player; }
    void SetOnClick(std::function<void()> handler) { on_click_ = std::move(handler); }

    // The player draws into a window of the panel (rather than handing it pictures).
    bool DrawnByPlayer() const { return surface_ != nullptr; }
    // The panel's size in device pixels, the size the player draws at.
    QSize DeviceSize() const;

    // A file is about to be opened: the window the player is to draw into
    // (0 when it hands its pictures over) is on screen and its size known.
    TWindowHandle BeginFile();
    // How the open went; a file that did not open leaves the panel black.
    void EndOpen(bool opened);
    // The player closed its file: the panel's own drawing replaces the last
    // picture. Ignored while a file is being opened, since the player closes
    // the previous file first.
    void FileClosed();
    // The player's latest picture, for the panel to draw.
    void ShowPicture(std::shared_ptr<const TBitmap24> picture);
    // The picture the panel shows; null when it is black.
    const std::shared_ptr<const TBitmap24>& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    class TSurface;

    void TellPlayerSize();

    TCustomPlayer* player_ = nullptr;
    std::function<void()> on_click_;
    TSurface* surface_ = nullptr;
    bool file_open_ = false;
    bool opening_ = false;
    bool pressed_ = false;
    std::shared_ptr<const TBitmap24> picture_;
};

}  // namespace v2m
