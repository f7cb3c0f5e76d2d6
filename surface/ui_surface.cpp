#include "surface/ui_surface.h"

#include "surface/command_ids.h"

namespace zolt {

bool UiSurface::IsCommandEnabled(int commandId) const {
    if (commandId > kLastMaskedCommand)
        return commandId <= kLastCommand;
    if (commandId < kFirstCommand)
        return false;
    return (GetCommandState() & CommandBit(commandId)) != 0;
}

}  // namespace zolt
