#pragma once
// The window's pictures, drawn by the program itself: the toolbar's large
// buttons, the preview buttons, the placeholders of the file list and the
// preview, and the window's icon.

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace v2m {

enum class TPicture {
    AddFiles,
    AddFolder,
    Remove,
    Clear,
    Start,
    Pause,
    Stop,
    Help,
    VisitHome,
    Skin,
    About,
    Play,  // the preview's "play" picture
    PreviewPause,
    PreviewStop,
    Application,
};

// The picture at the sizes the window shows it (small, large and double).
// The preview's glyphs (Play, PreviewPause, PreviewStop) are drawn in
// `glyph`, the skin's button text colour, so that they show on any skin.
QIcon PictureIcon(TPicture picture, const QColor& glyph = QColor(0x2b, 0x3a, 0x4f));

// What the file list's place shows while the list is empty, `size` in logical
// pixels drawn at `scale` device pixels to each.
QPixmap StartPicture(QSize size, qreal scale = 1.0);
// What the preview's place shows while nothing is previewed.
QPixmap PreviewStillPicture(QSize size, qreal scale = 1.0);

}  // namespace v2m
