#include "shell/zolt_application.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QToolBar>
#include <QUrl>

#include "commands/zoom_selection.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
#include "shell/command_actions.h"
#include "shell/command_dispatch.h"
#include "shell/command_table.h"
#include "shell/contact.h"
#include "shell/fractal_view.h"
#include "shell/main_window.h"
#include "shell/pane_status_bar.h"
#include "surface/command_ids.h"

namespace zolt {

namespace {

// Commands that wait for a definition or a generation: off at start.
constexpr std::uint32_t kOffAtStart =
    CommandBit(kCmdSave) | CommandBit(kCmdSaveAs) | CommandBit(kCmdProperties) |
    CommandBit(kCmdHome) | CommandBit(kCmdBack) | CommandBit(kCmdForward) |
    CommandBit(kCmdGenerate) | CommandBit(kCmdStop) | CommandBit(kCmdContinue) |
    CommandBit(kCmdSkip) | CommandBit(kCmdRefresh);

}  // namespace

ZoltApplication::ZoltApplication(RegistryStore::Roots roots) : roots_(std::move(roots)) {}

ZoltApplication::~ZoltApplication() {
    if (!quitting_)
        Teardown();
}

FractalView* ZoltApplication::GetView() const {
    return window_ != nullptr ? window_->View() : nullptr;
}

bool ZoltApplication::InitInstance() {
    window_ = std::make_unique<MainWindow>();
    MainWindow* window = window_.get();
    QObject::connect(&window->Actions(), &CommandActions::Triggered, window,
                     [this](int id) { RunCommand(id); });
    QObject::connect(window, &MainWindow::Closing, window, [this] { QuitApplication(); });
    surface_.Attach({window, &window->Actions(), nullptr, nullptr});
    window->CentreOnScreen();

    store_ = std::make_unique<RegistryStore>("JKV", "Zolt", "1.0", roots_);
    defaults_ = std::make_unique<GenerationDefaults>(surface_, store_.get());
    generator_ = std::make_unique<Generator>(surface_, current_, history_, *defaults_,
                                             [this] { workerWake_.Request(); });
    context_.emplace(
        AppContext{surface_, store_.get(), *defaults_, history_, current_, *generator_});

    window->CreateToolBar();
    window->ShowToolbar(defaults_->values.ShowToolbar);
    PaneStatusBar* statusBar = window->CreateStatusBar();
    window->ShowStatusbar(defaults_->values.ShowStatusbar);

    FractalView* view = window->CreateView(surface_.Metrics());
    selection_ = std::make_unique<ZoomSelection>(current_, *generator_, surface_);
    view->Attach(generator_.get(), selection_.get());
    QObject::connect(view, &FractalView::Resized, window, [this] { current_.RefreshAspect(); });

    surface_.Attach(
        {window, &window->Actions(), defaults_->values.ShowStatusbar ? statusBar : nullptr, view});
    ApplyInitialCommandState();
    return true;
}

void ZoltApplication::ApplyInitialCommandState() {
    surface_.EnableCommands(kAllCommands, true);
    surface_.EnableCommands(kOffAtStart, false);
    surface_.SetCommandChecked(kCmdToolbar, defaults_->values.ShowToolbar);
    surface_.SetCommandChecked(kCmdStatusBar, defaults_->values.ShowStatusbar);
    if (const auto command = PriorityCommand(defaults_->values.GeneratePriority))
        surface_.SetCommandChecked(*command, true);
}

void ZoltApplication::ShowMainWindow() {
    if (window_ != nullptr)
        window_->show();
}

void ZoltApplication::OpenCommandLine(std::span<const char* const> arguments) {
    if (!arguments.empty() && hooks_.openCommandLine && !quitting_)
        hooks_.openCommandLine(arguments);
}

void ZoltApplication::RunCommand(int id) {
    if (!context_ || quitting_ || !surface_.IsCommandEnabled(id))
        return;
    // A command given while the mouse drags a selection ends that selection: what the command
    // does (a generation above all) would leave the zoom pointing at a view that is gone.
    if (FractalView* view = GetView())
        view->CancelSelection();
    DispatchCommand(id, *context_, *this, hooks_);
}

void ZoltApplication::ToggleToolbar() {
    DefaultValues& values = defaults_->values;
    values.ShowToolbar = !values.ShowToolbar;
    window_->ShowToolbar(values.ShowToolbar);
    surface_.SetCommandChecked(kCmdToolbar, values.ShowToolbar);
    if (defaults_->Store() != nullptr)
        defaults_->SaveValues();
}

void ZoltApplication::ToggleStatusbar() {
    DefaultValues& values = defaults_->values;
    values.ShowStatusbar = !values.ShowStatusbar;
    window_->ShowStatusbar(values.ShowStatusbar);
    surface_.SetStatusBar(values.ShowStatusbar ? window_->StatusBar() : nullptr);
    surface_.SetCommandChecked(kCmdStatusBar, values.ShowStatusbar);
    history_.ShowPosition();
    if (defaults_->Store() != nullptr)
        defaults_->SaveValues();
}

void ZoltApplication::SetPriority(int priority) {
    DefaultValues& values = defaults_->values;
    // A stored priority the menu does not know is left as it is: the Options dialog is where
    // it can be put right.
    const auto previous = PriorityCommand(values.GeneratePriority);
    if (!previous)
        return;
    surface_.SetCommandChecked(*previous, false);
    const auto chosen = PriorityCommand(priority);
    if (!chosen)
        return;
    surface_.SetCommandChecked(*chosen, true);
    values.GeneratePriority = priority;
    if (defaults_->Store() != nullptr)
        defaults_->SaveValues();
}

void ZoltApplication::OpenContact(bool mail, bool web) {
    if (mail)
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kContactMail)));
    else if (web)
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kContactWeb)));
}

void ZoltApplication::QuitApplication() {
    if (quitting_)
        return;
    quitting_ = true;
    ++quitCount_;
    Teardown();
    QCoreApplication::exit(0);
}

void ZoltApplication::Teardown() {
    // The worker is joined first: after this nothing runs on another thread.
    if (generator_ != nullptr)
        generator_->Shutdown();
    history_.ClearHistory();
    current_.Release();
    DestroyAppObjects();
}

void ZoltApplication::DestroyAppObjects() {
    if (FractalView* view = GetView())
        view->Detach();
    surface_.Detach();
    // Reverse order of creation: the generator reads the defaults and the defaults the store.
    // The window and its bars and view go last, with this object.
    selection_.reset();
    context_.reset();
    generator_.reset();
    defaults_.reset();
    store_.reset();
}

void ZoltApplication::DeliverWorkerCalls() {
    if (generator_ != nullptr)
        generator_->DeliverWorkerCalls();
}

}  // namespace zolt
