#pragma once

namespace zolt {

struct AppContext;
struct CommandHooks;
class ShellOperations;

// Carries out command `id` (1 to 27) from the menu, a key or a toolbar button: each id is one
// call into the part of the program that owns it. A command that is disabled, or an id
// outside 1 to 27, does nothing. True when the command ran.
bool DispatchCommand(int id, AppContext& app, ShellOperations& shell, const CommandHooks& hooks);

}  // namespace zolt
