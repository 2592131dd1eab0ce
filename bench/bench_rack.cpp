// The rack view on the largest vault (about 45,000 entries in one rack), each
// operation set against a baseline measured in the same run:
//  - a two-rule filter, which runs off the GUI thread: from Enter until the
//    table is up to date (sorted as the table is), in wall time, against a
//    plain loop running the same compiled expressions over the same strings;
//    and the longest stretch the GUI thread is busy meanwhile, as the longest
//    gap between the ticks of a 1 ms timer of its event loop;
//  - the pathological expression ^(\w+\s?)+\W$, which takes minutes over
//    the rack: the longest gap of the event loop while it runs, and how soon
//    Escape has stopped it;
//  - sorting a column against std::sort over the same strings with the same
//    comparison;
//  - building a Rack until the first paint of its table against a bare
//    QTableView over the same rack model, with Qt's proxy sort of the rows
//    alone, by the cheapest comparison, as the floor of any sorted table.
#include "BenchClock.h"
#include "BenchHome.h"
#include "BenchReport.h"
#include "LargeVault.h"
#include "OffThreadWork.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "Rack.h"
#include "RackModel.h"
#include "VaultEntry.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int EntryCount = 45000;
// Fastest run of each measurement compared, in thread processor time (BenchClock).
constexpr int Repeats = 11;

using BenchClock::Timing;

// Realistic entries in random order, as years of use leave them.
std::vector<VaultEntry> makeEntries()
{
    QRandomGenerator random(20240611);
    std::vector<VaultEntry> entries;
    entries.reserve(EntryCount);
    for (int i = 0; i < EntryCount; ++i) {
        const std::unique_ptr<VaultEntry> entry(LargeVault::entry(random, random.bounded(1000000)));
        entries.push_back(*entry);
    }
    return entries;
}

// A fresh rack "Big" in the vault holding copies of the entries.
RackModel* addRack(const std::shared_ptr<Model>& model, const std::vector<VaultEntry>& entries)
{
    auto* rack = new RackModel(model, QStringLiteral("Big"));
    QList<VaultEntry*> copies;
    copies.reserve(qsizetype(entries.size()));
    for (const VaultEntry& entry : entries)
        copies.append(new VaultEntry(entry));
    rack->setEntries(copies);
    model->addRackModel(rack);
    return rack;
}

Timing measure(const std::function<void()>& prepare, const std::function<void()>& run)
{
    return BenchClock::measure(Repeats, prepare, run);
}

void report(const char* what, Timing timing, Timing base, double target)
{
    BenchReport::ratio(44, what, timing, base, target);
}

// Sorts by ranks given in advance: the least a comparison can cost.
class RankProxy : public QSortFilterProxyModel
{
public:
    explicit RankProxy(const std::vector<int>& ranks) : _ranks(ranks) {}

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        return _ranks[size_t(left.row())] < _ranks[size_t(right.row())];
    }

private:
    const std::vector<int>& _ranks;
};

// Each row's place in the name order (equal names share one).
std::vector<int> nameRanks(const RackModel& rack)
{
    const QList<VaultEntry*>& entries = rack.entries();
    std::vector<int> order(size_t(entries.size()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    const auto name = [&](int row) { return entries.at(row)->nameView(); };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return name(a).compare(name(b)) < 0; });
    std::vector<int> ranks(order.size(), 0);
    for (size_t i = 1; i < order.size(); ++i)
        ranks[size_t(order[i])] = ranks[size_t(order[i - 1])] + (name(order[i - 1]) != name(order[i]) ? 1 : 0);
    return ranks;
}

