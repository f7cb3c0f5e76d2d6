#include "surface/ui_surface.h"

#include "surface/command_ids.h"

namespace zolt {

bool UiSurface::IsCommandEnabled(int commandId) const {
    if (commandId == kCmdMail || commandId == kCmdWeb)
        return true;
    return HasCommandBit(commandId) && (GetCommandState() & CommandBit(commandId)) != 0;
}

}  // namespace zolt
