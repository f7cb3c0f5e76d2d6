#include "shell/export_progress.h"

#include <QFileInfo>

#include "generation/pass_schedule.h"
#include "settings/number_text.h"

namespace zolt {

ExportProgress::ExportProgress(PictureExport& picture, QWidget* parent, Ended ended)
    : QProgressDialog(parent), picture_(picture), ended_(std::move(ended)) {
    setObjectName(QStringLiteral("ExportProgress"));
    setWindowTitle(QStringLiteral("Export Image"));
    setWindowModality(Qt::NonModal);
    setRange(0, 100);
    setMinimumDuration(0);
    // It closes when the export has ended, not when Cancel is pressed: the threads first stop.
    setAutoReset(false);
    setAutoClose(false);
    name_ = QFileInfo(QString::fromStdString(picture.Path())).fileName();
    connect(this, &QProgressDialog::canceled, this, [this] {
        picture_.Cancel();
        setLabelText(QStringLiteral("Cancelling..."));
        // QProgressDialog hides itself on Cancel; it stays until the threads have stopped.
        show();
    });
    connect(&poll_, &QTimer::timeout, this, &ExportProgress::Poll);
    clock_.start();
    // The first look comes from the event loop too, so that an export that ends at once is told
    // after whoever started it has shown this dialog, not in the middle of it.
    poll_.start(100);
}

void ExportProgress::Poll() {
    if (picture_.Done()) {
        poll_.stop();
        hide();
        const PictureExport::Outcome outcome = picture_.Finish();
        if (ended_)
            ended_(outcome);
        deleteLater();
        return;
    }
    const int rows = std::max(picture_.Rows(), 1);
    setValue(static_cast<int>(100LL * picture_.RowsDone() / rows));
    if (wasCanceled())
        return;
    // A deep view's reference comes before the first row and may take a while: say so, with
    // the memory it takes and, once a percent is done, how long it will take.
    const int reference = picture_.ReferencePercent();
    const QString step = reference >= 0 ? QString::fromStdString(ReferenceEstimateText(
                                              reference / 100.0, picture_.ReferenceBytes(),
                                              static_cast<double>(clock_.elapsed()) / 1000.0)) +
                                              u'\n'
                                        : QString();
    const auto left = picture_.SecondsLeft();
    const QString remaining =
        left ? QStringLiteral(", about %1 left").arg(QString::fromStdString(DurationText(*left)))
             : QString();
    setLabelText(QStringLiteral("Exporting %1\n%2%3 s%4")
                     .arg(name_, step, QString::number(clock_.elapsed() / 1000), remaining));
}

}  // namespace zolt
