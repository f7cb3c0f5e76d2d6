#pragma once

#include <QFileDialog>
#include <optional>
#include <string>

#include "commands/file_dialogs.h"

class QWidget;

namespace zolt {

// The Open and Save dialogs of the desktop program, modal over the owner window and centred on
// its screen. Open lists the files of its kind first (fractal files and pictures, or gradients),
// all files second; Save lists the kind it saves first and adds its suffix ("zlt", "png" or
// "ggr") to a typed name that has none, and asks before it replaces a file that exists.
class QtFileDialogs : public FileDialogs {
  public:
    explicit QtFileDialogs(QWidget* owner) : owner_(owner) {}

    std::optional<std::string> AskOpen(const std::string& startDirectory,
                                       OpenedKind kind = OpenedKind::Fractal) override;
    std::optional<std::string> AskSave(const std::string& startDirectory,
                                       const std::string& initialName,
                                       SavedKind kind = SavedKind::Fractal) override;

  private:
    std::optional<std::string> Run(QFileDialog& dialog);

    QWidget* owner_;
};

}  // namespace zolt
