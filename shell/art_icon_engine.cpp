#include "shell/art_icon_engine.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "shell/icon_art.h"

namespace zolt {

namespace {

// Grey with the picture's lightness, lifted and half transparent: the look of a disabled
// button on any background.
void Fade(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int alpha = qAlpha(p);
            if (alpha == 0)
                continue;
            // Premultiplied: unpremultiply the lightness before lifting it.
            const int grey = qGray(qRed(p), qGreen(p), qBlue(p)) * 255 / alpha;
            const int lifted = 96 + grey * 120 / 255;
            const int a = alpha * 11 / 20;
            line[x] = qRgba(lifted * a / 255, lifted * a / 255, lifted * a / 255, a);
        }
    }
}

}  // namespace

QPixmap ArtIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State,
                                    qreal scale) {
    const QSize pixels = (QSizeF(size) * scale).toSize();
    if (pixels.isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixels.width() / kArtUnits, pixels.height() / kArtUnits);
        PaintArt(painter, art_, pixels.width());
    }
    if (mode == QIcon::Disabled)
        Fade(image);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap ArtIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

void ArtIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                          QIcon::State state) {
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, ratio));
}

QIcon ArtIcon(Art art) {
    return QIcon(new ArtIconEngine(art));
}

}  // namespace zolt
