#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "commands/movie_export.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zolt {

// A movie under way, as the window shows it: a dialog that leaves the window in use, with what
// the movie does now, the share done, the time left, the keyframe computed last as a small
// picture, and Cancel. When the movie ends it hands on what became of it and closes.
class MovieProgressDialog final : public QDialog {
    Q_OBJECT

  public:
    using Ended = std::function<void(const MovieOutcome&)>;
    MovieProgressDialog(MovieExport& movie, QWidget* parent, Ended ended);

    // Closing the dialog cancels the movie, as Cancel does; it goes when the threads stop.
    void reject() override;

  private:
    void Poll();
    void CancelMovie();

    MovieExport& movie_;
    Ended ended_;
    QTimer poll_;
    QLabel* step_;
    QProgressBar* bar_;
    QLabel* picture_;
    QPushButton* cancel_;
    int pictureSerial_ = 0;
    bool cancelled_ = false;
};

}  // namespace zolt
