#include "Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <iterator>

namespace v2m {

namespace {

// Every picture is drawn on a 32 by 32 grid and scaled to the size asked for,
// so that each size is drawn sharp rather than resampled.
constexpr double kGrid = 32.0;

QColor Darker(const QColor& color, int factor = 140) {
    return color.darker(factor);
}

// A round badge with a glossy fill, the base of the command pictures.
void Badge(QPainter& p, QPointF centre, double radius, const QColor& color) {
    QRadialGradient fill(centre - QPointF(radius * 0.35, radius * 0.45), radius * 1.5);
    fill.setColorAt(0.0, color.lighter(150));
    fill.setColorAt(0.55, color);
    fill.setColorAt(1.0, Darker(color));
    p.setPen(QPen(Darker(color, 170), 1.0));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
    // The gloss on the upper half.
    QPainterPath gloss;
    gloss.addEllipse(
        QRectF(centre.x() - radius * 0.7, centre.y() - radius * 0.92, radius * 1.4, radius * 0.95));
    QLinearGradient shine(0, centre.y() - radius, 0, centre.y());
    shine.setColorAt(0.0, QColor(255, 255, 255, 150));
    shine.setColorAt(1.0, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawPath(gloss);
}

void WhitePen(QPainter& p, double width) {
    QPen pen(Qt::white, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

// A sheet of paper with a folded corner and a few lines of text.
void Document(QPainter& p, QRectF r) {
    const double fold = r.width() * 0.32;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    QLinearGradient paper(r.topLeft(), r.bottomRight());
    paper.setColorAt(0.0, QColor("#ffffff"));
    paper.setColorAt(1.0, QColor("#d9e2ee"));
    p.setPen(QPen(QColor("#6f7f96"), 1.0));
    p.setBrush(paper);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.setBrush(QColor("#c4cfde"));
    p.drawPath(corner);
    // A film frame on the sheet: these are video files.
    const QRectF frame(r.left() + 3, r.top() + fold + 2, r.width() - 6, r.height() * 0.3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#3c4a5e"));
    p.drawRoundedRect(frame, 1.2, 1.2);
    p.setBrush(QColor("#e8eef6"));
    for (double x = frame.left() + 1.2; x < frame.right() - 1.5; x += 3.0) {
        p.drawRect(QRectF(x, frame.top() + 0.8, 1.4, 1.2));
        p.drawRect(QRectF(x, frame.bottom() - 2.0, 1.4, 1.2));
    }
    p.setPen(QPen(QColor("#9aa8bb"), 1.0));
    for (double y = frame.bottom() + 3; y < r.bottom() - 2; y += 3.0) {
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 4, y));
    }
}

void Folder(QPainter& p, QRectF r) {
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 3);
    back.lineTo(r.left() + r.width() * 0.38, r.top() + 3);
    back.lineTo(r.left() + r.width() * 0.46, r.top());
    back.lineTo(r.right(), r.top());
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(QPen(QColor("#a27414"), 1.0));
    p.setBrush(QColor("#e9b53c"));
    p.drawPath(back);
    QLinearGradient front(0, r.top() + 6, 0, r.bottom());
    front.setColorAt(0.0, QColor("#ffe08a"));
    front.setColorAt(1.0, QColor("#f0b536"));
    p.setBrush(front);
    p.drawRoundedRect(QRectF(r.left(), r.top() + 6, r.width(), r.height() - 6), 1.5, 1.5);
}

void Plus(QPainter& p, QPointF c, double arm) {
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

void Minus(QPainter& p, QPointF c, double arm) {
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
}

void Triangle(QPainter& p, QPointF c, double size, const QColor& color) {
    QPainterPath play;
    play.moveTo(c.x() - size * 0.45, c.y() - size * 0.6);
    play.lineTo(c.x() + size * 0.65, c.y());
    play.lineTo(c.x() - size * 0.45, c.y() + size * 0.6);
    play.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(play);
}

void Bars(QPainter& p, QPointF c, double size, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const double w = size * 0.32;
    const double h = size * 1.1;
    p.drawRoundedRect(QRectF(c.x() - size * 0.45, c.y() - h / 2, w, h), 0.8, 0.8);
    p.drawRoundedRect(QRectF(c.x() + size * 0.13, c.y() - h / 2, w, h), 0.8, 0.8);
}

void Square(QPainter& p, QPointF c, double size, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(c.x() - size / 2, c.y() - size / 2, size, size), 1.0, 1.0);
}

void Glyph(QPainter& p, QPointF c, const QString& text, double height) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(height));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(c.x() - height, c.y() - height / 2 - 1, height * 2, height + 2),
               Qt::AlignCenter, text);
}

