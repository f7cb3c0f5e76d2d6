#pragma once

#include <cstdint>
#include <string>

#include "engine/image_buffer.h"
#include "surface/command_ids.h"

namespace zolt {

// Everything the core needs of the user interface. The desktop program implements it with
// widgets, the tests with a recording stand-in.
//
// Threads: the operations marked "any thread" may be called from the generation thread;
// all others belong to the user-interface thread. The generation thread reaches the others
// only through the generator's mailbox, which carries its calls to the user-interface thread.
class UiSurface {
  public:
    virtual ~UiSurface() = default;

    // Enables or disables every command whose bit is set in mask, on the menu and the toolbar.
    virtual void EnableCommands(std::uint32_t mask, bool enable) {
        commands_.Change(mask, enable);
        ApplyCommands(mask, enable);
    }
    // Any thread.
    virtual std::uint32_t GetCommandState() const { return commands_.Get(); }
    bool IsCommandEnabled(int commandId) const;

    // Pane 1 to 3 of the status bar; other pane numbers and a hidden bar drop the text.
    virtual void SetStatusText(int pane, const std::string& text) = 0;
    virtual void SetTitle(const std::string& text) = 0;
    // A modal message with the caption "Message", one OK button and no icon.
    virtual void ShowMessage(const std::string& text) = 0;

    // Any thread: the view's client size in device pixels (0 x 0 without a view).
    virtual ViewSize ViewClientSize() const = 0;
    // Any thread: 2 to the display's bits per pixel, at most 256 (0 without a view).
    virtual int ViewColourCount() const = 0;
    // Any thread: the generator's image has new content; the view copies it as soon as it can.
    virtual void PresentImage() = 0;
    // Marks the whole view for repainting without clearing it first.
    virtual void InvalidateView() = 0;

  protected:
    // Brings the widgets in line after the mask changed.
    virtual void ApplyCommands(std::uint32_t /*mask*/, bool /*enable*/) {}

  private:
    CommandState commands_;
};

}  // namespace zolt
