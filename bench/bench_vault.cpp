// Loads and saves a vault at the 4 MiB file limit (about 45,000 entries in 20
// racks) and sets each operation against the work no implementation can avoid,
// measured in the same run: reading, decrypting and cutting the plaintext into
// QStrings for loading; encrypting and writing the same bytes for saving.
#include "AesPair.h"
#include "BenchHome.h"
#include "BenchReport.h"
#include "LargeVault.h"
#include "Crypt.h"
#include "FreeWiping.h"
#include "Model.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "VaultFileSystem.h"
#include "VaultText.h"
#include "WipeOnExit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int Repeats = 7;

double medianMs(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < Repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Peak resident memory above the resident memory before the run, in bytes.
qint64 peakAbove(const std::function<void()>& run)
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        return -1;
    clear.close();
    const qint64 before = statusKb("VmRSS:");
    run();
    return (statusKb("VmHWM:") - before) * 1024;
}

QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void report(const char* what, double ms, double baseMs, double target)
{
    BenchReport::ratio(34, what, ms, baseMs, target);
}

class UnbufferedFile : public QTemporaryFile
{
public:
    using QTemporaryFile::QTemporaryFile;
    bool openUnbuffered() { return open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
};

// The save as it was before the check for a second writer and the hard-linked
// backup, step for step: the new file written, synced and read back beside
// the vault, the older backup to the trash, then two renames (vault to backup,
// new file to vault) and the folder synced. The reference the save is held to.
void renameRotationSave(const Model& model, const AesPair& key, VaultFileSystem& files)
{
    const QString fileName = model.fileName();
    const QString backup = fileName + QLatin1Char('~');
    QByteArray plain = *model.toPlainText();
    WipeOnExit plainGuard(plain);
    QByteArray cipher;
    Crypt::getInstance().encryptAES256CBC(key, plain, cipher);
    UnbufferedFile temp(QFileInfo(fileName).absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!temp.openUnbuffered())
        std::abort();
    temp.setPermissions(QFile::permissions(fileName));
    if (temp.write(cipher) != cipher.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        std::abort();
    temp.close();
    QFile written(temp.fileName());
    if (!written.open(QIODevice::ReadOnly) || written.read(cipher.data(), cipher.size()) != cipher.size())
        std::abort();
    written.close();
    QByteArray decrypted;
    WipeOnExit decryptedGuard(decrypted);
    Crypt::getInstance().decryptAES256CBC(key, cipher, decrypted);
    if (decrypted != plain)
        std::abort();
    QString trashed;
    if (QFileInfo::exists(backup) && !files.moveToTrash(backup, &trashed))
        std::abort();
    if (!QFile::rename(fileName, backup) || !QFile::rename(temp.fileName(), fileName))
        std::abort();
    temp.setAutoRemove(false);
    const int folder = ::open(QFile::encodeName(QFileInfo(fileName).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// Wall time, the disk's syncs included, of a and b run in turns, so that both
// meet the same machine; the fastest runs are compared, the medians shown.
std::pair<BenchClock::Timing, BenchClock::Timing> alternate(int repeats, const std::function<void()>& prepare,
                                                            const std::function<void()>& a,
                                                            const std::function<void()>& b)
{
    std::vector<double> times[2];
    for (int i = 0; i < repeats; ++i) {
        for (int which = 0; which < 2; ++which) {
            prepare();
            QElapsedTimer timer;
            timer.start();
            ((i + which) % 2 == 0 ? a : b)();
            times[(i + which) % 2].push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    std::pair<BenchClock::Timing, BenchClock::Timing> result;
    for (int k = 0; k < 2; ++k) {
        std::sort(times[k].begin(), times[k].end());
        BenchClock::Timing& timing = k == 0 ? result.first : result.second;
        timing = BenchClock::Timing{times[k].front(), times[k][times[k].size() / 2]};
    }
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    BenchHome home;
    QApplication application(argc, argv);
    QTabWidget tabs;

    const QString fileName = home.filePath(QStringLiteral("bench.kovrin"));
    const auto key = Model::keyFromPassword(QStringLiteral("Bench-Pw1"));
    qsizetype entryCount = 0;
    {
        auto model = std::make_shared<Model>(nullptr, fileName, std::make_unique<AesPair>(*key), &tabs);
        LargeVault::fill(model);
        for (const RackModel* rack : *model->racks())
            entryCount += rack->entryCount();
        model->saveVault(true);
    }
    const QByteArray cipherOnDisk = readFile(fileName);
    if (!QFile::copy(fileName, home.filePath(QStringLiteral("reference.kovrin"))))
        std::abort();
    QByteArray plain;
    Crypt::getInstance().decryptAES256CBC(*key, cipherOnDisk, plain);
    std::printf("vault: %lld entries in %d racks, plaintext %lld bytes, file %lld bytes (limit %lld)\n\n",
                qlonglong(entryCount), LargeVault::RackCount, qlonglong(plain.size()), qlonglong(cipherOnDisk.size()),
                qlonglong(Model::MaxCipheredSize));

    // Loading.
    const auto loadBaseline = [&] {
        QByteArray decrypted;
        Crypt::getInstance().decryptAES256CBC(*key, readFile(fileName), decrypted);
        QList<QString> fields;
        fields.reserve(entryCount * 4);
        BenchReport::splitIntoStrings(decrypted, fields);
    };
    const double loadBase = medianMs(loadBaseline);
    const double splitBase = medianMs([&] {
        QList<QString> fields;
        fields.reserve(entryCount * 4);
        BenchReport::splitIntoStrings(plain, fields);
    });
    const double load = medianMs([&] { Model::loadVault(fileName, *key, &tabs, nullptr); });
    const double parse = medianMs([&] { VaultText::parse(plain, nullptr); });

    std::shared_ptr<Model> model = Model::loadVault(fileName, *key, &tabs, nullptr);
    // Saving.
    const QString copyName = home.filePath(QStringLiteral("baseline.bin"));
    const auto encryptAndWrite = [&](bool durable) {
        QByteArray cipher;
        Crypt::getInstance().encryptAES256CBC(*key, plain, cipher);
        QFile out(copyName);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(cipher) != cipher.size())
            std::abort();
        if (durable && (!out.flush() || ::fsync(out.handle()) != 0))
            std::abort();
    };
    const double saveBase = medianMs([&] { encryptAndWrite(false); });
    const double durableBase = medianMs([&] { encryptAndWrite(true); });
    const double save = medianMs([&] { model->saveVault(true); });
    // Against the former rotation, on a second copy of the vault in the same folder.
    const auto reference = Model::loadVault(home.filePath(QStringLiteral("reference.kovrin")), *key, &tabs, nullptr);
    VaultFileSystem files;
    const QString trash = QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath(QStringLiteral("Trash"));
    const auto [rotation, formerRotation] = alternate(
        25, [&] { QDir(trash).removeRecursively(); }, [&] { model->saveVault(true); },
        [&] { renameRotationSave(*reference, *key, files); });
    const double toPlain = medianMs([&] { model->toPlainText(); });
    if (*model->toPlainText() != plain)
        std::abort();

    report("Model::loadVault", load, loadBase, 3.0);
    report("parse alone (vs. cutting into QStrings)", parse, splitBase, 0);
    report("Model::saveVault", save, saveBase, 3.0);
    report("Model::saveVault (vs. durable write)", save, durableBase, 0);
    BenchReport::ratio(34, "Model::saveVault (vs. rename rotation)", rotation, formerRotation, 1.1);
    report("Model::toPlainText", toPlain, saveBase, 0);

    // Wiping every freed block: the same calls with it and without, in turns.
    std::printf("\nwiping of freed memory, on against off%s:\n",
                FreeWiping::mode() == FreeWiping::Mode::Hook ? "" : " (not built in: figures meaningless)");
    const auto setWiping = [](bool on) { FreeWiping::setEnabled(on); };
    BenchReport::onOff(34, "Model::loadVault", 7, setWiping, {},
                       [&] { Model::loadVault(fileName, *key, &tabs, nullptr); }, 1.15);
    BenchReport::onOff(34, "Model::saveVault", 7, setWiping, {}, [&] { model->saveVault(true); }, 1.15);

    // Memory: peak above the level before the call, against the plaintext size.
    model.reset();
    const qint64 loadPeak = peakAbove([&] { model = Model::loadVault(fileName, *key, &tabs, nullptr); });
    const qint64 savePeak = peakAbove([&] { model->saveVault(true); });
    model.reset();
    const qint64 basePeak = peakAbove(loadBaseline);
    const double mib = 1024.0 * 1024.0;
    std::printf("\npeak memory above the process level (plaintext %.2f MiB):\n", double(plain.size()) / mib);
    // The baseline's own peak is shown for comparison; the target is the model's.
    for (const auto& [what, peak, judged] :
         {std::tuple{"Model::loadVault", loadPeak, true}, {"Model::saveVault", savePeak, true},
          {"load baseline (decrypt + QStrings)", basePeak, false}}) {
        const double ratio = double(peak) / double(plain.size());
        std::printf("%-34s %7.2f MiB  %5.2f x plaintext  %s\n", what, double(peak) / mib, ratio,
                    !judged ? "(reference only)" : ratio <= 6.0 ? "(within target)" : "(OVER TARGET)");
    }
    return 0;
}
