// The main window as the user meets it: menu, keys, toolbar, status bar, bars and priorities.

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app_fixture.h"
#include "shell/command_actions.h"
#include "surface/command_ids.h"

using namespace zolt;
using namespace zolt::testing;

namespace {

// A menu as text: "text [key]" per item, "-" per separator, submenus indented.
void Describe(const QMenu* menu, const QString& indent, QStringList& out) {
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            out << indent + "-";
        } else if (action->menu() != nullptr) {
            out << indent + action->text() + " >";
            Describe(action->menu(), indent + "  ", out);
        } else {
            QString line = indent + action->text();
            if (!action->shortcut().isEmpty())
                line += " [" + action->shortcut().toString(QKeySequence::PortableText) + "]";
            out << line;
        }
    }
}

QToolButton* Button(ZoltApplication& app, int id) {
    QToolBar* bar = app.GetMainWindow()->ToolBar();
    return qobject_cast<QToolButton*>(
        bar->widgetForAction(app.GetMainWindow()->Actions().Action(id)));
}

DefaultValues StoredDefaults(const QTemporaryDir& dir) {
    RegistryStore store("JKV", "Zolt", "1.0", RootsIn(dir));
    class Silent final : public UiSurface {
      public:
        void SetStatusText(int, const std::string&) override {}
        void SetTitle(const std::string&) override {}
        void ShowMessage(const std::string&) override {}
        ViewSize ViewClientSize() const override { return {}; }
        int ViewColourCount() const override { return 0; }
        void PresentImage() override {}
        void InvalidateView() override {}
    } ui;
    GenerationDefaults defaults(ui, &store);
    return defaults.values;
}

}  // namespace

class MainWindowTest : public AppTest {
    Q_OBJECT

  private slots:
    void namesTitleAndIcon() {
        MainWindow* window = app_->GetMainWindow();
        QCOMPARE(window->objectName(), QString("ZoltAppClass"));
        QCOMPARE(window->windowTitle(), QString("Zolt"));
        QCOMPARE(window->menuBar()->objectName(), QString("AppMenu"));
        QCOMPARE(window->ToolBar()->objectName(), QString("100"));
        QCOMPARE(window->StatusBar()->objectName(), QString("101"));
        QCOMPARE(window->View()->objectName(), QString("JKVViewWindowClass"));
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(!window->windowIcon().pixmap(32, 32).isNull());
    }

    void placedWithinTheScreen() {
        // The offscreen screen is smaller than 760 x 710: the window is shrunk and centred.
        MainWindow* window = app_->GetMainWindow();
        const QRect screen = window->screen()->geometry();
        // 760 x 710 is the window's own size; a frame, when there is one, lies around it.
        const QRect frame = window->frameGeometry();
        const QSize extra = frame.size() - window->size();
        QCOMPARE(window->width(), std::min(760, screen.width() - extra.width()));
        QCOMPARE(frame.height(), std::min(710 + extra.height(), screen.height()));
        QCOMPARE(frame.x(), screen.x() + (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.y(), screen.y() + (screen.height() - frame.height()) / 2);

        // Made larger than the screen again, it comes back within it.
        window->resize(screen.width() + 300, screen.height() + 200);
        QTRY_VERIFY(screen.contains(window->frameGeometry()));
        const QRect clamped = window->frameGeometry();
        QCOMPARE(clamped.x(), screen.x() + (screen.width() - clamped.width()) / 2);
        QCOMPARE(clamped.y(), screen.y() + (screen.height() - clamped.height()) / 2);

        // A maximised window is never clamped.
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized());
    }

    void menuTree() {
        QStringList menu;
        for (QAction* popup : app_->GetMainWindow()->menuBar()->actions()) {
            menu << popup->text();
            Describe(popup->menu(), "  ", menu);
        }
        const QStringList expected = {
            "&File",
            "  &New...\tCtrl+N [Ctrl+N]",
            "  -",
            "  &Open...\tCtrl+O [Ctrl+O]",
            "  &Save\tCtrl+S [Ctrl+S]",
            "  Save &As...\tF12 [F12]",
            "  &Export Image...\tCtrl+E [Ctrl+E]",
            "  Export Zoom &Movie...",
            "  -",
            "  &Properties...",
            "  -",
            "  E&xit",
            "&View",
            "  &Toolbar",
            "  &Status Bar",
            "  -",
            "  &Colouring...",
            "  -",
            "  &Refresh\tF5 [F5]",
            "&Navigation",
            "  &Home\tHome [Home]",
            "  &Back\tAlt+Left Arrow [Alt+Left]",
            "  &Forward\tAlt+Right Arrow [Alt+Right]",
            "&Tools",
            "  &Generate\tAlt+G [Alt+G]",
            "  &Stop\tEscape [Esc]",
            "  &Continue\tAlt+C [Alt+C]",
            "  S&kip\tAlt+S [Alt+S]",
            "  -",
            "  &Automatic Iterations",
            "  &Options...",
            "  &Priority >",
            "    &Lowest",
            "    Lo&wer",
            "    L&ow",
            "    &Normal",
            "    H&igh",
            "    Hi&gher",
            "    &Highest",
            "&Help",
            "  &About Zolt...",
            "  &Contact >",
            "    &Mail...",
            "    &Web...",
        };
        QCOMPARE(menu, expected);
    }

