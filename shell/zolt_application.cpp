#include "shell/zolt_application.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QToolBar>
#include <QUrl>

#include "commands/workspace.h"
#include "commands/zoom_selection.h"
#include "dialogs/about_dialog.h"
#include "dialogs/colouring_dialog.h"
#include "dialogs/export_dialog.h"
#include "dialogs/fractal_commands.h"
#include "dialogs/options_dialog.h"
#include "dialogs/qt_file_dialogs.h"
#include "document/fractal_file.h"
#include "generation/view_refusal.h"
#include "generation/worker_threads.h"
#include "shell/command_actions.h"
#include "shell/command_table.h"
#include "shell/contact.h"
#include "shell/export_progress.h"
#include "shell/fractal_view.h"
#include "shell/main_window.h"
#include "shell/movie_progress_dialog.h"
#include "shell/pane_status_bar.h"
#include "surface/command_ids.h"

namespace zolt {

namespace {

// Commands that wait for a definition or a generation: off at start.
constexpr std::uint32_t kOffAtStart = CommandBits(
    {kCmdSave, kCmdSaveAs, kCmdProperties, kCmdHome, kCmdBack, kCmdForward, kCmdGenerate, kCmdStop,
     kCmdContinue, kCmdSkip, kCmdRefresh, kCmdExportImage, kCmdColouring, kCmdExportMovie});

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
    workspace_ =
        std::make_unique<Workspace>(surface_, store_.get(), [this] { workerWake_.Request(); });
    const DefaultValues& values = workspace_->defaults.values;

    window->CreateToolBar();
    window->ShowToolbar(values.ShowToolbar);
    PaneStatusBar* statusBar = window->CreateStatusBar();
    window->ShowStatusbar(values.ShowStatusbar);

    FractalView* view = window->CreateView(surface_.Metrics());
    selection_ =
        std::make_unique<ZoomSelection>(workspace_->current, workspace_->generator, surface_);
    view->Attach(&workspace_->generator, selection_.get());
    QObject::connect(view, &FractalView::Resized, window,
                     [this] { workspace_->current.RefreshAspect(); });

    fileDialogs_ = std::make_unique<QtFileDialogs>(window);
    export_ = std::make_unique<PictureExport>();
    movie_ = std::make_unique<MovieExport>();
    about_ = std::make_unique<AboutDialog>(QCoreApplication::instance(), surface_, window);
    InstallOptionsDialog(workspace_->defaults, surface_, window);

