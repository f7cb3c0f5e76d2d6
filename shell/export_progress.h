#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>
#include <functional>

#include "commands/picture_export.h"

namespace zolt {

// An export under way, as the window shows it: a progress dialog that leaves the window in use,
// with the percentage done, the time spent and Cancel. When the export ends it hands on what
// became of it and closes.
class ExportProgress final : public QProgressDialog {
    Q_OBJECT

  public:
    using Ended = std::function<void(const PictureExport::Outcome&)>;
    ExportProgress(PictureExport& picture, QWidget* parent, Ended ended);

  private:
    void Poll();

    PictureExport& picture_;
    Ended ended_;
    QTimer poll_;
    QElapsedTimer clock_;
    QString name_;
};

}  // namespace zolt
