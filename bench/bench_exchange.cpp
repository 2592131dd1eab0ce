// Exports the largest vault (about 45,000 entries in 20 racks) to the
// full-vault text and builds a new vault from that text, and sets each against
// the work no implementation can avoid, measured in the same run: writing the
// same bytes to a new file; reading the file and cutting it into QStrings.
// The import is measured twice: into bare rack models, and through the
// workspace, where every rack has its view and tab while its entries arrive.
// Last, a text of nothing but empty racks (1,000 and 10,000 of them) is
// imported into the shown window: the cost of a rack must not grow with the
// number of racks already there.
#include "Base.h"
#include "BenchHome.h"
#include "BenchReport.h"
#include "LargeVault.h"
#include "MainWindow.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "RackModel.h"
#include "VaultExchange.h"
#include "VaultImport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {
constexpr int Repeats = 11;

using BenchClock::Timing;

// The fastest and the median of the runs, in thread processor time; setup runs
// before each run, outside the timing.
Timing timed(const std::function<void()>& run, const std::function<void()>& setup = [] {})
{
    return BenchClock::measure(Repeats, setup, run);
}

QByteArray readText(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        std::abort();
    return file.readAll();
}

void report(const char* what, Timing timing, Timing base, double target)
{
    BenchReport::ratio(44, what, timing, base, target);
}

VaultExchange::RackMaker bareRacks(const std::shared_ptr<Model>& model)
{
    VaultExchange::RackMaker maker;
    maker.create = [model](const QString& name) -> RackModel* {
        auto rack = std::make_unique<RackModel>(model, name);
        return model->addRackModel(rack.get()) ? rack.release() : nullptr;
    };
    maker.freeName = [] { return QStringLiteral("Rack"); };
    return maker;
}

// The full-vault text of count empty racks.
QByteArray emptyRacks(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "\n\nrack:Rack " + QByteArray::number(i) + "\n\n";
    return text;
}

struct EmptyRacks
{
    Timing read;
    Timing bare;
    Timing workspace;
};

