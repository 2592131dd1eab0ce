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

// What the chunks of one piece of work share; they hold it, so it outlives a
// cancelled work's last chunk.
struct OffThreadWork::Job {
    struct Range {
        qsizetype begin;
        qsizetype end;
    };
    std::vector<Range> ranges;
    Chunk chunk;
    Cancelled cancelled{false};
    std::mutex errorMutex;
    std::exception_ptr error;
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

    auto job = std::make_shared<Job>();
    job->chunk = std::move(chunk);
    const qsizetype size = std::max<qsizetype>(1, chunkSize);
    for (qsizetype begin = 0; begin < count; begin += size)
        job->ranges.push_back({begin, std::min(count, begin + size)});

    QFuture<void> future = QtConcurrent::map(pool(), job->ranges, [job](const Job::Range& range) {
        if (job->cancelled.load(std::memory_order_relaxed))
            return;
        try {
            job->chunk(range.begin, range.end, job->cancelled);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(job->errorMutex);
            if (!job->error)
                job->error = std::current_exception();
            job->cancelled = true; // the other chunks need not go on
        }
    });

    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, job, done = std::move(done)] {
        if (watcher != _watcher)
            return;
        _watcher = nullptr;
        _job.reset();
        watcher->deleteLater();
        std::exception_ptr error;
        {
            const std::lock_guard<std::mutex> lock(job->errorMutex);
            error = job->error;
        }
        // Cancelled work has no watcher left: what finishes here is wanted.
        const QPointer<OffThreadWork> self(this);
        done(error);
        if (self && !isRunning())
            emit runningChanged(false);
    });
    _job = job;
    _watcher = watcher;
    watcher->setFuture(future);
    if (!wasRunning)
        emit runningChanged(true);
}

void OffThreadWork::stop()
{
    if (!_watcher)
        return;
    _job->cancelled = true;
    _watcher->future().cancel();
    delete _watcher; // its result is no one's now
    _watcher = nullptr;
    _job.reset();
}

void OffThreadWork::cancel()
{
    if (!isRunning())
        return;
    stop();
    emit runningChanged(false);
}
