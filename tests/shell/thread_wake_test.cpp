// Waking the user-interface thread from another thread.

#include <QTest>
#include <QThread>
#include <memory>
#include <thread>

#include "shell/thread_wake.h"

using zolt::ThreadWake;

class ThreadWakeTest : public QObject {
    Q_OBJECT

  private slots:
    void requestsFromAnotherThreadRunOnceOnThisThread() {
        int runs = 0;
        QThread* ranOn = nullptr;
        ThreadWake wake([&] {
            ++runs;
            ranOn = QThread::currentThread();
        });
        std::thread thread([&] {
            for (int i = 0; i < 1000; ++i)
                wake.Request();
        });
        thread.join();
        QCOMPARE(runs, 0);  // nothing runs until this thread gets back to its event loop
        QTRY_COMPARE(runs, 1);
        QCOMPARE(ranOn, QThread::currentThread());
        QTest::qWait(20);
        QCOMPARE(runs, 1);
    }

    void aRequestWhileRunningGetsARunOfItsOwn() {
        int runs = 0;
        std::unique_ptr<ThreadWake> wake;
        wake = std::make_unique<ThreadWake>([&] {
            if (++runs == 1)
                wake->Request();
        });
        wake->Request();
        QTRY_COMPARE(runs, 2);
        QTest::qWait(20);
        QCOMPARE(runs, 2);
    }

    void aWakeDestroyedWithARequestPendingNeverRuns() {
        int runs = 0;
        auto wake = std::make_unique<ThreadWake>([&] { ++runs; });
        std::thread([&] { wake->Request(); }).join();
        wake.reset();
        QTest::qWait(20);
        QCOMPARE(runs, 0);
    }
};

QTEST_GUILESS_MAIN(ThreadWakeTest)
#include "thread_wake_test.moc"
