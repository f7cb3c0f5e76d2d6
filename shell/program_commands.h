#pragma once

#include <memory>

#include "dialogs/qt_file_dialogs.h"
#include "document/fractal_file.h"

namespace zolt {

class AboutDialog;
class ZoltApplication;

// Connects the commands whose work lives outside the shell (New, Open, Save, Save As,
// Properties, Options, About and the file named on the command line) to the running program,
// and owns what they keep for the whole run: the fractal file with its remembered directories,
// the file dialogs and the about dialog. It must outlive the program's event loop.
class ProgramCommands {
  public:
    explicit ProgramCommands(ZoltApplication& app);
    ~ProgramCommands();
    ProgramCommands(const ProgramCommands&) = delete;
    ProgramCommands& operator=(const ProgramCommands&) = delete;

  private:
    ZoltApplication& app_;
    FractalFile file_;
    QtFileDialogs dialogs_;
    std::unique_ptr<AboutDialog> about_;
};

}  // namespace zolt
