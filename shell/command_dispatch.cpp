#include "shell/command_dispatch.h"

#include "commands/app_context.h"
#include "commands/navigation_commands.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
#include "shell/command_hooks.h"
#include "shell/shell_operations.h"
#include "surface/command_ids.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

void Run(const std::function<void()>& hook) {
    if (hook)
        hook();
}

}  // namespace

bool DispatchCommand(int id, AppContext& app, ShellOperations& shell, const CommandHooks& hooks) {
    // Menus, keys and buttons of a disabled command are off already; this keeps any other
    // route (a queued trigger, a test) from running it either.
    if (!app.ui.IsCommandEnabled(id))
        return false;
    switch (id) {
        case kCmdNew:
            Run(hooks.newFractal);
            break;
        case kCmdOpen:
            Run(hooks.open);
            break;
        case kCmdSave:
            Run(hooks.save);
            break;
        case kCmdSaveAs:
            Run(hooks.saveAs);
            break;
        case kCmdProperties:
            Run(hooks.properties);
            break;
        case kCmdExit:
            shell.QuitApplication();
            break;
        case kCmdOptions:
            app.defaults.Edit();
            break;
        case kCmdAbout:
            Run(hooks.about);
            break;
        case kCmdHome:
            GoHome(app.current, app.generator, app.ui);
            break;
        case kCmdBack:
        case kCmdForward:
            Step(id == kCmdBack, app.current, app.history, app.generator, app.ui);
            break;
        case kCmdGenerate:
            app.generator.Generate(true, true);
            break;
        case kCmdStop:
            app.generator.Stop();
            break;
        case kCmdContinue:
            app.generator.Continue();
            break;
        case kCmdSkip:
            app.generator.Skip();
            break;
        case kCmdRefresh:
            app.ui.InvalidateView();
            break;
        case kCmdToolbar:
            shell.ToggleToolbar();
            break;
        case kCmdStatusBar:
            shell.ToggleStatusbar();
            break;
        case kCmdMail:
        case kCmdWeb:
            shell.OpenContact(id == kCmdMail, id == kCmdWeb);
            break;
        default:  // the seven priorities
            shell.SetPriority(id - kCmdPriorityLowest + 1);
            break;
    }
    return true;
}

}  // namespace zolt