    void initialCommandState() {
        QCOMPARE(
            app_->Surface().GetCommandState(),
            kPriorityCommands | CommandBits({kCmdNew, kCmdOpen, kCmdExit, kCmdOptions, kCmdAbout,
                                             kCmdToolbar, kCmdStatusBar, kCmdAutoIterations}));
        CommandActions& actions = app_->GetMainWindow()->Actions();
        for (int id = kFirstCommand; id <= kLastCommand; ++id)
            if (QAction* action = actions.Action(id))  // some ids have no command
                QCOMPARE(action->isEnabled(), app_->Surface().IsCommandEnabled(id));
        QVERIFY(actions.Action(kCmdMail)->isEnabled());
        QVERIFY(actions.Action(kCmdWeb)->isEnabled());
        // The bars are shown and checked; the default priority, Normal, is checked alone.
        QVERIFY(app_->GetMainWindow()->ToolBar()->isVisible());
        QVERIFY(app_->GetMainWindow()->StatusBar()->isVisible());
        for (int id = 16; id <= kLastCommand; ++id)
            if (QAction* action = actions.Action(id))
                QCOMPARE(action->isChecked(), id == 19 || id == 24 || id == 25);
        for (int pane = 1; pane <= 3; ++pane)
            QCOMPARE(PaneText(*app_, pane), QString());
    }

    void keysRunTheirCommandOnlyWhileEnabled() {
        MainWindow* window = app_->GetMainWindow();
        QCOMPARE(DialogsOpenedBy([&] { QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier); }),
                 QStringList{"ObjectDlg"});
        app_->Surface().EnableCommands(CommandBit(kCmdNew), false);
        QVERIFY(!window->Actions().Action(kCmdNew)->isEnabled());
        const QStringList none = DialogsOpenedBy([&] {
            QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
            window->Actions().Action(kCmdNew)->trigger();
            app_->RunCommand(kCmdNew);
            app_->RunCommand(0);
            app_->RunCommand(28);
        });
        QCOMPARE(none, QStringList());

