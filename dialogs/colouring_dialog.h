#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "engine/colouring.h"
#include "engine/image_buffer.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace zolt {

class FileDialogs;
struct GradientEdit;
class GradientStrip;
class UiSurface;
class Workspace;

// Where the colouring dialog reads and writes gradient files: the file dialogs, the surface its
// messages go through, and the folder the file dialogs start in (the one last chosen, kept by
// the caller for the run).
struct GradientFileAccess {
    FileDialogs& dialogs;
    UiSurface& ui;
    std::string& directory;
};

// View > Colouring: the method with the settings that apply to it, the interior colour, and the
// gradient: a preset, the stops on a strip (see GradientStrip), its repeat length and offset,
// and .map or .ggr files in and a .ggr out. Every change is handed at once to the function
// given to OnChange, which shows it on the picture.
//
// Edits of stops go through the gradient's own edit rules (colour/gradient.h): a gradient that
// is not one of stops becomes one at its first edit, and an edit the rules refuse is said in a
// message and changes nothing.
class ColouringDialog final : public QDialog {
    Q_OBJECT

  public:
    // `palette` gives the classic gradient's colours; `note` says what a change does to the
    // picture shown.
    ColouringDialog(const Colouring& colouring, std::vector<Pixel> palette, const QString& note,
                    GradientFileAccess files, QWidget* parent = nullptr);

    const Colouring& Chosen() const { return colouring_; }
    void OnChange(std::function<void(const Colouring&)> change) { change_ = std::move(change); }

    // The controls, for the tests that drive them.
    GradientStrip* Strip() const { return strip_; }

  private:
    void Build();
    QWidget* BuildMethod();
    QWidget* BuildGradient();
    void Connect();
    // Shows the colouring in every control, without reporting a change.
    void Fill();
    void ShowGradient();
    // The selected stop's controls.
    void ShowStop();
    // Enables a field and its label.
    void Enable(QWidget* field, bool on);
    void EnableForMethod();
    void Changed();

    void SetGradient(const Gradient& gradient);
    // The gradient as the stop edits take it.
    Gradient Editable() const;
    // Makes an edit of the stops, or says why it cannot be made.
    void Apply(const GradientEdit& edit);
    void AddStopAt(double position);
    void AskStopColour(int index);
    void AskInterior();
    void Import();
    void Export();

    Colouring colouring_;
    std::vector<Pixel> palette_;
    GradientFileAccess files_;
    std::function<void(const Colouring&)> change_;
    bool filling_ = false;

    QComboBox* method_ = nullptr;
    QDoubleSpinBox* thickness_ = nullptr;
    QDoubleSpinBox* strength_ = nullptr;
    QSpinBox* angle_ = nullptr;
    QPushButton* interior_ = nullptr;
    QComboBox* preset_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* export_ = nullptr;
    GradientStrip* strip_ = nullptr;
    QLabel* about_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* colour_ = nullptr;
    QDoubleSpinBox* position_ = nullptr;
    QDoubleSpinBox* repeat_ = nullptr;
    QDoubleSpinBox* offset_ = nullptr;
    QLabel* note_ = nullptr;
};

// View > Colouring on the current definition: runs the dialog beside the main window, the
// picture following every change. OK keeps the colouring, Cancel puts back the one there was.
// True when a different colouring was kept.
bool EditColouring(Workspace& workspace, FileDialogs& dialogs, std::string& gradientDirectory,
                   QWidget* parent);

}  // namespace zolt