void Bin(QPainter& p) {
    QLinearGradient body(6, 0, 26, 0);
    body.setColorAt(0.0, QColor("#9fb0c4"));
    body.setColorAt(0.5, QColor("#eef3f9"));
    body.setColorAt(1.0, QColor("#8a9bb1"));
    QPainterPath can;
    can.moveTo(7, 9);
    can.lineTo(25, 9);
    can.lineTo(23, 29);
    can.lineTo(9, 29);
    can.closeSubpath();
    p.setPen(QPen(QColor("#4f5e73"), 1.0));
    p.setBrush(body);
    p.drawPath(can);
    p.setPen(QPen(QColor("#66768c"), 1.2));
    for (double x : {12.0, 16.0, 20.0}) {
        p.drawLine(QPointF(x, 12), QPointF(x + (x - 16) * 0.08, 26));
    }
    p.setPen(QPen(QColor("#4f5e73"), 1.0));
    p.setBrush(QColor("#c7d2df"));
    p.drawRoundedRect(QRectF(5, 5.5, 22, 3.5), 1.2, 1.2);
    p.drawRoundedRect(QRectF(13, 3, 6, 2.5), 1.0, 1.0);
}

void House(QPainter& p) {
    QPainterPath roof;
    roof.moveTo(3, 16);
    roof.lineTo(16, 4);
    roof.lineTo(29, 16);
    roof.closeSubpath();
    QLinearGradient tiles(0, 4, 0, 16);
    tiles.setColorAt(0.0, QColor("#f06b4a"));
    tiles.setColorAt(1.0, QColor("#b8321b"));
    QLinearGradient wall(0, 14, 0, 29);
    wall.setColorAt(0.0, QColor("#fff7e6"));
    wall.setColorAt(1.0, QColor("#e6d3ad"));
    p.setPen(QPen(QColor("#7a5b2e"), 1.0));
    p.setBrush(wall);
    p.drawRect(QRectF(7, 14, 18, 15));
    p.setPen(QPen(QColor("#7d2413"), 1.0));
    p.setBrush(tiles);
    p.drawPath(roof);
    p.setPen(QPen(QColor("#5a3b12"), 0.8));
    p.setBrush(QColor("#8a5a25"));
    p.drawRect(QRectF(13.5, 20, 5, 9));
    p.setBrush(QColor("#7fc3f5"));
    p.drawRect(QRectF(9, 17, 3.2, 3.2));
    p.drawRect(QRectF(20, 17, 3.2, 3.2));
}

void Palette(QPainter& p) {
    QPainterPath board;
    board.addEllipse(QRectF(3, 6, 26, 21));
    QPainterPath hole;
    hole.addEllipse(QRectF(19, 17, 5, 4.5));
    p.setPen(QPen(QColor("#8a6a3a"), 1.0));
    p.setBrush(QColor("#f3dfb5"));
    p.drawPath(board.subtracted(hole));
    const QColor dots[] = {QColor("#e23b3b"), QColor("#f2b420"), QColor("#35a852"),
                           QColor("#2f7fd6"), QColor("#8c4fd0")};
    const QPointF places[] = {{9, 12}, {15, 10}, {21, 11.5}, {8, 19}, {12.5, 23}};
    p.setPen(Qt::NoPen);
    for (size_t i = 0; i < std::size(dots); ++i) {
        p.setBrush(dots[i]);
        p.drawEllipse(places[i], 2.4, 2.4);
    }
}

