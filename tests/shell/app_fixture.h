#pragma once

// Starts the real program for a widget test: its own settings below a temporary folder, the
// window shown on Qt's offscreen screen.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "commands/workspace.h"
#include "shell/fractal_view.h"
#include "shell/main_window.h"
#include "shell/pane_status_bar.h"
#include "shell/zolt_application.h"

namespace zolt::testing {

inline RegistryStore::Roots RootsIn(const QTemporaryDir& dir) {
    const std::filesystem::path base = dir.path().toStdString();
    return {base / "machine", base / "user"};
}

// The program started and its window shown and active; none when it could not start.
std::unique_ptr<ZoltApplication> StartApp(const QTemporaryDir& dir);

// The base of a widget test class: every test function finds the program freshly started on
// settings of its own, with automatic generation as the settings have it, and it is torn down
// afterwards.
class AppTest : public QObject {
    Q_OBJECT

  protected:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ZoltApplication> app_;

  protected slots:
    void init();
    void cleanup();
};

// Makes a definition current with a 256-colour palette, as New would.
inline bool DefineFractal(ZoltApplication& app, const GenerationSnapshot& numbers,
                          const char* name = "Test") {
    Appearance appearance;
    if (!BuildPalette(256, appearance.Palette))
        return false;
    return app.GetWorkspace()->current.SetCurrent(name, numbers, appearance, {.untitled = true});
}

// Makes `numbers` current, shaped to the view, and readies the generator for it, generating
// nothing yet.
inline bool ReadyToGenerate(ZoltApplication& app, const GenerationSnapshot& numbers) {
    if (!DefineFractal(app, numbers))
        return false;
    app.GetWorkspace()->current.RefreshAspect();
    app.GetWorkspace()->generator.Ready({.discard = true});
    return true;
}

inline GenerationSnapshot Home(ZoltApplication& app) {
    return HomeView(app.Surface().ViewClientSize());
}

// Runs `act`, closing every modal dialog it opens as soon as it shows; gives the object names of
// the dialogs in the order they opened (a command's dialog is named after its template).
inline QStringList DialogsOpenedBy(const std::function<void()>& act) {
    QStringList opened;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&opened] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            opened.append(dialog->objectName());
            dialog->close();
        }
    });
    QWidget* active = QApplication::activeWindow();
    watch.start(5);
    act();
    // The offscreen platform does not hand the focus back when a dialog closes, as a desktop does.
    if (active != nullptr && QApplication::activeWindow() != active) {
        active->activateWindow();
        if (!QTest::qWaitForWindowActive(active))
            opened.append(QStringLiteral("(the window did not come back to the front)"));
    }
    return opened;
}

// Waits for the next modal window (of the class given, when one is) and hands it to `act`. The
// wait ends with `owner` if nothing came: a later test must not meet it.
template <class Modal = QWidget>
void WhenModal(QObject* owner, std::function<void(Modal&)> act) {
    QTimer* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* modal = qobject_cast<Modal*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*modal);
        }
    });
    poll->start(10);
}

// Counts the paint events of the widgets it filters.
class PaintCounter final : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

inline QString PaneText(ZoltApplication& app, int pane) {
    return app.GetMainWindow()->StatusBar()->PaneText(pane);
}

}  // namespace zolt::testing
