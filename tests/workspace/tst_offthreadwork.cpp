// The runner of long work off the GUI thread: chunks over a snapshot, the
// result back on the GUI thread, and one way to cancel.
#include "OffThreadWork.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <QThread>
#include <QThreadPool>

#include <stdexcept>
#include <vector>

namespace {
using Cancelled = OffThreadWork::Cancelled;
using Numbers = std::vector<int>;

// Chunks that square the numbers, each result slot written once.
void square(const Numbers& in, Numbers& out, qsizetype begin, qsizetype end, const Cancelled&)
{
    for (qsizetype i = begin; i < end; ++i)
        out[size_t(i)] += in[size_t(i)] * in[size_t(i)];
}

// Chunks that go on until they are cancelled, counting those that saw it.
struct Endless {
    std::atomic_int started{0};
    std::atomic_int stopped{0};
    void run(const Cancelled& cancelled)
    {
        ++started;
        while (!cancelled.load())
            QThread::yieldCurrentThread();
        ++stopped;
    }
};

bool drain()
{
    return OffThreadWork::pool()->waitForDone(5000);
}
} // namespace

class TestOffThreadWork : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QVERIFY(drain()); }
    void everyItemOnceResultOnThisThread_data();
    void everyItemOnceResultOnThisThread();
    void cancelDropsTheResult();
    void newWorkCancelsTheRunning();
    void errorOfAChunk();
    void destroyedWhileRunning();
};

void TestOffThreadWork::everyItemOnceResultOnThisThread_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("chunk");
    QTest::newRow("none") << 0 << 10;
    QTest::newRow("one chunk") << 5 << 10;
    QTest::newRow("many chunks, the last short") << 1003 << 10;
    QTest::newRow("chunks of one") << 17 << 1;
    QTest::newRow("chunk size zero taken as one") << 3 << 0;
}

void TestOffThreadWork::everyItemOnceResultOnThisThread()
{
    QFETCH(int, count);
    QFETCH(int, chunk);
    auto in = std::make_shared<Numbers>();
    for (int i = 0; i < count; ++i)
        in->push_back(i);
    OffThreadWork work;
    QSignalSpy running(&work, &OffThreadWork::runningChanged);
    Numbers result;
    QThread* doneOn = nullptr;
    bool done = false;
    work.start<Numbers, Numbers>(in, Numbers(size_t(count), 0), count, chunk, square,
                                 [&](Numbers&& out, std::exception_ptr error) {
                                     QVERIFY(!error);
                                     result = std::move(out);
                                     doneOn = QThread::currentThread();
                                     done = true;
                                 });
    QVERIFY(work.isRunning());
    QTRY_VERIFY(done);
    QVERIFY(!work.isRunning());
    QCOMPARE(doneOn, QThread::currentThread());
    QCOMPARE(result.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        QCOMPARE(result[size_t(i)], i * i);
    QCOMPARE(running.size(), 2);
    QCOMPARE(running.at(0).first().toBool(), true);
    QCOMPARE(running.at(1).first().toBool(), false);
}

void TestOffThreadWork::cancelDropsTheResult()
{
    OffThreadWork work;
    QSignalSpy running(&work, &OffThreadWork::runningChanged);
    Endless endless;
    bool done = false;
    work.start<int, int>(
        std::make_shared<int>(0), 0, 4, 1, [&](const int&, int&, qsizetype, qsizetype, const Cancelled& c) { endless.run(c); },
        [&](int&&, std::exception_ptr) { done = true; });
    QTRY_VERIFY(endless.started.load() > 0);
    work.cancel();
    QVERIFY(!work.isRunning());
    QCOMPARE(running.size(), 2);
    QVERIFY(drain());
    QCoreApplication::processEvents();
    QVERIFY(!done);
    // Chunks not begun are never run; those running saw the flag.
    QCOMPARE(endless.stopped.load(), endless.started.load());
    QVERIFY(endless.started.load() <= OffThreadWork::pool()->maxThreadCount());
}

void TestOffThreadWork::newWorkCancelsTheRunning()
{
    OffThreadWork work;
    QSignalSpy running(&work, &OffThreadWork::runningChanged);
    Endless endless;
    int firstDone = 0;
    work.start<int, int>(
        std::make_shared<int>(0), 0, 2, 1, [&](const int&, int&, qsizetype, qsizetype, const Cancelled& c) { endless.run(c); },
        [&](int&&, std::exception_ptr) { ++firstDone; });
    QTRY_VERIFY(endless.started.load() > 0);
    auto in = std::make_shared<Numbers>(Numbers{1, 2, 3});
    Numbers result;
    work.start<Numbers, Numbers>(in, Numbers(3, 0), 3, 1, square,
                                 [&](Numbers&& out, std::exception_ptr) { result = std::move(out); });
    QTRY_COMPARE(result, Numbers({1, 4, 9}));
    QVERIFY(drain());
    QCoreApplication::processEvents();
    QCOMPARE(firstDone, 0);
    QCOMPARE(endless.stopped.load(), endless.started.load());
    // One run as far as the caller sees: started, then ended once.
    QCOMPARE(running.size(), 2);
}

void TestOffThreadWork::errorOfAChunk()
{
    OffThreadWork work;
    std::exception_ptr error;
    bool done = false;
    Endless others;
    work.start<int, int>(
        std::make_shared<int>(0), 0, 1000, 1,
        [&](const int&, int&, qsizetype begin, qsizetype, const Cancelled& c) {
            if (begin == 0)
                throw std::runtime_error("chunk failed");
            others.run(c);
        },
        [&](int&&, std::exception_ptr e) {
            error = e;
            done = true;
        });
    QTRY_VERIFY(done);
    QVERIFY(error);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, std::rethrow_exception(error));
    // The others (which would run for ever) stop once one failed.
    QCOMPARE(others.stopped.load(), others.started.load());
    QVERIFY(others.started.load() < 1000);
}

void TestOffThreadWork::destroyedWhileRunning()
{
    Endless endless;
    std::weak_ptr<int> snapshot;
    bool done = false;
    {
        OffThreadWork work;
        auto in = std::make_shared<int>(7);
        snapshot = in;
        work.start<int, int>(
            std::move(in), 0, 2, 1, [&](const int&, int&, qsizetype, qsizetype, const Cancelled& c) { endless.run(c); },
            [&](int&&, std::exception_ptr) { done = true; });
        QTRY_VERIFY(endless.started.load() > 0);
        QVERIFY(!snapshot.expired()); // the chunks still read it
    }
    QVERIFY(drain());
    QCoreApplication::processEvents();
    QVERIFY(!done);
    QCOMPARE(endless.stopped.load(), endless.started.load());
    QVERIFY(snapshot.expired());
}

KOVRIN_TEST_MAIN(TestOffThreadWork)
#include "tst_offthreadwork.moc"