// Waits for the first paint of a widget.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void showUntilPainted(QWidget* window, QWidget* watched)
{
    PaintWatch watch(watched);
    window->show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The view is up to date once the events the change posted are handled.
void settle()
{
    QCoreApplication::processEvents();
}

using BenchClock::wallMs;

// Like measure(), in wall time: the work of other threads counts.
Timing measureWall(const std::function<void()>& prepare, const std::function<void()>& run)
{
    return BenchClock::measure(Repeats, prepare, run, wallMs);
}

// The longest time the GUI thread goes without running its event loop, as
// seen by a timer ticking every millisecond: in wall time (the gap), and in
// the thread's processor time between two ticks (how long it was busy; on a
// shared machine the gap also holds the time other programs had the core).
class LoopWatch
{
public:
    struct Stretch {
        double gap;
        double busy;
    };
    LoopWatch()
    {
        _timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        _longest = {0, 0};
        _last = wallMs();
        _lastBusy = BenchClock::threadMs();
        _timer.start(1);
    }
    // The longest stretches, the one until now included.
    Stretch stop()
    {
        tick();
        _timer.stop();
        return _longest;
    }

private:
    void tick()
    {
        const double now = wallMs();
        const double busy = BenchClock::threadMs();
        _longest.gap = std::max(_longest.gap, now - _last);
        _longest.busy = std::max(_longest.busy, busy - _lastBusy);
        _last = now;
        _lastBusy = busy;
    }

    QTimer _timer;
    double _last = 0;
    double _lastBusy = 0;
    Stretch _longest{0, 0};
};

// Runs the event loop until the rack's filter has shown its result.
void waitForFilter(Rack& rack)
{
    while (rack.isFiltering())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    settle();
}

void filtering(Rack& rack, const QString& search, const QRegularExpression& first, int firstField,
               const QRegularExpression& second, int secondField, const char* label, double target = 1.5)
{
    const QList<VaultEntry*>& entries = rack.rackModel()->entries();
    std::vector<QString> firstTexts;
    std::vector<QString> secondTexts;
    for (const VaultEntry* entry : entries) {
        firstTexts.push_back(entry->fieldView(firstField).toString());
        secondTexts.push_back(entry->fieldView(secondField).toString());
    }
    int kept = 0;
    const Timing loop = measureWall(nullptr, [&] {
        kept = 0;
        for (size_t i = 0; i < firstTexts.size(); ++i)
            if (first.match(firstTexts[i]).hasMatch() && second.match(secondTexts[i]).hasMatch())
                ++kept;
    });
    auto* line = rack.findChild<QLineEdit*>(QStringLiteral("_tbxSearch"));
    LoopWatch watch;
    std::vector<double> gaps;
    std::vector<double> busy;
    std::vector<double> guiTimes;
    const Timing filter = measureWall(
        [&] {
            rack.onCancelSearchFiltering();
            settle();
            line->setText(search);
            watch.start();
        },
        [&] {
            const double gui = BenchClock::threadMs();
            rack.onSearching(); // what Enter runs
            waitForFilter(rack);
            guiTimes.push_back(BenchClock::threadMs() - gui);
            const LoopWatch::Stretch stretch = watch.stop();
            gaps.push_back(stretch.gap);
            busy.push_back(stretch.busy);
        });
    if (rack.tableView()->model()->rowCount() != kept)
        std::printf("!! the filter shows %d rows, the loop keeps %d\n", rack.tableView()->model()->rowCount(), kept);
    char what[128];
    std::snprintf(what, sizeof what, "filter %s (%d rows shown)", label, kept);
    report(what, filter, loop, target);
    std::sort(gaps.begin(), gaps.end());
    std::sort(busy.begin(), busy.end());
    std::sort(guiTimes.begin(), guiTimes.end());
    std::printf("  GUI thread: longest busy stretch %.2f ms (worst of the runs) %s, longest gap of its event loop "
                "%.2f / %.2f ms (best / worst run); its processor time %.2f ms\n",
                busy.back(), busy.back() <= 16.0 ? "(within 16 ms)" : "(OVER 16 ms)", gaps.front(), gaps.back(),
                guiTimes.front());
}

// The expression that backtracks to the match limit on most comments (words
// and spaces, no closing sign): minutes of work over the rack, while the
// window must go on answering.
void pathological(Rack& rack)
{
    auto* line = rack.findChild<QLineEdit*>(QStringLiteral("_tbxSearch"));
    rack.onCancelSearchFiltering();
    settle();
    line->setText(QStringLiteral("comment:^(\\w+\\s?)+\\W$"));
    LoopWatch watch;
    watch.start();
    rack.onSearching();
    const double start = wallMs();
    while (wallMs() - start < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const LoopWatch::Stretch stretch = watch.stop();
    const bool running = rack.isFiltering();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    const double stopping = wallMs();
    QApplication::sendEvent(rack.tableView(), &escape);
    const bool stopped = !rack.isFiltering();
    OffThreadWork::pool()->waitForDone();
    const double idle = wallMs() - stopping;
    std::printf("filter comment:^(\\w+\\s?)+\\W$, 3 s of its run: longest gap of the event loop %.2f ms %s "
                "(busy %.2f ms), %s;\n  Escape: %s, its threads idle %.2f ms later\n",
                stretch.gap, stretch.gap < 100 ? "(within 100 ms)" : "(OVER 100 ms)", stretch.busy,
                running ? "still running" : "ENDED", stopped ? "stopped at once" : "NOT STOPPED", idle);
    settle();
}
} // namespace

int main(int argc, char** argv)
{
    BenchHome home;
    QApplication app(argc, argv);
    ModuleTexts::setLanguage(QStringLiteral("en_US"));

    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, QStringLiteral("bench.kovrin"),
                                         Model::keyFromPassword(QStringLiteral("pw")), &tabs);
    const std::vector<VaultEntry> entries = makeEntries();
    std::printf("rack of %d entries, fastest of %d runs each\n\n", EntryCount, Repeats);

    // Construction until the first paint of the table.
    RackModel* rackModel = nullptr;
    const Timing bare = measure([&] { rackModel = addRack(model, entries); },
                                 [&] {
                                     QWidget window;
                                     window.resize(924, 716);
                                     auto* layout = new QVBoxLayout(&window);
                                     auto* view = new QTableView(&window);
                                     layout->addWidget(view);
                                     view->setModel(rackModel);
                                     showUntilPainted(&window, view->viewport());
                                     delete model->removeRackModel(QStringLiteral("Big")).release();
                                 });
    const Timing built = measure([&] { rackModel = addRack(model, entries); },
                                  [&] {
                                      QWidget window;
                                      window.resize(924, 716);
                                      auto* layout = new QVBoxLayout(&window);
                                      auto* rack = new Rack(model, QStringLiteral("Big"), &window);
                                      layout->addWidget(rack);
                                      showUntilPainted(&window, rack->tableView()->viewport());
                                      delete rack; // takes its rack out of the vault
                                  });
    report("Rack built until first paint", built, bare, 2.0);
    // Where the time goes: the rack built, its table sorted by name and its
    // columns sized (tableView() does it at once), nothing shown.
    const Timing constructed = measure([&] { rackModel = addRack(model, entries); },
                                        [&] {
                                            QWidget window;
                                            auto* rack = new Rack(model, QStringLiteral("Big"), &window);
                                            rack->tableView();
                                            delete rack;
                                        });
    std::printf("  of which built, sorted and sized, unshown: %.2f ms\n", constructed.fastest);
    // The floor of any sorting proxy over these rows: Qt's own sort of them by
    // name with the cheapest comparison there is, each row's rank looked up.
    std::vector<int> ranks;
    std::unique_ptr<RankProxy> proxy;
    const auto dropProxy = [&] {
        if (proxy) {
            proxy.reset();
            delete model->removeRackModel(QStringLiteral("Big")).release();
        }
    };
    const Timing proxySort = measure(
        [&] {
            dropProxy();
            rackModel = addRack(model, entries);
            ranks = nameRanks(*rackModel);
            proxy = std::make_unique<RankProxy>(ranks);
            proxy->setSourceModel(rackModel);
            (void)proxy->rowCount();
        },
        [&] { proxy->sort(0, Qt::AscendingOrder); });
    dropProxy();
    std::printf("  Qt's proxy sort alone, by looked-up ranks:  %.2f ms (%.2f x the bare view)\n", proxySort.fastest,
                proxySort.fastest / bare.fastest);

    // One rack kept for filtering and sorting.
    addRack(model, entries);
    QWidget window;
    window.resize(924, 716);
    auto* layout = new QVBoxLayout(&window);
    auto* rack = new Rack(model, QStringLiteral("Big"), &window);
    rack->connectToSignals();
    layout->addWidget(rack);
    showUntilPainted(&window, rack->tableView()->viewport());

    filtering(*rack, QStringLiteral("bank, user:\\.org$"),
              QRegularExpression(QStringLiteral("bank"), QRegularExpression::CaseInsensitiveOption), 0,
              QRegularExpression(QStringLiteral("\\.org$"), QRegularExpression::CaseInsensitiveOption), 1,
              "bank, user:\\.org$");
    filtering(*rack, QStringLiteral("-:^[a-z], comment:^$"), QRegularExpression(QStringLiteral("^[a-z]")), 0,
              QRegularExpression(QStringLiteral("^$"), QRegularExpression::CaseInsensitiveOption), 3,
              "-:^[a-z], comment:^$");
    // For reference: a result that keeps every row, which the table sorts
    // again on the GUI thread when it takes it.
    filtering(*rack, QStringLiteral("-:^[a-z], comment:"), QRegularExpression(QStringLiteral("^[a-z]")), 0,
              QRegularExpression(QString(), QRegularExpression::CaseInsensitiveOption), 3, "-:^[a-z], comment:", 0);
    pathological(*rack);
    rack->onCancelSearchFiltering();
    settle();

    // Sorting by the account column, from the name order.
    QTableView* table = rack->tableView();
    std::vector<QString> users;
    for (const VaultEntry* entry : rack->rackModel()->entries())
        users.push_back(entry->user());
    std::vector<QString> sorted;
    const Timing plain = measure([&] { sorted = users; },
                                  [&] {
                                      std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
                                          return a.compare(b, Qt::CaseSensitive) < 0;
                                      });
                                  });
    const Timing sorting = measure(
        [&] {
            table->sortByColumn(0, Qt::AscendingOrder);
            settle();
        },
        [&] {
            table->sortByColumn(1, Qt::AscendingOrder);
            settle();
        });
    report("sort by account", sorting, plain, 3.0);
    delete rack;
    return 0;
}
