#pragma once

#include "surface/ui_mailbox.h"
#include "surface/ui_surface.h"

namespace zolt {

// The user-interface surface as the generation thread sees it: the thread-safe operations go
// straight to the real surface, every other call is posted to the mailbox and carried out on
// the user-interface thread in the order made.
class WorkerSurface final : public UiSurface {
  public:
    WorkerSurface(UiSurface& ui, UiMailbox& mailbox) : ui_(ui), mailbox_(mailbox) {}

    void EnableCommands(std::uint32_t mask, bool enable) override {
        mailbox_.Post([&ui = ui_, mask, enable] { ui.EnableCommands(mask, enable); });
    }
    std::uint32_t GetCommandState() const override { return ui_.GetCommandState(); }
    void SetStatusText(int pane, const std::string& text) override {
        mailbox_.Post([&ui = ui_, pane, text] { ui.SetStatusText(pane, text); });
    }
    void SetTitle(const std::string& text) override {
        mailbox_.Post([&ui = ui_, text] { ui.SetTitle(text); });
    }
    void ShowMessage(const std::string& text) override {
        mailbox_.Post([&ui = ui_, text] { ui.ShowMessage(text); });
    }
    ViewSize ViewClientSize() const override { return ui_.ViewClientSize(); }
    int ViewColourCount() const override { return ui_.ViewColourCount(); }
    void PresentImage() override { ui_.PresentImage(); }
    void InvalidateView() override {
        mailbox_.Post([&ui = ui_] { ui.InvalidateView(); });
    }

  private:
    UiSurface& ui_;
    UiMailbox& mailbox_;
};

}  // namespace zolt
