#pragma once

#include <QFileDialog>
#include <optional>
#include <string>

#include "commands/file_dialogs.h"

class QWidget;

namespace zolt {

// The Open and Save dialogs of the desktop program, modal over the owner window and centred on
// its screen, listing fractal files first and all files second, with the suffix "zlt" added to
// a typed name that has none.
class QtFileDialogs : public FileDialogs {
  public:
    explicit QtFileDialogs(QWidget* owner) : owner_(owner) {}

    std::optional<std::string> AskOpen(const std::string& startDirectory) override;
    // Replaces an existing file without asking, as Save does.
    std::optional<std::string> AskSave(const std::string& startDirectory,
                                       const std::string& initialName) override;

  private:
    std::optional<std::string> Run(QFileDialog& dialog);

    QWidget* owner_;
};

}  // namespace zolt
