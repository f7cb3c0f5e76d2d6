#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <cmath>

#include "dialogs/about_layout.h"
#include "dialogs/about_picture.h"
#include "dialogs/dialog_fit.h"
#include "dialogs/dialog_templates.h"

namespace zolt {

namespace {

// The picture drawn at the screen's own density, so it stays sharp on high-density screens.
QPixmap AboutPixmap(qreal density) {
    const int pixels = static_cast<int>(std::lround(kPictureSize * density));
    const ImageBuffer picture = RenderAboutPicture(pixels);
    const QImage view(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                      picture.height, static_cast<qsizetype>(picture.width * sizeof(Pixel)),
                      QImage::Format_RGB32);
    // The view only borrows the pixels, and a pixmap made from it may go on borrowing them;
    // copy them before `picture` goes away.
    QPixmap pixmap = QPixmap::fromImage(view.copy());
    pixmap.setDevicePixelRatio(density);
    return pixmap;
}

}  // namespace

// The about dialog: the picture, the name and version, the credit line and the date.
void BuildAboutTemplate(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog.setWindowTitle("About Zolt");

    auto* picture = AddControl<QLabel>(dialog, kPictureId);
    picture->setPixmap(AboutPixmap(dialog.devicePixelRatioF()));
    AddControl<QLabel>(dialog, kVersionLabelId, "Zolt");
    AddControl<QLabel>(dialog, kCreditLabelId, "Escape-time explorer by the Zolt developers");
    AddControl<QLabel>(dialog, kDateLabelId, "21/10/98");
    AddControl<QPushButton>(dialog, kOkId, "&OK")->setDefault(true);
}

}  // namespace zolt
