#include "shell/movie_progress_dialog.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "movie/movie_progress.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

constexpr QSize kPictureSize(240, 135);

}  // namespace

MovieProgressDialog::MovieProgressDialog(MovieExport& movie, QWidget* parent, Ended ended)
    : QDialog(parent), movie_(movie), ended_(std::move(ended)) {
    setObjectName(QStringLiteral("MovieProgress"));
    setWindowTitle(QStringLiteral("Export Zoom Movie"));
    setWindowModality(Qt::NonModal);
    step_ = new QLabel(this);
    step_->setObjectName(QStringLiteral("step"));
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("keyframe"));
    picture_->setFixedSize(kPictureSize);
    picture_->setAlignment(Qt::AlignCenter);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addWidget(bar_);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &MovieProgressDialog::CancelMovie);
    connect(&poll_, &QTimer::timeout, this, &MovieProgressDialog::Poll);
    Poll();
    // Looked at from the event loop, so that a movie that ends at once is told after whoever
    // started it has shown this dialog.
    poll_.start(100);
}

void MovieProgressDialog::reject() {
    CancelMovie();
}

void MovieProgressDialog::CancelMovie() {
    // The dialog stays until the threads have stopped, which a cancel makes quick.
    movie_.Cancel();
    cancelled_ = true;
    cancel_->setEnabled(false);
    step_->setText(QStringLiteral("Cancelling..."));
}

void MovieProgressDialog::Poll() {
    if (movie_.Done() && poll_.isActive()) {
        poll_.stop();
        hide();
        const MovieOutcome outcome = movie_.Finish();
        if (ended_)
            ended_(outcome);
        deleteLater();
        return;
    }
    const MovieProgress& progress = movie_.Progress();
    bar_->setValue(static_cast<int>(progress.Fraction() * 1000.0));
    if (const int serial = progress.PictureSerial(); serial != pictureSerial_) {
        pictureSerial_ = serial;
        const ImageBuffer keyframe = progress.Picture();
        const QImage image(reinterpret_cast<const uchar*>(keyframe.pixels.data()), keyframe.width,
                           keyframe.height, keyframe.width * 4, QImage::Format_RGB32);
        picture_->setPixmap(QPixmap::fromImage(
            image.scaled(kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    if (cancelled_)
        return;
    const double left = progress.SecondsLeft();
    const QString name =
        QFileInfo(QString::fromStdString(movie_.Output().path.string())).fileName();
    step_->setText(
        QStringLiteral("Making %1\n%2\n%3 left")
            .arg(name, QString::fromStdString(progress.Step()),
                 left < 0 ? QStringLiteral("-:--") : QString::fromStdString(DurationText(left))));
}

}  // namespace zolt
