#pragma once

#include <optional>
#include <string>

namespace zolt {

// What a file to save holds: a fractal file (.zlt), a picture (.png) or a gradient (.ggr).
enum class SavedKind { Fractal, Picture, Gradient };
// What a file to open holds: a fractal (a .zlt file or a picture), or a gradient (.map, .ggr).
enum class OpenedKind { Fractal, Gradient };

// The file dialogs of the program: a place to ask the user for a file to open or a file name to
// save under. Each gives the chosen full path, or nothing when the user cancels or the dialog
// cannot be shown. The desktop program shows real dialogs; tests give answers.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Starts in `startDirectory`; the file must exist. The files of the kind are offered first.
    virtual std::optional<std::string> AskOpen(const std::string& startDirectory,
                                               OpenedKind kind = OpenedKind::Fractal) = 0;
    // Starts in `startDirectory` with `initialName` filled in. Replacing an existing file is
    // confirmed by the user in the dialog.
    virtual std::optional<std::string> AskSave(const std::string& startDirectory,
                                               const std::string& initialName,
                                               SavedKind kind = SavedKind::Fractal) = 0;
};

}  // namespace zolt
