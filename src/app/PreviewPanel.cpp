#include "PreviewPanel.h"

#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace v2m {

// The native window SDL draws into. Qt must never paint it, nor clear it
// before SDL draws: it has no paint engine and no background of its own, and
// is shown only while a file is open, so that once the file closes the
// panel's own black shows again.
class TPreviewPanel::TSurface final : public QWidget {
public:
    explicit TSurface(TPreviewPanel* panel) : QWidget(panel), panel_(panel) {
        setObjectName(QStringLiteral("pnlPreviewSurface"));
        setAttribute(Qt::WA_NativeWindow);
        // Only this window need be native; native ancestors would make the
        // whole window flicker on every resize of the group.
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_OpaquePaintEvent);
        hide();
    }

    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override {
        // Uncovered: only the player knows what belongs here.
        if (panel_->player_ != nullptr && panel_->file_open_) {
            panel_->player_->NotifyExpose();
        }
    }

private:
    TPreviewPanel* const panel_;
};

TPreviewPanel::TPreviewPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        surface_ = new TSurface(this);
    }
}

TPreviewPanel::~TPreviewPanel() = default;

QSize TPreviewPanel::DeviceSize() const {
    const qreal ratio = devicePixelRatio();
    return {qRound(width() * ratio), qRound(height() * ratio)};
}

TWindowHandle TPreviewPanel::BeginFile() {
    file_open_ = true;
    opening_ = true;
    picture_.reset();
    TellPlayerSize();
    if (surface_ == nullptr) {
        update();
        return 0;
    }
    surface_->setGeometry(rect());
    surface_->show();
    return static_cast<TWindowHandle>(surface_->winId());
}

void TPreviewPanel::EndOpen(bool opened) {
    opening_ = false;
    if (!opened) {
        FileClosed();
    }
}

void TPreviewPanel::FileClosed() {
    if (opening_) {
        return;
    }
    file_open_ = false;
    picture_.reset();
    if (surface_ != nullptr) {
        surface_->hide();
    }
    // At once: SDL's last picture must not linger until the next idle moment.
    repaint();
}

void TPreviewPanel::ShowPicture(std::shared_ptr<const TBitmap24> picture) {
    // One posted before the file closed may come after.
    if (!file_open_) {
        return;
    }
    picture_ = std::move(picture);
    update();
}

void TPreviewPanel::TellPlayerSize() {
    if (player_ == nullptr) {
        return;
    }
    const QSize size = DeviceSize();
    if (file_open_ && !opening_) {
        player_->NotifyResize(size.width(), size.height());
    } else {
        player_->SetScreenWidth(size.width());
        player_->SetScreenHeight(size.height());
    }
}

void TPreviewPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const TBitmap24* picture = picture_.get();
    if (picture == nullptr || picture->Width() <= 0 || picture->Height() <= 0) {
        return;
    }
    // Wrapped, not copied: the picture stays as the player made it for as
    // long as the panel holds it.
    const QImage image(picture->Bits(), picture->Width(), picture->Height(), picture->RowBytes(),
                       QImage::Format_BGR888);
    // The player draws at the size it was last told; until it catches up
    // with a resize its picture is stretched over the panel.
    painter.drawImage(rect(), image);
}

void TPreviewPanel::resizeEvent(QResizeEvent*) {
    if (surface_ != nullptr) {
        surface_->setGeometry(rect());
    }
    TellPlayerSize();
}

void TPreviewPanel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->setAccepted(pressed_);
}

void TPreviewPanel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && on_click_) {
        on_click_();
    }
}

}  // namespace v2m
