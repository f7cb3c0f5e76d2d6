#pragma once

#include <atomic>

#include "shell/view_metrics.h"
#include "surface/ui_surface.h"

class QWidget;

namespace zolt {

class CommandActions;
class FractalView;
class PaneStatusBar;

// The user-interface surface on the program's widgets.
//
// The generation thread calls only the thread-safe operations directly: the view's size and
// colour count are atomics the view keeps up to date, and PresentImage only posts a repaint to
// the view. Everything else reaches this surface on the user-interface thread through the
// generator's mailbox. Nothing here ever waits for the other thread.
//
// Until the widgets are attached, and after they are detached at exit, every operation acts
// on nothing, while the command mask is kept all the same.
class QtSurface final : public UiSurface {
  public:
    struct Widgets {
        QWidget* window = nullptr;
        CommandActions* actions = nullptr;
        PaneStatusBar* statusBar = nullptr;  // none while the status bar is hidden
        FractalView* view = nullptr;
    };

    void Attach(const Widgets& widgets);
    void Detach();
    // The status bar is shown (bar) or hidden (none): texts for a hidden bar are lost.
    void SetStatusBar(PaneStatusBar* bar) { widgets_.statusBar = bar; }

    void SetStatusText(int pane, const std::string& text) override;
    void SetTitle(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    ViewSize ViewClientSize() const override { return metrics_.Size(); }
    int ViewColourCount() const override { return metrics_.ColourCount(); }
    void PresentImage() override;
    void InvalidateView() override;

    // The check mark of a Priority item or a bar command; the item stays as enabled as the
    // command mask says.
    void SetCommandChecked(int id, bool checked);

    ViewMetrics& Metrics() { return metrics_; }

  protected:
    void ApplyCommands(std::uint32_t mask, bool enable) override;

  private:
    Widgets widgets_;
    // Read by the generation thread for PresentImage.
    std::atomic<FractalView*> view_{nullptr};
    ViewMetrics metrics_;
};

}  // namespace zolt
