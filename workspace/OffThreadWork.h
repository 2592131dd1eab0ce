#pragma once

#include <QObject>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

template <typename T>
class QFutureWatcher;
class QThreadPool;

// Long work of the interface (filtering a rack, reports and imports over a whole
// vault) run on the thread pool, so that the window goes on painting and
// answering: a snapshot goes in, a result comes out on this object's thread.
//
// The work is cut into chunks of at most chunkSize items, run in parallel; each
// chunk is told through a flag when the work is cancelled and should look at it
// between items. One piece of work at a time: starting another, cancel() or
// destroying the object cancels the one running, and its result is dropped.
// The work's data lives as long as the work itself, however late that ends.
class OffThreadWork : public QObject
{
    Q_OBJECT
public:
    using Cancelled = std::atomic_bool;

    explicit OffThreadWork(QObject* parent = nullptr);
    ~OffThreadWork() override;

    // Runs part(snapshot, result, begin, end, cancelled) over the items
    // [0, count), each range at most chunkSize long, then done(result, error)
    // on this object's thread, unless cancelled meanwhile. Ranges write to
    // parts of the result of their own. error holds what a chunk threw (the
    // result is then incomplete); done runs in the event loop, so it must not
    // let an exception out. The snapshot is let go on the work's threads: a
    // large one costs to free.
    template <typename Snapshot, typename Result>
    void start(std::shared_ptr<const Snapshot> snapshot, Result result, qsizetype count, qsizetype chunkSize,
               std::function<void(const Snapshot&, Result&, qsizetype, qsizetype, const Cancelled&)> part,
               std::function<void(Result&&, std::exception_ptr)> done)
    {
        auto out = std::make_shared<Result>(std::move(result));
        startChunks(
            count, chunkSize,
            [snapshot = std::move(snapshot), out, part = std::move(part)](qsizetype begin, qsizetype end,
                                                                          const Cancelled& cancelled) {
                part(*snapshot, *out, begin, end, cancelled);
            },
            [out, done = std::move(done)](std::exception_ptr error) { done(std::move(*out), error); });
    }

    // Drops the work running, if any: its chunks stop at their next item.
    void cancel();
    bool isRunning() const { return _watcher != nullptr; }

    // The threads the work runs on, one per core. Not Qt's global pool: the
    // raster paint engine splits large fills over that one and waits for
    // them, so long work there would hold up the window's painting.
    static QThreadPool* pool();

Q_SIGNALS:
    // Work began or ended (done ran, or it was cancelled).
    void runningChanged(bool running);

private:
    using Chunk = std::function<void(qsizetype, qsizetype, const Cancelled&)>;
    using Done = std::function<void(std::exception_ptr)>;
    struct Job;
    struct State;

    void startChunks(qsizetype count, qsizetype chunkSize, Chunk chunk, Done done);
    void stop();

    std::shared_ptr<State> _state;
    QFutureWatcher<void>* _watcher = nullptr;
};
