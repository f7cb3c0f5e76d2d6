#pragma once

#include <optional>
#include <string>

namespace zolt {

// What a file to save holds: a fractal file (.zlt) or a picture (.png).
enum class SavedKind { Fractal, Picture };

// The file dialogs of the program: a place to ask the user for a file to open or a file name to
// save under. Each gives the chosen full path, or nothing when the user cancels or the dialog
// cannot be shown. The desktop program shows real dialogs; tests give answers.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Starts in `startDirectory`; the file must exist. Fractal files and pictures are offered.
    virtual std::optional<std::string> AskOpen(const std::string& startDirectory) = 0;
    // Starts in `startDirectory` with `initialName` filled in. Replacing an existing file is
    // confirmed by the user in the dialog.
    virtual std::optional<std::string> AskSave(const std::string& startDirectory,
                                               const std::string& initialName,
                                               SavedKind kind = SavedKind::Fractal) = 0;
};

}  // namespace zolt
