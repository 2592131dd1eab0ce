// Locking and unlocking the largest vault (4 MiB, about 45,000 entries in 20
// racks) with an unsaved change, in the workspace. The lock, until the racks
// and the vault model are gone, is set against serialising and encrypting the
// vault's text in memory (a save without the disk); the unlock, until the
// current rack is painted, against opening the vault from its file until its
// first rack is painted. Each pair runs in turns, so that both meet the same
// state of the heap and caches. The lock and its baseline are timed in wall
// time (the lock works on every core), the unlock and opening in the GUI
// thread's processor time.
#include "AesPair.h"
#include "Base.h"
#include "BenchClock.h"
#include "BenchHome.h"
#include "BenchPaint.h"
#include "BenchReport.h"
#include "Crypt.h"
#include "LargeVault.h"
#include "MainWindow.h"
#include "Model.h"
#include "Rack.h"
#include "RackModel.h"
#include "Startup.h"
#include "VaultLock.h"
#include "WipeOnExit.h"

#include <QApplication>
#include <QFileInfo>
#include <QTableView>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Repeats = 7;
const QString Password = QStringLiteral("Bench-Pw1");

void waitForPaint(Rack* rack)
{
    BenchPaint::waitForPaint(rack->tableView()->viewport());
}

BenchClock::Timing timing(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchHome home;
    QApplication application(argc, argv);
    Startup::setupLanguage(QStringLiteral("en_US"));

    const QString fileName = home.filePath(QStringLiteral("bench.kovrin"));
    const auto key = Model::keyFromPassword(Password);
    qsizetype entries = 0;
    {
        QTabWidget tabs;
        auto model = std::make_shared<Model>(nullptr, fileName, std::make_unique<AesPair>(*key), &tabs);
        LargeVault::fill(model);
        for (const RackModel* rack : *model->racks())
            entries += rack->entryCount();
        model->saveVault(true);
    }
    std::printf("vault: %lld entries in %d racks, file %lld bytes; fastest of %d runs\n\n", qlonglong(entries),
                LargeVault::RackCount, qlonglong(QFileInfo(fileName).size()), Repeats);

    MainWindow window;
    window.resize(900, 600);
    window.show();
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    Base* base = window.base();
    VaultLock* lock = base->vaultLock();

    std::vector<double> seals;
    std::vector<double> locks;
    std::vector<double> opens;
    std::vector<double> unlocks;
    std::vector<double> closes;
    for (int i = 0; i < Repeats; ++i) {
        // Closing the vault, for the part of a lock that lets the racks go.
        if (base->model()) {
            const double closing = BenchClock::wallMs();
            base->closeVault();
            closes.push_back(BenchClock::wallMs() - closing);
        }
        QCoreApplication::processEvents();
        double start = BenchClock::threadMs();
        base->openVault(fileName, Password);
        Rack* first = base->rackAt(2);
        if (!first || base->count() != LargeVault::RackCount + 2) {
            std::fprintf(stderr, "the vault did not open\n");
            return 1;
        }
        waitForPaint(first);
        opens.push_back(BenchClock::threadMs() - start);
        // An unsaved change, as a lock usually finds.
        RackModel* rackModel = first->rackModel();
        rackModel->setData(rackModel->index(0, RackModel::CommentColumn), QStringLiteral("changed %1").arg(i));

        // The lock's baseline: the vault's text serialised and encrypted.
        // Wall time, both: the lock uses the other core too.
        start = BenchClock::wallMs();
        {
            std::unique_ptr<QByteArray> plain = base->model()->toPlainText();
            QByteArray cipher;
            Crypt::getInstance().encryptAES256CBC(*key, *plain, cipher);
            WipeOnExit::wipe(*plain);
        }
        seals.push_back(BenchClock::wallMs() - start);

        start = BenchClock::wallMs();
        lock->lock();
        while (!lock->isLocked())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        locks.push_back(BenchClock::wallMs() - start);
        QCoreApplication::processEvents();

        start = BenchClock::threadMs();
        if (!lock->unlock(Password) || !base->rackAt(2)) {
            std::fprintf(stderr, "the vault did not unlock\n");
            return 1;
        }
        waitForPaint(base->rackAt(2));
        unlocks.push_back(BenchClock::threadMs() - start);
        base->model()->resetModified();
    }
    base->closeVault();
    if (closes.empty()) {
        std::fprintf(stderr, "nothing closed\n");
        return 1;
    }

    constexpr int Width = 58;
    BenchReport::ratio(Width, "lock, vault and racks gone / serialise + encrypt", timing(locks), timing(seals), 1.5);
    BenchReport::ratio(Width, "unlock, current rack painted / open, first rack painted", timing(unlocks),
                       timing(opens), 1.2);
    // What a lock does besides sealing: the racks and the entries let go, as
    // a close does; the lock is about the seal plus this.
    BenchReport::ratio(Width, "(close, vault and racks gone / serialise + encrypt)", timing(closes), timing(seals), 0);
    return 0;
}
