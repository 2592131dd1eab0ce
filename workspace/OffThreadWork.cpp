#include "OffThreadWork.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <mutex>
#include <vector>

// What the work's own thread and its chunks both see of one piece of work.
struct OffThreadWork::State {
    Cancelled cancelled{false};
    std::mutex errorMutex;
    std::exception_ptr error;
};

// The chunks' share: held by them alone, so that it goes (and the snapshot
// with it) on their threads when the last one ends.
struct OffThreadWork::Job {
    struct Range {
        qsizetype begin;
        qsizetype end;
    };
    std::vector<Range> ranges;
    Chunk chunk;
    std::shared_ptr<State> state;
};

OffThreadWork::OffThreadWork(QObject* parent) : QObject(parent)
{
}

QThreadPool* OffThreadWork::pool()
{
    // The application's child: it waits for the last chunks when it goes.
    static QPointer<QThreadPool> threads;
    if (!threads) {
        threads = new QThreadPool(QCoreApplication::instance());
        threads->setObjectName(QStringLiteral("OffThreadWork"));
        threads->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    }
    return threads;
}

OffThreadWork::~OffThreadWork()
{
    stop();
}

void OffThreadWork::startChunks(qsizetype count, qsizetype chunkSize, Chunk chunk, Done done)
{
    const bool wasRunning = isRunning();
    stop();

    auto state = std::make_shared<State>();
    auto job = std::make_shared<Job>();
    job->chunk = std::move(chunk);
    job->state = state;
    const qsizetype size = std::max<qsizetype>(1, chunkSize);
    for (qsizetype begin = 0; begin < count; begin += size)
        job->ranges.push_back({begin, std::min(count, begin + size)});

    // The ranges live in the job, which the map's own copy of the function keeps.
    std::vector<Job::Range>& ranges = job->ranges;
    QFuture<void> future = QtConcurrent::map(pool(), ranges, [job = std::move(job)](const Job::Range& range) {
        State& shared = *job->state;
        if (shared.cancelled.load(std::memory_order_relaxed))
            return;
        try {
            job->chunk(range.begin, range.end, shared.cancelled);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(shared.errorMutex);
            if (!shared.error)
                shared.error = std::current_exception();
            shared.cancelled = true; // the other chunks need not go on
        }
    });

    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, state, done = std::move(done)] {
        if (watcher != _watcher)
            return;
        _watcher = nullptr;
        _state.reset();
        watcher->deleteLater();
        std::exception_ptr error;
        {
            const std::lock_guard<std::mutex> lock(state->errorMutex);
            error = state->error;
        }
        // Cancelled work has no watcher left: what finishes here is wanted.
        const QPointer<OffThreadWork> self(this);
        done(error);
        if (self && !isRunning())
            emit runningChanged(false);
    });
    _state = state;
    _watcher = watcher;
    watcher->setFuture(future);
    if (!wasRunning)
        emit runningChanged(true);
}

void OffThreadWork::stop()
{
    if (!_watcher)
        return;
    _state->cancelled = true;
    _watcher->future().cancel();
    delete _watcher; // its result is no one's now
    _watcher = nullptr;
    _state.reset();
}

void OffThreadWork::cancel()
{
    if (!isRunning())
        return;
    stop();
    emit runningChanged(false);
}