    surface_.Attach({window, &window->Actions(), values.ShowStatusbar ? statusBar : nullptr, view});
    ApplyInitialCommandState();
    return true;
}

void ZoltApplication::ApplyInitialCommandState() {
    const DefaultValues& values = workspace_->defaults.values;
    surface_.EnableCommands(kAllCommands, true);
    surface_.EnableCommands(kOffAtStart, false);
    surface_.SetCommandChecked(kCmdToolbar, values.ShowToolbar);
    surface_.SetCommandChecked(kCmdStatusBar, values.ShowStatusbar);
    surface_.SetCommandChecked(kCmdAutoIterations, values.AutomaticIterations);
    if (const auto command = PriorityCommand(values.GeneratePriority))
        surface_.SetCommandChecked(*command, true);
}

void ZoltApplication::ShowMainWindow() {
    if (window_ != nullptr)
        window_->show();
}

void ZoltApplication::OpenCommandLine(std::span<const char* const> arguments) {
    if (!workspace_ || quitting_)
        return;
    if (const std::string path = JoinCommandLine(arguments); !path.empty())
        workspace_->OpenNamed(path);
}

void ZoltApplication::RunCommand(int id) {
    // Menus, keys and buttons of a disabled command are off already; this keeps any other route
    // (a queued trigger, a test) from running it either.
    if (!workspace_ || quitting_ || !surface_.IsCommandEnabled(id))
        return;
    // A command given while the mouse drags a selection ends that selection: what the command
    // does (a generation above all) would leave the zoom pointing at a view that is gone.
    if (FractalView* view = GetView())
        view->CancelSelection();
    Workspace& work = *workspace_;
    Generator& generator = work.generator;
    switch (id) {
        case kCmdNew:
            NewFractal(work, window_.get());
            break;
        case kCmdOpen:
            work.Open(*fileDialogs_);
            break;
        case kCmdSave:
            work.Save(*fileDialogs_);
            break;
        case kCmdSaveAs:
            work.SaveAs(*fileDialogs_);
            break;
        case kCmdProperties:
            EditProperties(work, window_.get());
            break;
        case kCmdExit:
            QuitApplication();
            break;
        case kCmdOptions:
            work.defaults.Edit();
            break;
        case kCmdAbout:
            about_->Run();
            break;
        case kCmdHome:
            work.Home();
            break;
        case kCmdBack:
            work.Back();
            break;
        case kCmdForward:
            work.Forward();
            break;
        case kCmdGenerate:
            generator.Generate({.push = true, .increment = true});
            break;
        case kCmdStop:
            generator.Stop();
            break;
        case kCmdContinue:
            generator.Continue();
            break;
        case kCmdSkip:
            generator.Skip();
            break;
        case kCmdRefresh:
            surface_.InvalidateView();
            break;
        case kCmdToolbar:
            ToggleToolbar();
            break;
        case kCmdStatusBar:
            ToggleStatusbar();
            break;
        case kCmdMail:
        case kCmdWeb:
            OpenContact(id);
            break;
        case kCmdExportImage:
            ExportImage();
            break;
        case kCmdAutoIterations:
            ToggleSetting(&DefaultValues::AutomaticIterations, id);
            break;
        case kCmdColouring:
            if (gradientDirectory_.empty())
                gradientDirectory_ = work.directories.StartDirectory(DirectoryKind::Open);
            EditColouring(work, *fileDialogs_, gradientDirectory_, window_.get());
            break;
        case kCmdExportMovie:
            ExportMovie();
            break;
        default:  // the seven priorities, Lowest to Highest
            SetPriority(id - kCmdPriorityLowest + 1);
            break;
    }
}

bool ZoltApplication::ToggleSetting(bool DefaultValues::*setting, int id) {
    GenerationDefaults& defaults = workspace_->defaults;
    bool& value = defaults.values.*setting;
    value = !value;
    surface_.SetCommandChecked(id, value);
    defaults.SaveValues();
    return value;
}

void ZoltApplication::ToggleToolbar() {
    window_->ShowToolbar(ToggleSetting(&DefaultValues::ShowToolbar, kCmdToolbar));
}

void ZoltApplication::ToggleStatusbar() {
    const bool show = ToggleSetting(&DefaultValues::ShowStatusbar, kCmdStatusBar);
    window_->ShowStatusbar(show);
    surface_.SetStatusBar(show ? window_->StatusBar() : nullptr);
    workspace_->history.ShowPosition();
}

void ZoltApplication::SetPriority(int priority) {
    GenerationDefaults& defaults = workspace_->defaults;
    DefaultValues& values = defaults.values;
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
    defaults.SaveValues();
}

void ZoltApplication::OpenContact(int command) {
    const bool mail = command == kCmdMail;
    const QUrl url(QString::fromLatin1(mail ? kContactMail : kContactWeb));
    if (QDesktopServices::openUrl(url))
        return;
    // Without a mail program or a browser set up nothing would happen at all: the user gets the
    // address instead, to use as they can.
    if (mail)
        surface_.ShowMessage("No mail program is set up to write to " + url.path().toStdString() +
                             ".");
    else
        surface_.ShowMessage("No web browser is set up to open " + url.toString().toStdString() +
                             ".");
}

void ZoltApplication::ExportImage() {
    // One export at a time: asked again meanwhile, the running one comes to the front.
    if (exportProgress_ != nullptr) {
        exportProgress_->raise();
        exportProgress_->activateWindow();
        return;
    }
    Workspace& work = *workspace_;
    const FractalDef& def = work.current.Definition();
    const auto choice = AskPictureSize(window_.get(), def, surface_.ViewClientSize(), store_.get());
    if (!choice)
        return;
    const ViewSize size = choice->size;
    // A view the picture cannot show is said before a file name is asked for; its samples are
    // those of the view as many times larger.
    const int factor = choice->supersample;
    if (const std::string refusal =
            ViewRefusal(NumbersOf(def), size.width * factor, size.height * factor, AvailableMemory);
        !refusal.empty()) {
        surface_.ShowMessage(ViewRefusalMessage(refusal));
        return;
    }
    const auto path = fileDialogs_->AskSave(work.directories.StartDirectory(DirectoryKind::Save),
                                            SafeFileStem(def.Name.str()), SavedKind::Picture);
    if (!path)
        return;
    const PictureExport::Request request{
        .width = size.width,
        .height = size.height,
        .supersample = choice->supersample,
        .displayColours = surface_.ViewColourCount(),
        .threads = WorkerThreadCount(),
        .priority = work.defaults.values.GeneratePriority,
        .path = *path,
    };
    if (!export_->Start(def, request)) {
        surface_.ShowMessage("Failed to export image.");
        return;
    }
    // The window is free for everything else meanwhile.
    exportProgress_ =
        new ExportProgress(*export_, window_.get(),
                           [this](const PictureExport::Outcome& outcome) { ExportEnded(outcome); });
    exportProgress_->show();
}

void ZoltApplication::ExportEnded(const PictureExport::Outcome& outcome) {
    exportProgress_ = nullptr;  // it goes once this returns; a new export may start
    if (workspace_ == nullptr)
        return;
    if (outcome.written)
        workspace_->directories.Chosen(DirectoryKind::Save, export_->Path());
    else if (outcome.refused)
        surface_.ShowMessage(ViewRefusalMessage(outcome.reason));
    else if (!outcome.cancelled)
        surface_.ShowMessage("Failed to export image: " + outcome.reason + ".");
}

void ZoltApplication::ExportMovie() {
    // One movie at a time: asked again meanwhile, the running one comes to the front.
    if (movieProgress_ != nullptr) {
        movieProgress_->raise();
        movieProgress_->activateWindow();
        return;
    }
    Workspace& work = *workspace_;
    const FractalDef& def = work.current.Definition();
    MovieChoice initial = lastMovie_.value_or(MovieChoice{});
    if (!lastMovie_) {
        const std::string stem = SafeFileStem(def.Name.str());
        initial.output.path =
            std::filesystem::path(work.directories.StartDirectory(DirectoryKind::Save)) /
            ((stem.empty() ? std::string("zoom") : stem) + ".mp4");
    }
    // The movie's colours are the view's, as an exported picture's are.
    initial.settings.displayColours = surface_.ViewColourCount();
    const auto choice = AskMovie(window_.get(), def, initial);
    if (!choice)
        return;
    lastMovie_ = choice;
    const MovieExport::Request request{
        .settings = choice->settings,
        .output = choice->output,
        .threads = WorkerThreadCount(),
        .priority = work.defaults.values.GeneratePriority,
    };
    if (!movie_->Start(def, request)) {
        surface_.ShowMessage("Failed to export the movie.");
        return;
    }
    movieProgress_ = new MovieProgressDialog(
        *movie_, window_.get(), [this](const MovieOutcome& outcome) { MovieEnded(outcome); });
    movieProgress_->show();
}

void ZoltApplication::MovieEnded(const MovieOutcome& outcome) {
    movieProgress_ = nullptr;  // it goes once this returns; a new movie may start
    if (workspace_ == nullptr)
        return;
    if (outcome.written)
        workspace_->directories.Chosen(DirectoryKind::Save, movie_->Output().path.string());
    else if (!outcome.cancelled)
        surface_.ShowMessage("Failed to export the movie: " + outcome.reason + ".");
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
    if (workspace_ != nullptr) {
        workspace_->generator.Shutdown();
        workspace_->history.ClearHistory();
        workspace_->current.Release();
    }
    DestroyAppObjects();
}

void ZoltApplication::DestroyAppObjects() {
    if (FractalView* view = GetView())
        view->Detach();
    surface_.Detach();
    // Reverse order of creation: the generator reads the defaults and the defaults the store.
    // The window and its bars and view go last, with this object.
    // An export still running is cancelled and waited for; its dialog goes first.
    delete exportProgress_.data();
    export_.reset();
    delete movieProgress_.data();
    movie_.reset();
    about_.reset();
    fileDialogs_.reset();
    selection_.reset();
    workspace_.reset();
    store_.reset();
}

void ZoltApplication::DeliverWorkerCalls() {
    if (workspace_ != nullptr)
        workspace_->generator.DeliverWorkerCalls();
}

}  // namespace zolt
