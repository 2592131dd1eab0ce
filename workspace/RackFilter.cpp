#include "RackFilter.h"

#include "FilterMatcher.h"
#include "ProxyModel.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "WipeOnExit.h"

#include <QList>
#include <QThread>

#include <algorithm>
#include <vector>

namespace {
} // namespace

// The entries' texts when a run starts, kept for the next runs until the rack
// changes. The strings are shared with the entries, not copied; an entry
// changed or deleted meanwhile leaves its old text here alone, which is wiped
// when the last holder lets it go.
struct RackFilter::RackTexts {
    QList<QString> texts;

    RackTexts() = default;
    RackTexts(const RackTexts&) = delete;
    RackTexts& operator=(const RackTexts&) = delete;
    ~RackTexts()
    {
        for (QString& text : texts)
            WipeOnExit::wipe(text);
    }
};

namespace {

// Many chunks per core, so that a core another program holds for a while
// leaves its share to the others; each compiles the expressions once (some
// microseconds). A cancel is noticed between rows anyway.
qsizetype chunkSize(qsizetype rows)
{
    const qsizetype pieces = 16 * std::max(1, QThread::idealThreadCount());
    return std::clamp<qsizetype>(rows / pieces, 256, 4096);
}
} // namespace

RackFilter::RackFilter(RackModel* rack, ProxyModel* proxy, QObject* parent)
    : QObject(parent), _rack(rack), _proxy(proxy)
{
    _restart.setSingleShot(true);
    _restart.setInterval(0);
    connect(&_restart, &QTimer::timeout, this, &RackFilter::start);
    if (_rack) {
        connect(_rack, &QAbstractItemModel::rowsInserted, this, &RackFilter::rackChanged);
        connect(_rack, &QAbstractItemModel::rowsRemoved, this, &RackFilter::rackChanged);
        connect(_rack, &QAbstractItemModel::dataChanged, this, &RackFilter::rackChanged);
        connect(_rack, &QAbstractItemModel::modelReset, this, &RackFilter::rackChanged);
    }
    // The rows the rack changed beyond what the proxy checks itself, read
    // again once the change is over (a run going on starts again anyway).
    if (_proxy)
        connect(_proxy, &ProxyModel::filterOutdated, this, [this] {
            if (_running || !_proxy || !_proxy->matcher())
                return;
            _matcher = _proxy->matcher();
            _description = _shownDescription;
            setRunning(true);
            _restart.start();
        });
}

RackFilter::~RackFilter() = default;

void RackFilter::run(std::shared_ptr<const FilterMatcher> matcher, const QString& description)
{
    _matcher = std::move(matcher);
    _description = description;
    _restart.stop();
    if (!_matcher || _matcher->isEmpty()) {
        _work.cancel();
        if (_proxy)
            _proxy->clearFilter();
        setRunning(false);
        _shownDescription = _description;
        emit applied(_description);
        return;
    }
    setRunning(true);
    start();
}

void RackFilter::start()
{
    if (!_rack || !_proxy || !_running) {
        setRunning(false);
        return;
    }
    // Taken again only when the rack changed since: a new expression on the
    // same rows costs the GUI thread nothing to gather.
    if (!_texts || _textsGeneration != _generation) {
        auto texts = std::make_shared<RackTexts>();
        const QList<VaultEntry*>& entries = _rack->entries();
        texts->texts.reserve(entries.size());
        for (const VaultEntry* entry : entries)
            texts->texts.append(entry->toString());
        _texts = std::move(texts);
        _textsGeneration = _generation;
    }
    const qsizetype rows = _texts->texts.size();
    const QString description = _description;
    _work.start<RackTexts, std::vector<char>>(
        _texts, std::vector<char>(size_t(rows), char(0)), rows, chunkSize(rows),
        [matcherOfRun = _matcher](const RackTexts& in, std::vector<char>& accepted, qsizetype begin, qsizetype end,
                                  const OffThreadWork::Cancelled& cancelled) {
            const FilterMatcher matcher = matcherOfRun->unshared();
            for (qsizetype row = begin; row < end && !cancelled.load(std::memory_order_relaxed); ++row)
                accepted[size_t(row)] = matcher.accepts(in.texts.at(row)) ? 1 : 0;
        },
        [this, generation = _generation, matcher = _matcher, description](std::vector<char>&& accepted,
                                                                          std::exception_ptr error) {
            if (error) {
                setRunning(false);
                emit failed(error);
                return;
            }
            if (generation != _generation || !_proxy || !_proxy->setFilterResult(std::move(accepted), matcher)) {
                _restart.start(); // the rack changed under it: once more
                return;
            }
            _shownDescription = description;
            setRunning(false);
            emit applied(description);
        });
}

void RackFilter::rackChanged()
{
    ++_generation;
    _texts.reset(); // the old texts go with the last run still holding them
    if (!_running)
        return;
    // The result would be for rows that are no longer there: the run starts
    // again on the rack as it is once the change (and any that follow in the
    // same batch) is over.
    _work.cancel();
    _restart.start();
}

void RackFilter::cancel()
{
    _restart.stop();
    _work.cancel();
    setRunning(false);
}

void RackFilter::setRunning(bool running)
{
    if (running == _running)
        return;
    _running = running;
    emit runningChanged(running);
}
