#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zolt {

class FileDialogs;
class FractalFile;
struct AppContext;

// The File menu's Open, Save and Save As, and the file named on the command line. Each
// returns true when it loaded or wrote the file.

// Asks for a file in the remembered open directory and loads it; the generator is then made
// ready (and generates when automatic generation is on). Cancel, an unreadable file and a
// malformed one fail silently here; the reader has shown its own message where one applies.
bool OpenFractal(AppContext& app, FractalFile& file, FileDialogs& dialogs);

// Writes the definition into the save directory under its own name, without a dialog, when it
// was last loaded or saved; an untitled definition goes through Save As. "Failed to save file."
// when writing into the save directory fails; the old file is then unchanged.
bool SaveFractal(AppContext& app, FractalFile& file, FileDialogs& dialogs);

// Asks for a file name, starting from the definition's name, and writes the file there. An
// existing file is replaced without a question. Nothing is shown on failure or cancel.
bool SaveFractalAs(AppContext& app, FractalFile& file, FileDialogs& dialogs);

// Loads the file at `path` (the command line at start-up); "Failed to open file." on failure.
bool OpenNamedFile(AppContext& app, FractalFile& file, std::string_view path);

// The program's arguments after its name (argv + 1 to argv + argc), joined with single blanks:
// one file name, used as it stands (no splitting at blanks, no quote removal). Empty when there
// are none.
std::string JoinCommandLine(std::span<const char* const> arguments);

}  // namespace zolt