void FilmAndNote(QPainter& p) {
    QLinearGradient film(0, 4, 0, 24);
    film.setColorAt(0.0, QColor("#485a74"));
    film.setColorAt(1.0, QColor("#222c3b"));
    p.setPen(Qt::NoPen);
    p.setBrush(film);
    p.drawRoundedRect(QRectF(2, 5, 22, 18), 2, 2);
    p.setBrush(QColor("#dce6f2"));
    for (double x = 4; x < 22; x += 4) {
        p.drawRect(QRectF(x, 6.5, 2, 2));
        p.drawRect(QRectF(x, 19.5, 2, 2));
    }
    p.setBrush(QColor("#6fb3ff"));
    p.drawRect(QRectF(4, 10, 18, 8));
    // The note: the audio that comes out of the video.
    p.setBrush(QColor("#ff8a1f"));
    p.setPen(QPen(QColor("#b35300"), 0.8));
    p.drawEllipse(QPointF(20, 27), 3.6, 2.8);
    p.drawEllipse(QPointF(28, 25), 3.6, 2.8);
    QPen stem(QColor("#b35300"), 2.0);
    p.setPen(stem);
    p.drawLine(QPointF(23.2, 26.5), QPointF(23.2, 13));
    p.drawLine(QPointF(31, 24.5), QPointF(31, 11));
    p.drawLine(QPointF(23.2, 13), QPointF(31, 11));
}

void Draw(QPainter& p, TPicture picture, const QColor& glyph) {
    const QPointF badge(23, 23);
    switch (picture) {
        case TPicture::AddFiles:
            Document(p, QRectF(4, 2, 19, 26));
            Badge(p, badge, 7.5, QColor("#2ea043"));
            WhitePen(p, 2.2);
            Plus(p, badge, 3.6);
            break;
        case TPicture::AddFolder:
            Folder(p, QRectF(2, 6, 24, 19));
            Badge(p, badge, 7.5, QColor("#2ea043"));
            WhitePen(p, 2.2);
            Plus(p, badge, 3.6);
            break;
        case TPicture::Remove:
            Document(p, QRectF(4, 2, 19, 26));
            Badge(p, badge, 7.5, QColor("#d73a3a"));
            WhitePen(p, 2.4);
            Minus(p, badge, 3.8);
            break;
        case TPicture::Clear:
            Bin(p);
            break;
        case TPicture::Start:
            Badge(p, QPointF(16, 16), 13.5, QColor("#2ea043"));
            Triangle(p, QPointF(16.5, 16), 12, Qt::white);
            break;
        case TPicture::Pause:
            Badge(p, QPointF(16, 16), 13.5, QColor("#e09a12"));
            Bars(p, QPointF(16, 16), 11, Qt::white);
            break;
        case TPicture::Stop:
            Badge(p, QPointF(16, 16), 13.5, QColor("#d73a3a"));
            Square(p, QPointF(16, 16), 10, Qt::white);
            break;
        case TPicture::Help:
            Badge(p, QPointF(16, 16), 13.5, QColor("#2f7fd6"));
            Glyph(p, QPointF(16, 16), QStringLiteral("?"), 18);
            break;
        case TPicture::About:
            Badge(p, QPointF(16, 16), 13.5, QColor("#2f7fd6"));
            Glyph(p, QPointF(16, 16), QStringLiteral("i"), 18);
            break;
        case TPicture::VisitHome:
            House(p);
            break;
        case TPicture::Skin:
            Palette(p);
            break;
        case TPicture::Play:
            Triangle(p, QPointF(15, 16), 20, glyph);
            break;
        case TPicture::PreviewPause:
            Bars(p, QPointF(16, 16), 18, glyph);
            break;
        case TPicture::PreviewStop:
            Square(p, QPointF(16, 16), 17, glyph);
            break;
        case TPicture::Application:
            FilmAndNote(p);
            break;
    }
}

