// zolt-icon: draws the program's icon, the picture the window shows, as PNG files of the sizes
// the desktop's icon theme wants. Run at build time.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "shell/command_table.h"
#include "shell/icon_art.h"

int main(int argc, char** argv) {
    if (argc < 3 || (argc - 1) % 2 != 0) {
        std::fprintf(stderr, "usage: zolt-icon SIZE FILE.png [SIZE FILE.png ...]\n");
        return 2;
    }
    // No screen is needed to paint into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int i = 1; i + 1 < argc; i += 2) {
        const int pixels = QByteArray(argv[i]).toInt();
        if (pixels < 1 || pixels > 4096) {
            std::fprintf(stderr, "zolt-icon: invalid size '%s'\n", argv[i]);
            return 2;
        }
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(pixels / zolt::kArtUnits, pixels / zolt::kArtUnits);
            zolt::PaintArt(painter, zolt::Art::AppEye, pixels);
        }
        if (!image.save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "zolt-icon: cannot write '%s'\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
