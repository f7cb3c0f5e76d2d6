#pragma once

#include <QMainWindow>

class QToolBar;

namespace zolt {

class CommandActions;
class FractalView;
class PaneStatusBar;
class ViewMetrics;

// The program's top-level window: the menu, the keys and the command actions from the start,
// and the toolbar, status bar and view once start-up creates them. It lays them out (the
// toolbar on top, the status bar at the bottom, the view in between) and keeps itself within
// the screen; every command it receives goes out through CommandActions::Triggered.
class MainWindow final : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow();

    CommandActions& Actions() const { return *actions_; }
    QToolBar* CreateToolBar();
    PaneStatusBar* CreateStatusBar();
    FractalView* CreateView(ViewMetrics& metrics);

    QToolBar* ToolBar() const { return toolBar_; }
    PaneStatusBar* StatusBar() const { return statusBar_; }
    FractalView* View() const { return view_; }

    // Shows or hides a bar; the view takes over or gives back its height at once.
    void ShowToolbar(bool show);
    void ShowStatusbar(bool show);

    // Centres the window over its screen, then keeps it within the screen.
    void CentreOnScreen();
    // Shrinks and centres the window when it reaches beyond the screen; a minimised, maximised
    // or full-screen window is left alone.
    void ClampToScreen();

  Q_SIGNALS:
    // The window is being closed through its frame.
    void Closing();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // No context menu of bars: showing and hiding them is the View menu's work.
    QMenu* createPopupMenu() override { return nullptr; }

  private:
    void BuildMenu();
    void LayOutNow();
    QRect ScreenRect() const;

    CommandActions* actions_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    PaneStatusBar* statusBar_ = nullptr;
    FractalView* view_ = nullptr;
    bool placed_ = false;
};

}  // namespace zolt
