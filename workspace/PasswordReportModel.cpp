#include "PasswordReportModel.h"

#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordStrength.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "WipeOnExit.h"

#include <QHash>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <vector>

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Many chunks per core, so that a core held by another program leaves its
// share to the others, and a cancel is noticed soon; an estimate takes up to
// a few milliseconds.
qsizetype chunkSize(qsizetype count)
{
    const qsizetype pieces = 16 * std::max(1, QThread::idealThreadCount());
    return std::clamp<qsizetype>(count / pieces, 1, 64);
}

constexpr int ProgressIntervalMs = 100;
} // namespace

// What the work's threads get: each distinct password once, with the role and
// account of its first entry as the words an attacker may know. Wiped when the
// last holder lets it go (the work's threads, once it ends or is cancelled).
struct PasswordReportModel::Passwords {
    QList<QString> passwords;
    QList<QStringList> words;
    std::shared_ptr<std::atomic<qsizetype>> done;

    Passwords() = default;
    Passwords(const Passwords&) = delete;
    Passwords& operator=(const Passwords&) = delete;
    ~Passwords()
    {
        for (QString& password : passwords)
            WipeOnExit::wipe(password);
    }
};

// What stays on the GUI thread for building the rows: the entries without
// their passwords.
struct PasswordReportModel::Pending {
    struct Entry {
        QString rack;
        QString role;
        QString account;
        qsizetype password = -1; // index into the distinct passwords; -1: empty
        size_t digest = 0;
    };
    QList<Entry> entries;
    std::vector<int> uses; // entries per distinct password
    size_t seed = 0;
};

QString PasswordReportModel::findingKey(Finding finding)
{
    switch (finding) {
    case Weak:
        return QStringLiteral("weak");
    case Reused:
        return QStringLiteral("reused");
    case Empty:
        return QStringLiteral("empty");
    }
    return {};
}

PasswordReportModel::PasswordReportModel(QObject* parent) : QAbstractTableModel(parent)
{
    _progress.setInterval(ProgressIntervalMs);
    connect(&_progress, &QTimer::timeout, this, &PasswordReportModel::reportProgress);
    connect(&_work, &OffThreadWork::runningChanged, this, [this](bool running) {
        if (!running)
            _progress.stop();
        emit runningChanged(running);
    });
}

PasswordReportModel::~PasswordReportModel() = default;

void PasswordReportModel::run(const Model& vault)
{
    auto pending = std::make_shared<Pending>();
    pending->seed = size_t(QRandomGenerator::system()->generate64());
    auto passwords = std::make_shared<Passwords>();
    passwords->done = std::make_shared<std::atomic<qsizetype>>(0);
    {
        // Equal passwords found by hashing; the table goes before the
        // passwords are wiped, so that none of them is still shared then.
        QHash<QString, qsizetype> distinct;
        const std::shared_ptr<Model::RackList> racks = vault.racks();
        for (const RackModel* rack : *racks) {
            const QString rackName = rack->name();
            for (const VaultEntry* entry : rack->entries()) {
                Pending::Entry item;
                item.rack = rackName;
                item.role = entry->name();
                item.account = entry->user();
                item.digest = qHash(entry->textView(), pending->seed);
                QString password = entry->password();
                if (!password.isEmpty()) {
                    const auto found = distinct.constFind(password);
                    if (found != distinct.constEnd()) {
                        item.password = found.value();
                        ++pending->uses[size_t(item.password)];
                        WipeOnExit::wipe(password);
                    } else {
                        item.password = passwords->passwords.size();
                        distinct.insert(password, item.password);
                        passwords->passwords.append(std::move(password));
                        passwords->words.append(QStringList{item.role, item.account});
                        pending->uses.push_back(1);
                    }
                }
                pending->entries.append(std::move(item));
            }
        }
    }
    _pending = pending;
    _done = passwords->done;
    _total = passwords->passwords.size();
    const qsizetype count = _total;
    emit progressChanged(0, count);
    _work.start<Passwords, std::vector<int>>(
        std::move(passwords), std::vector<int>(size_t(count), 0), count, chunkSize(count),
        [](const Passwords& in, std::vector<int>& scores, qsizetype begin, qsizetype end,
           const OffThreadWork::Cancelled& cancelled) {
            for (qsizetype i = begin; i < end && !cancelled.load(std::memory_order_relaxed); ++i) {
                scores[size_t(i)] = PasswordStrength::estimate(in.passwords.at(i), in.words.at(i)).score;
                in.done->fetch_add(1, std::memory_order_relaxed);
            }
        },
        [this, pending](std::vector<int>&& scores, std::exception_ptr error) {
            if (pending != _pending)
                return;
            finish(std::move(scores), error);
        });
    if (_work.isRunning())
        _progress.start();
}