// Reading and cutting a file of count empty racks, against importing it into
// bare rack models and through the (shown) workspace.
EmptyRacks measureEmptyRacks(BenchHome& home, Base* base, const AesPair& key, int count, int repeats)
{
    const QString vaultName = home.filePath(QStringLiteral("racks.kovrin"));
    const QString fileName = home.filePath(QStringLiteral("racks-%1.csv").arg(count));
    {
        QFile out(fileName);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(emptyRacks(count)) < 0)
            std::abort();
    }
    EmptyRacks result;
    result.read = BenchClock::measure(repeats, [] {}, [&] {
        QList<QString> fields;
        BenchReport::splitIntoStrings(readText(fileName), fields);
    });
    std::shared_ptr<Model> built;
    result.bare = BenchClock::measure(
        repeats, [&] { built.reset(); },
        [&] {
            built = std::make_shared<Model>(nullptr, vaultName, std::make_unique<AesPair>(key), base);
            int made = 0;
            VaultExchange::importFullVault(readText(fileName), *built, bareRacks(built), nullptr, &made);
            if (made != count)
                std::abort();
        });
    built.reset();
    result.workspace = BenchClock::measure(
        repeats, [&] { base->closeVault(); },
        [&] {
            base->setModel(std::make_shared<Model>(nullptr, vaultName, std::make_unique<AesPair>(key), base));
            int made = 0;
            {
                const Base::TabBatch batch(base); // as the import dialog makes its racks
                VaultExchange::importFullVault(readText(fileName), *base->model(), VaultImport::workspaceRacks(base),
                                               nullptr, &made);
            }
            if (made != count || base->count() != count + RackModel::FirstRackTab)
                std::abort();
            QCoreApplication::processEvents(); // the tab bar laid out and painted once
        });
    base->closeVault();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    BenchHome home;
    QApplication application(argc, argv);
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    MainWindow window;
    Base* base = window.base();

    const QString vaultName = home.filePath(QStringLiteral("bench.kovrin"));
    const auto key = Model::keyFromPassword(QStringLiteral("Bench-Pw1"));
    {
        // Filled in memory, the racks' entries lie interleaved; the program
        // holds a vault as read from its file, each rack's entries together.
        auto filled = std::make_shared<Model>(nullptr, vaultName, std::make_unique<AesPair>(*key), base);
        LargeVault::fill(filled);
        filled->saveVault(true);
    }
    const std::shared_ptr<Model> model = Model::loadVault(vaultName, *key, base, nullptr);
    qsizetype entryCount = 0;
    for (const RackModel* rack : *model->racks())
        entryCount += rack->entryCount();
    const QByteArray exported = VaultExchange::fullVaultText(*model);
    std::printf("vault: %lld entries in %d racks, export text %lld bytes\n\n", qlonglong(entryCount),
                LargeVault::RackCount, qlonglong(exported.size()));

    // Export: the text built and written to a new owner-only file, every write checked.
    const QString target = home.filePath(QStringLiteral("export.csv"));
    const QString plainTarget = home.filePath(QStringLiteral("plain.csv"));
    const Timing exportTime = timed(
        [&] {
            QString error;
            if (VaultExchange::exportToFile(*model, target, &error) != VaultExchange::Written::Done)
                std::abort();
        },
        [&] { QFile::remove(target); });
    const Timing writeBase = timed(
        [&] {
            QFile out(plainTarget);
            if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) || out.write(exported) != exported.size())
                std::abort();
        },
        [&] { QFile::remove(plainTarget); });
    if (readText(target) != exported)
        std::abort();

    // Import.
    const Timing readBase = timed([&] {
        QList<QString> fields;
        fields.reserve(entryCount * 4);
        BenchReport::splitIntoStrings(readText(target), fields);
    });
    std::shared_ptr<Model> built;
    const Timing bareImport = timed(
        [&] {
            built = std::make_shared<Model>(nullptr, vaultName, std::make_unique<AesPair>(*key), base);
            int made = 0;
            const auto counts = VaultExchange::importFullVault(readText(target), *built, bareRacks(built), nullptr, &made);
            if (counts.added != entryCount || made != LargeVault::RackCount)
                std::abort();
        },
        [&] { built.reset(); });
    if (*built->toPlainText() != *model->toPlainText())
        std::abort();
    built.reset();

    const Timing workspaceImport = timed(
        [&] {
            base->setModel(std::make_shared<Model>(nullptr, vaultName, std::make_unique<AesPair>(*key), base));
            int made = 0;
            const Base::TabBatch batch(base);
            const auto counts = VaultExchange::importFullVault(readText(target), *base->model(),
                                                               VaultImport::workspaceRacks(base), nullptr, &made);
            if (counts.added != entryCount || made != LargeVault::RackCount)
                std::abort();
        },
        [&] { base->closeVault(); });
    if (*base->model()->toPlainText() != *model->toPlainText())
        std::abort();
    base->closeVault();

    // References: the parts of the work that belong to the model and to the
    // rack view rather than to the exchange.
    const Timing gatherBase = timed(
        [&] {
            const auto plain = model->toPlainText();
            QFile out(plainTarget);
            if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) || out.write(*plain) != plain->size())
                std::abort();
        },
        [&] { QFile::remove(plainTarget); });
    const Timing views = timed(
        [&] {
            base->setModel(std::make_shared<Model>(nullptr, vaultName, std::make_unique<AesPair>(*key), base));
            for (int i = 0; i < LargeVault::RackCount; ++i)
                if (!base->createRack(QString::number(i)))
                    std::abort();
        },
        [&] { base->closeVault(); });
    base->closeVault();

    // Empty racks, in the window as the user sees it.
    window.show();
    QCoreApplication::processEvents();
    const EmptyRacks few = measureEmptyRacks(home, base, *key, 1000, 5);
    const EmptyRacks many = measureEmptyRacks(home, base, *key, 10000, 3);

    report("export (text + checked owner-only write)", exportTime, writeBase, 3.0);
    report("full import into rack models", bareImport, readBase, 3.0);
    report("full import through the workspace", workspaceImport, readBase, 3.0);
    std::printf("\nreferences:\n");
    report("export vs. vault plaintext built + written", exportTime, gatherBase, 0);
    report("20 empty rack views and tabs (vs. read)", views, readBase, 0);
    std::printf("\n10,000 empty racks (1,000 for the cost per rack):\n");
    report("full import of the racks, rack models", many.bare, many.read, 3.0);
    report("full import of the racks, workspace", many.workspace, many.read, 0);
    const auto perRack = [](const EmptyRacks& racks, int count) {
        return Timing{racks.workspace.fastest / count, racks.workspace.median / count};
    };
    report("a workspace rack, 10,000 vs. 1,000 (ms)", perRack(many, 10000), perRack(few, 1000), 1.3);
    report("a model rack, 10,000 vs. 1,000 (ms)", Timing{many.bare.fastest / 10000, many.bare.median / 10000},
           Timing{few.bare.fastest / 1000, few.bare.median / 1000}, 1.3);
    report("workspace import less the empty views", Timing{workspaceImport.fastest - views.fastest, workspaceImport.median - views.median}, readBase, 0);
    return 0;
}
