#pragma once

#include <optional>
#include <string>

namespace zolt {

// The two file dialogs of the program: a place to ask the user for a fractal file to open or
// a file name to save under. Both give the chosen full path, or nothing when the user cancels
// or the dialog cannot be shown. The desktop program shows real dialogs; tests give answers.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Starts in `startDirectory`; the file must exist.
    virtual std::optional<std::string> AskOpen(const std::string& startDirectory) = 0;
    // Starts in `startDirectory` with `initialName` filled in; an existing file is replaced
    // without a question.
    virtual std::optional<std::string> AskSave(const std::string& startDirectory,
                                               const std::string& initialName) = 0;
};

}  // namespace zolt
