#include "shell/main_window.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>

#include "shell/art_icon_engine.h"
#include "shell/command_actions.h"
#include "shell/command_table.h"
#include "shell/control_ids.h"
#include "shell/fractal_view.h"
#include "shell/menu_layout.h"
#include "shell/pane_status_bar.h"
#include "surface/window_placement.h"

namespace zolt {

namespace {

constexpr int kInitialWidth = 760;
constexpr int kInitialHeight = 710;
constexpr int kButtonSize = 18;

WindowRect ToWindowRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

void AddEntries(QMenu* menu, const std::vector<MenuNode>& nodes, const CommandActions& actions) {
    for (const MenuNode& node : nodes) {
        if (node.id > 0) {
            menu->addAction(actions.Action(node.id));
        } else if (node.text == nullptr) {
            menu->addSeparator();
        } else {
            AddEntries(menu->addMenu(QString::fromUtf8(node.text)), node.children, actions);
        }
    }
}

}  // namespace

MainWindow::MainWindow() {
    setObjectName(QString::fromLatin1(kMainWindowName));
    setWindowTitle(QStringLiteral("Zolt"));
    setWindowIcon(ArtIcon(Art::AppEye));
    // The size of the window itself. The frame is the desktop's business, is only known once
    // the window manager has framed the window (if it ever tells), and differs between
    // desktops; centring and clamping do count it.
    resize(kInitialWidth, kInitialHeight);
    actions_ = new CommandActions(this);
    BuildMenu();
}

void MainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QString::fromLatin1(kMenuBarName));
    for (const MenuNode& popup : AppMenuLayout()) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(popup.text));
        AddEntries(menu, popup.children, *actions_);
    }
}

QToolBar* MainWindow::CreateToolBar() {
    if (toolBar_ != nullptr)
        return toolBar_;
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QString::number(kToolBarControlId));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(kButtonSize, kButtonSize));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : kToolbarLayout) {
        if (id == 0)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(actions_->Action(id));
    }
    toolBar_->setVisible(false);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    return toolBar_;
}

PaneStatusBar* MainWindow::CreateStatusBar() {
    if (statusBar_ != nullptr)
        return statusBar_;
    statusBar_ = new PaneStatusBar(this);
    statusBar_->setVisible(false);
    setStatusBar(statusBar_);
    return statusBar_;
}

FractalView* MainWindow::CreateView(ViewMetrics& metrics) {
    if (view_ != nullptr)
        return view_;
    view_ = new FractalView(metrics, this);
    setCentralWidget(view_);
    // The view has the keys from the start: the arrows and + and - move it.
    view_->setFocus();
    return view_;
}

void MainWindow::ShowToolbar(bool show) {
    if (toolBar_ == nullptr)
        return;
    toolBar_->setVisible(show);
    LayOutNow();
}

void MainWindow::ShowStatusbar(bool show) {
    if (statusBar_ == nullptr)
        return;
    if (!show)
        statusBar_->ClearPanes();
    statusBar_->setVisible(show);
    LayOutNow();
}

void MainWindow::LayOutNow() {
    if (layout() != nullptr && isVisible())
        layout()->activate();
}

QRect MainWindow::ScreenRect() const {
    const QScreen* display = screen();
    return display != nullptr ? display->geometry() : QRect();
}

void MainWindow::CentreOnScreen() {
    const QRect screenRect = ScreenRect();
    if (screenRect.isEmpty())
        return;
    const WindowRect centred = CentreOver(ToWindowRect(screenRect), ToWindowRect(frameGeometry()));
    move(centred.x, centred.y);
    ClampToScreen();
}

void MainWindow::ClampToScreen() {
    if (isMinimized() || isMaximized() || isFullScreen())
        return;
    const QRect screenRect = ScreenRect();
    if (screenRect.isEmpty())
        return;
    const QRect outer = frameGeometry();
    const auto clamped = zolt::ClampToScreen(ToWindowRect(outer), ToWindowRect(screenRect));
    if (!clamped)
        return;
    // The frame keeps its thickness; the window proper takes what is left.
    const QSize frame = outer.size() - size();
    resize(clamped->width - frame.width(), clamped->height - frame.height());
    move(clamped->x, clamped->y);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ClampToScreen();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Only a shown window has its frame, which counts in centring it.
    if (!placed_) {
        placed_ = true;
        CentreOnScreen();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit Closing();
    event->accept();
}

}  // namespace zolt
