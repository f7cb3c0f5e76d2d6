#include "shell/qt_surface.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "shell/command_actions.h"
#include "shell/fractal_view.h"
#include "shell/pane_status_bar.h"

namespace zolt {

void QtSurface::Attach(const Widgets& widgets) {
    widgets_ = widgets;
    view_.store(widgets.view, std::memory_order_release);
    if (widgets_.actions != nullptr) {
        widgets_.actions->ApplyEnabled(kAllCommands, false);
        widgets_.actions->ApplyEnabled(GetCommandState(), true);
    }
}

void QtSurface::Detach() {
    view_.store(nullptr, std::memory_order_release);
    widgets_ = {};
}

void QtSurface::ApplyCommands(std::uint32_t mask, bool enable) {
    if (widgets_.actions != nullptr)
        widgets_.actions->ApplyEnabled(mask, enable);
}

void QtSurface::SetStatusText(int pane, const std::string& text) {
    if (widgets_.statusBar != nullptr)
        widgets_.statusBar->SetPaneText(pane, text);
}

void QtSurface::SetTitle(const std::string& text) {
    if (widgets_.window != nullptr)
        widgets_.window->setWindowTitle(QString::fromStdString(text));
}

void QtSurface::ShowMessage(const std::string& text) {
    // Owned by the window in front, as a message about whatever the user is looking at.
    QWidget* owner = QApplication::activeWindow();
    if (owner == nullptr)
        owner = widgets_.window;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Message"), QString::fromStdString(text),
                    QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtSurface::PresentImage() {
    if (FractalView* view = view_.load(std::memory_order_acquire))
        view->PresentImage();
}

void QtSurface::InvalidateView() {
    if (widgets_.view != nullptr)
        widgets_.view->InvalidateView();
}

void QtSurface::SetCommandChecked(int id, bool checked) {
    if (widgets_.actions != nullptr)
        widgets_.actions->SetChecked(id, checked);
}

}  // namespace zolt