void PasswordReportModel::finish(std::vector<int>&& scores, std::exception_ptr error)
{
    const std::shared_ptr<Pending> pending = std::move(_pending);
    _done.reset();
    if (error) {
        emit failed(error);
        return;
    }
    QList<Row> rows;
    Summary summary;
    summary.checked = pending->entries.size();
    for (const int uses : pending->uses)
        if (uses >= 2)
            ++summary.reusedGroups;
    for (const Pending::Entry& entry : pending->entries) {
        Row row;
        if (entry.password < 0) {
            row.findings = Empty;
            row.score = 0;
            ++summary.empty;
        } else {
            row.score = scores[size_t(entry.password)];
            if (row.score <= 1) {
                row.findings |= Weak;
                ++summary.weak;
            }
            row.reuseCount = pending->uses[size_t(entry.password)];
            if (row.reuseCount >= 2)
                row.findings |= Reused;
        }
        if (!row.findings)
            continue;
        row.rack = entry.rack;
        row.role = entry.role;
        row.account = entry.account;
        row.digest = entry.digest;
        rows.append(std::move(row));
    }
    beginResetModel();
    _rows = std::move(rows);
    _summary = summary;
    _seed = pending->seed;
    _hasResult = true;
    endResetModel();
    emit progressChanged(_total, _total);
    emit finished();
}

void PasswordReportModel::reportProgress()
{
    if (_done)
        emit progressChanged(_done->load(std::memory_order_relaxed), _total);
}

void PasswordReportModel::cancel()
{
    _pending.reset();
    _done.reset();
    _work.cancel();
}

void PasswordReportModel::clear()
{
    cancel();
    beginResetModel();
    _rows.clear();
    _summary = {};
    _hasResult = false;
    endResetModel();
}

size_t PasswordReportModel::digestOf(QStringView entryText) const
{
    return qHash(entryText, _seed);
}

QString PasswordReportModel::findingText(const Row& row)
{
    QStringList parts;
    if (row.findings & Empty)
        parts.append(text("ReportFindingEmpty"));
    if (row.findings & Weak)
        parts.append(text("ReportFindingWeak"));
    if (row.findings & Reused)
        parts.append(text("ReportFindingReused").arg(row.reuseCount));
    return parts.join(QStringLiteral(", "));
}

int PasswordReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(_rows.size());
}

int PasswordReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant PasswordReportModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = _rows.at(index.row());
    if (role == FindingsRole)
        return row.findings;
    if (role == FindingKeysRole) {
        QString keys = QStringLiteral("|");
        for (const Finding finding : {Weak, Reused, Empty})
            if (row.findings & finding)
                keys += findingKey(finding) + QLatin1Char('|');
        return keys;
    }
    if (role == SortRole && index.column() == StrengthColumn)
        return row.score;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != SortRole)
        return {};
    switch (index.column()) {
    case RackColumn:
        return row.rack;
    case RoleColumn:
        return row.role;
    case AccountColumn:
        return row.account;
    case FindingColumn:
        return findingText(row);
    case StrengthColumn:
        return PasswordStrength::word(row.score);
    default:
        return {};
    }
}

QVariant PasswordReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const keys[] = {"ReportColumnRack", "ReportColumnRole", "ReportColumnAccount",
                                       "ReportColumnFinding", "ReportColumnStrength"};
    return text(keys[section]);
}