// A pixmap of `size` logical pixels with `scale` device pixels to each, so
// that a high-density screen gets as many pixels as it shows; painting on it
// is in logical pixels.
QPixmap Canvas(QSize size, qreal scale) {
    QPixmap pixmap((QSizeF(size) * scale).toSize());
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap Render(TPicture picture, int size, const QColor& glyph, qreal scale = 1.0) {
    QPixmap pixmap = Canvas(QSize(size, size), scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(size / kGrid, size / kGrid);
    Draw(painter, picture, glyph);
    return pixmap;
}

// A soft panel with rounded corners, the ground of the two placeholders.
void Panel(QPainter& p, QRectF r, const QColor& top, const QColor& bottom) {
    QLinearGradient ground(r.topLeft(), r.bottomLeft());
    ground.setColorAt(0.0, top);
    ground.setColorAt(1.0, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawRect(r);
}

}  // namespace

QIcon PictureIcon(TPicture picture, const QColor& glyph) {
    // Drawn for screens of up to three device pixels to a logical one; the icon
    // scales down from the next larger, never up.
    QIcon icon;
    for (qreal scale : {1.0, 2.0, 3.0}) {
        for (int size : {16, 24, 32, 48, 64}) {
            icon.addPixmap(Render(picture, size, glyph, scale));
        }
    }
    return icon;
}

QPixmap StartPicture(QSize size, qreal scale) {
    QPixmap pixmap = Canvas(size, scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0, 0, size.width(), size.height());
    Panel(p, area, QColor("#fdfeff"), QColor("#e4edf8"));
    p.setPen(QPen(QColor("#9db6d6"), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
    // A dashed drop area with the program's picture in its middle.
    const QRectF drop = area.adjusted(24, 20, -24, -20);
    QPen dashes(QColor("#a9c0de"), 2.0, Qt::DashLine);
    p.setPen(dashes);
    p.drawRoundedRect(drop, 12, 12);
    const int picture = std::min(size.width(), size.height()) / 3;
    p.drawPixmap(QPointF(drop.center().x() - picture / 2.0, drop.top() + 24),
                 Render(TPicture::Application, picture, Qt::black, scale));
    QFont font = p.font();
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(QColor("#4d6382"));
    p.drawText(
        QRectF(drop.left(), drop.top() + 36 + picture, drop.width(), 24), Qt::AlignCenter,
        QCoreApplication::translate("v2m::TForm1", "Add video files to extract their audio"));
    return pixmap;
}

QPixmap PreviewStillPicture(QSize size, qreal scale) {
    QPixmap pixmap = Canvas(size, scale);
    pixmap.fill(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0, 0, size.width(), size.height());
    Panel(p, area, QColor("#26313f"), QColor("#0b0f16"));
    // Film perforations along the top and bottom edges.
    p.setBrush(QColor(255, 255, 255, 40));
    for (double x = 6; x < area.width() - 8; x += 16) {
        p.drawRoundedRect(QRectF(x, 5, 9, 6), 1.5, 1.5);
        p.drawRoundedRect(QRectF(x, area.height() - 11, 9, 6), 1.5, 1.5);
    }
    const QPointF centre = area.center();
    QRadialGradient glow(centre, 46);
    glow.setColorAt(0.0, QColor(90, 160, 255, 120));
    glow.setColorAt(1.0, QColor(90, 160, 255, 0));
    p.setBrush(glow);
    p.drawEllipse(centre, 46, 46);
    p.setPen(QPen(QColor(255, 255, 255, 170), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 26, 26);
    Triangle(p, centre + QPointF(2, 0), 26, QColor(255, 255, 255, 190));
    return pixmap;
}

}  // namespace v2m