        // No top-level menu takes Alt+C, Alt+G or Alt+S for a mnemonic ...
        for (QAction* popup : window->menuBar()->actions()) {
            const QString key = QKeySequence::mnemonic(popup->text()).toString();
            QVERIFY2(key != "Alt+C" && key != "Alt+G" && key != "Alt+S", qPrintable(key));
        }
        // ... so they reach their commands. Generate is off until a definition is ready.
        QTest::keyClick(window, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(app_->GetWorkspace()->history.Count(), 0);
        QVERIFY(ReadyToGenerate(*app_, Home(*app_)));
        QCOMPARE(PaneText(*app_, 1), QString("Ready"));
        QTest::keyClick(window, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(app_->GetWorkspace()->history.Count(), 1);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Finished"));
    }

    void escapeStopsAltCContinuesAndAltSSkips() {
        // A long generation: the neck at -0.75, where orbits creep along without repeating.
        QVERIFY(ReadyToGenerate(*app_, {-0.75 - 1e-10, -0.75 + 1e-10, -1e-10, 0.0, 2000000, 4.0}));
        MainWindow* window = app_->GetMainWindow();
        QTest::keyClick(window, Qt::Key_G, Qt::AltModifier);
        QVERIFY(app_->GetWorkspace()->generator.IsRunning());
        QVERIFY(window->Actions().Action(kCmdStop)->isEnabled());
        QVERIFY(!window->Actions().Action(kCmdGenerate)->isEnabled());

        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Stopped"));
        QVERIFY(window->Actions().Action(kCmdContinue)->isEnabled());
        // Escape again does nothing now that Stop is off.
        QTest::keyClick(window, Qt::Key_Escape);
        QCOMPARE(PaneText(*app_, 1), QString("Stopped"));

        QTest::keyClick(window, Qt::Key_C, Qt::AltModifier);
        QVERIFY(app_->GetWorkspace()->generator.IsRunning());
        QTRY_VERIFY(PaneText(*app_, 1).startsWith("Generating@2000000"));
        // Alt+S leaves the coarse pass for the next one.
        QVERIFY(PaneText(*app_, 2).startsWith("Resolution: 8 - "));
        QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(PaneText(*app_, 2).startsWith("Resolution: 4 - "));
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Stopped"));
    }

    void toolbarOrderAndStatesSurviveHideAndShow() {
        MainWindow* window = app_->GetMainWindow();
        QToolBar* bar = window->ToolBar();
        QStringList entries;
        for (QAction* action : bar->actions())
            entries << (action->isSeparator() ? QString("-") : action->toolTip());
        QCOMPARE(entries, (QStringList{"New", "-", "Open", "Save", "-", "Properties", "-", "Home",
                                       "Back", "Forward", "-", "Generate", "Stop", "Continue",
                                       "Skip", "-", "Refresh", "-", "About"}));
        QCOMPARE(bar->iconSize(), QSize(18, 18));
        for (QAction* action : bar->actions()) {
            if (!action->isSeparator()) {
                QVERIFY(!action->icon().isNull());
                QVERIFY(!action->icon().pixmap(18, 18).isNull());
            }
        }

        const QList<int> buttons = {1, 2, 3, 5, 9, 10, 11, 12, 13, 14, 15, 23, 8};
        // A mixed state: some commands on that start off, some off that start on.
        app_->Surface().EnableCommands(CommandBit(kCmdSave) | CommandBit(kCmdSkip), true);
        app_->Surface().EnableCommands(CommandBit(kCmdOpen), false);
        auto states = [&] {
            QList<bool> enabled;
            for (int id : buttons)
                enabled << Button(*app_, id)->isEnabled();
            return enabled;
        };
        const QList<bool> before = states();
        for (int i = 0; i < buttons.size(); ++i)
            QCOMPARE(before[i], app_->Surface().IsCommandEnabled(buttons[i]));

        const int viewHeight = window->View()->height();
        app_->RunCommand(kCmdToolbar);
        QVERIFY(!bar->isVisible());
        QVERIFY(!window->Actions().Action(kCmdToolbar)->isChecked());
        QTRY_VERIFY(window->View()->height() >= viewHeight + bar->height());
        // Changes while hidden reach the buttons too.
        app_->Surface().EnableCommands(CommandBit(kCmdHome), true);
        app_->RunCommand(kCmdToolbar);
        QVERIFY(bar->isVisible());
        QVERIFY(window->Actions().Action(kCmdToolbar)->isChecked());
        QTRY_COMPARE(window->View()->height(), viewHeight);
        QList<bool> after = before;
        after[buttons.indexOf(kCmdHome)] = true;
        QCOMPARE(states(), after);

        // A disabled button does nothing when clicked.
        app_->Surface().EnableCommands(CommandBit(kCmdOpen), false);
        QCOMPARE(
            DialogsOpenedBy([&] { QTest::mouseClick(Button(*app_, kCmdOpen), Qt::LeftButton); }),
            QStringList());
        app_->Surface().EnableCommands(CommandBit(kCmdOpen), true);
        QCOMPARE(DialogsOpenedBy([&] {
                     QTest::mouseClick(Button(*app_, kCmdOpen), Qt::LeftButton);
                 }).size(),
                 1);
    }

    void statusBarPanes() {
        MainWindow* window = app_->GetMainWindow();
        PaneStatusBar* bar = window->StatusBar();
        window->resize(758, window->height());
        QTRY_COMPARE(bar->width(), 758);
        QCOMPARE(bar->PaneEdges(), (std::vector<int>{189, 378, 757}));
        window->resize(700, window->height());
        QTRY_COMPARE(bar->width(), 700);
        QCOMPARE(bar->PaneEdges(), (std::vector<int>{175, 350, 700}));
        QVERIFY(bar->findChild<QSizeGrip*>() != nullptr);

        app_->Surface().SetStatusText(1, "one");
        app_->Surface().SetStatusText(3, "three");
        app_->Surface().SetStatusText(0, "none");
        app_->Surface().SetStatusText(4, "none");
        QCOMPARE(PaneText(*app_, 1), QString("one"));
        QCOMPARE(PaneText(*app_, 2), QString());
        QCOMPARE(PaneText(*app_, 3), QString("three"));

        // A text wider than its pane shows whole under the pointer.
        const auto* pane = bar->findChild<QLabel*>("pane-1");
        QVERIFY(pane->toolTip().isEmpty());
        const QString longer("Finished - more iterations may show detail");
        app_->Surface().SetStatusText(1, longer.toStdString());
        QCOMPARE(pane->toolTip(), longer);
        app_->Surface().SetStatusText(1, "Finished");
        QVERIFY(pane->toolTip().isEmpty());
    }

    void hidingTheStatusBarLosesItsTexts() {
        MainWindow* window = app_->GetMainWindow();
        app_->Surface().SetStatusText(1, "Ready");
        const int viewHeight = window->View()->height();
        app_->RunCommand(kCmdStatusBar);
        QVERIFY(!window->StatusBar()->isVisible());
        QVERIFY(!window->Actions().Action(kCmdStatusBar)->isChecked());
        QTRY_VERIFY(window->View()->height() > viewHeight);
        app_->Surface().SetStatusText(2, "lost");
        app_->RunCommand(kCmdStatusBar);
        QVERIFY(window->StatusBar()->isVisible());
        QTRY_COMPARE(window->View()->height(), viewHeight);
        QCOMPARE(PaneText(*app_, 1), QString());
        QCOMPARE(PaneText(*app_, 2), QString());
        QCOMPARE(PaneText(*app_, 3), QString("0 of 0"));
    }

    void togglesAndPriorityAreSavedAtOnce() {
        app_->RunCommand(kCmdToolbar);
        QCOMPARE(StoredDefaults(*dir_).ShowToolbar, false);
        app_->RunCommand(kCmdStatusBar);
        QCOMPARE(StoredDefaults(*dir_).ShowStatusbar, false);
        app_->RunCommand(16);
        QCOMPARE(StoredDefaults(*dir_).GeneratePriority, 1);
        app_->RunCommand(kCmdAutoIterations);
        QCOMPARE(StoredDefaults(*dir_).AutomaticIterations, true);

        // The next start shows what was saved.
        app_.reset();
        app_ = StartApp(*dir_);
        QVERIFY(app_ != nullptr);
        QVERIFY(!app_->GetMainWindow()->ToolBar()->isVisible());
        QVERIFY(!app_->GetMainWindow()->StatusBar()->isVisible());
        QVERIFY(app_->GetMainWindow()->Actions().Action(16)->isChecked());
        QVERIFY(!app_->GetMainWindow()->Actions().Action(24)->isChecked());
        QVERIFY(app_->GetMainWindow()->Actions().Action(kCmdAutoIterations)->isChecked());
    }

    void priorityCarriesOneCheckMark() {
        CommandActions& actions = app_->GetMainWindow()->Actions();
        auto checked = [&] {
            QList<int> ids;
            for (int id = 16; id <= 22; ++id) {
                if (actions.Action(id)->isChecked())
                    ids << id;
            }
            return ids;
        };
        actions.Action(21)->trigger();
        QCOMPARE(checked(), QList<int>{21});
        QCOMPARE(app_->GetWorkspace()->defaults.values.GeneratePriority, 6);
        // The priority already set keeps its mark.
        actions.Action(21)->trigger();
        QCOMPARE(checked(), QList<int>{21});
        QCOMPARE(app_->GetWorkspace()->defaults.values.GeneratePriority, 6);

        // A priority the menu does not know checks nothing, and choosing changes nothing.
        app_->Surface().SetCommandChecked(21, false);
        app_->GetWorkspace()->defaults.values.GeneratePriority = 9;
        actions.Action(17)->trigger();
        QCOMPARE(checked(), QList<int>{});
        QCOMPARE(app_->GetWorkspace()->defaults.values.GeneratePriority, 9);
    }

    void storedPriorityOutsideTheMenuChecksNothing() {
        app_.reset();
        {
            RegistryStore store("JKV", "Zolt", "1.0", RootsIn(*dir_));
            auto key = store.OpenSection("Defaults", true);
            QVERIFY(key && store.WriteInteger(*key, "GeneratePriority", 0));
        }
        app_ = StartApp(*dir_);
        QVERIFY(app_ != nullptr);
        for (int id = 16; id <= 22; ++id)
            QVERIFY(!app_->GetMainWindow()->Actions().Action(id)->isChecked());
        app_->RunCommand(20);
        QCOMPARE(app_->GetWorkspace()->defaults.values.GeneratePriority, 0);
        QVERIFY(!app_->GetMainWindow()->Actions().Action(20)->isChecked());
    }

    // Where nothing can take the address (the offscreen platform opens nothing), Help > Contact
    // says so instead of doing nothing.
    void contactSaysWhenNothingTakesTheAddress() {
        QStringList said;
        for (const int command : {kCmdMail, kCmdWeb}) {
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    said << box->text();
                    box->button(QMessageBox::Ok)->click();
                }
            });
            app_->RunCommand(command);
        }
        QCOMPARE(said, QStringList({"No mail program is set up to write to zolt@example.org.",
                                    "No web browser is set up to open https://zolt.example.org."}));
    }

    void messageBoxHasTheCaptionTextAndOneButton() {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        qsizetype buttons = 0;
        QMessageBox::StandardButtons standard;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            standard = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        app_->Surface().ShowMessage("Failed to open file.");
        QCOMPARE(title, QString("Message"));
        QCOMPARE(text, QString("Failed to open file."));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, qsizetype{1});
        QCOMPARE(standard, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
