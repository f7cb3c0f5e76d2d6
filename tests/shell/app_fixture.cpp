// Compiled once for every widget test: the fixture's meta-object and start-up.

#include "app_fixture.h"

namespace zolt::testing {

std::unique_ptr<ZoltApplication> StartApp(const QTemporaryDir& dir) {
    auto app = std::make_unique<ZoltApplication>(RootsIn(dir));
    if (!app->InitInstance())
        return nullptr;
    app->ShowMainWindow();
    if (!QTest::qWaitForWindowExposed(app->GetMainWindow()))
        return nullptr;
    // Keys reach the window's shortcuts only while it is the active one.
    QApplication::setActiveWindow(app->GetMainWindow());
    if (!QTest::qWaitForWindowActive(app->GetMainWindow()))
        return nullptr;
    return app;
}

void AppTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    app_ = StartApp(*dir_);
    QVERIFY(app_ != nullptr);
}

void AppTest::cleanup() {
    app_.reset();
    dir_.reset();
}

}  // namespace zolt::testing
