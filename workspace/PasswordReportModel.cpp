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

// Shards per core: a core held by another program leaves its share to the
// others, and a cancel is noticed soon.
constexpr int ShardsPerThread = 32;
constexpr int ProgressIntervalMs = 100;
} // namespace

// What the work's threads get: the entries' texts, shared with the entries
// (not copied), in vault order. An entry changed or deleted meanwhile leaves
// its old text here alone, wiped when the last holder lets it go.
struct PasswordReportModel::Texts {
    QList<QString> texts;
    std::vector<int> rackOf; // index into rackNames, per text
    QStringList rackNames;
    size_t seed = 0;
    // The texts of each shard, in vault order: a password's shard is its hash's.
    std::vector<std::vector<qsizetype>> shards;
    std::shared_ptr<std::atomic<qsizetype>> done;

    Texts() = default;
    Texts(const Texts&) = delete;
    Texts& operator=(const Texts&) = delete;
    ~Texts()
    {
        for (QString& text : texts)
            WipeOnExit::wipe(text);
    }
};

// What a run finds of each entry, and of each shard's groups.
struct PasswordReportModel::Outcome {
    struct Entry {
        int score = 0;
        int uses = 0; // entries sharing the password; 0 for an empty one
        size_t digest = 0;
    };
    std::vector<Entry> entries;
    std::vector<qsizetype> reusedGroups; // per shard
};

// The run going on, as the GUI thread knows it: its texts give the rows
// their rack, role and account once the run ends.
struct PasswordReportModel::Pending {
    std::shared_ptr<const Texts> texts;
};

namespace {
// Field index (role, account, password, comment) of an entry's text.
QStringView fieldOf(QStringView text, int index)
{
    qsizetype begin = 0;
    for (int i = 0; i < index; ++i)
        begin = text.indexOf(QLatin1Char('\t'), begin) + 1;
    const qsizetype end = text.indexOf(QLatin1Char('\t'), begin);
    return text.sliced(begin, (end < 0 ? text.size() : end) - begin);
}
} // namespace

// Equal passwords hash alike, so each shard groups and estimates its own
// passwords alone, in parallel with the others, every distinct one once: the
// first entry of a password in vault order gives the words it is estimated
// with.
void PasswordReportModel::runShard(const Texts& in, Outcome& out, qsizetype shard, const std::atomic_bool& cancelled)
{
    QHash<QStringView, int> groupOf;
    std::vector<qsizetype> firstEntry;
    std::vector<int> uses;
    std::vector<std::pair<qsizetype, int>> mine; // entry, group
    qsizetype empty = 0;
    for (const qsizetype i : in.shards[size_t(shard)]) {
        if (cancelled.load(std::memory_order_relaxed))
            return;
        const QStringView text = in.texts.at(i);
        const QStringView password = fieldOf(text, 2);
        out.entries[size_t(i)].digest = qHash(text, in.seed);
        if (password.isEmpty()) {
            ++empty;
            continue;
        }
        auto found = groupOf.constFind(password);
        if (found == groupOf.constEnd()) {
            found = groupOf.insert(password, int(firstEntry.size()));
            firstEntry.push_back(i);
            uses.push_back(0);
        }
        ++uses[size_t(found.value())];
        mine.emplace_back(i, found.value());
    }
    in.done->fetch_add(empty, std::memory_order_relaxed);
    std::vector<int> scores(firstEntry.size(), 0);
    for (size_t group = 0; group < firstEntry.size() && !cancelled.load(std::memory_order_relaxed); ++group) {
        const QStringView text = in.texts.at(firstEntry[group]);
        QString password = fieldOf(text, 2).toString();
        const WipeOnExit wipe(password);
        scores[group] =
            PasswordStrength::estimate(password, {fieldOf(text, 0).toString(), fieldOf(text, 1).toString()}).score;
        in.done->fetch_add(uses[group], std::memory_order_relaxed);
    }
    for (const auto& [entry, group] : mine) {
        out.entries[size_t(entry)].score = scores[size_t(group)];
        out.entries[size_t(entry)].uses = uses[size_t(group)];
    }
    out.reusedGroups[size_t(shard)] =
        qsizetype(std::count_if(uses.cbegin(), uses.cend(), [](int n) { return n >= 2; }));
}

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
    // The GUI thread only shares the texts and hashes the passwords into
    // shards (some milliseconds for the largest vault); the work does the rest.
    auto texts = std::make_shared<Texts>();
    texts->seed = size_t(QRandomGenerator::system()->generate64());
    const size_t shardCount = size_t(ShardsPerThread * std::max(1, QThread::idealThreadCount()));
    texts->shards.resize(shardCount);
    texts->done = std::make_shared<std::atomic<qsizetype>>(0);
    const std::shared_ptr<Model::RackList> racks = vault.racks();
    for (const RackModel* rack : *racks) {
        const int rackIndex = int(texts->rackNames.size());
        texts->rackNames.append(rack->name());
        for (const VaultEntry* entry : rack->entries()) {
            texts->shards[qHash(entry->fieldView(2), texts->seed) % shardCount].push_back(texts->texts.size());
            texts->texts.append(entry->toString());
            texts->rackOf.push_back(rackIndex);
        }
    }
    auto pending = std::make_shared<Pending>();
    pending->texts = texts;
    _pending = pending;
    _done = texts->done;
    _total = texts->texts.size();
    Outcome outcome;
    outcome.entries.resize(size_t(_total));
    outcome.reusedGroups.resize(shardCount, 0);
    const auto shards = qsizetype(shardCount);
    emit progressChanged(0, _total);
    _work.start<Texts, Outcome>(
        std::move(texts), std::move(outcome), shards, 1,
        [](const Texts& in, Outcome& out, qsizetype begin, qsizetype end, const OffThreadWork::Cancelled& cancelled) {
            for (qsizetype shard = begin; shard < end; ++shard)
                runShard(in, out, shard, cancelled);
        },
        [this, pending](Outcome&& outcome, std::exception_ptr error) {
            if (pending != _pending)
                return;
            finish(std::move(outcome), error);
        });
    if (_work.isRunning())
        _progress.start();
}

void PasswordReportModel::finish(Outcome&& outcome, std::exception_ptr error)
{
    const std::shared_ptr<Pending> pending = std::move(_pending);
    _done.reset();
    if (error) {
        emit failed(error);
        return;
    }
    const Texts& in = *pending->texts;
    QList<Row> rows;
    Summary summary;
    summary.checked = in.texts.size();
    for (const qsizetype groups : outcome.reusedGroups)
        summary.reusedGroups += groups;
    for (qsizetype i = 0; i < in.texts.size(); ++i) {
        const Outcome::Entry& entry = outcome.entries[size_t(i)];
        Row row;
        row.score = entry.score;
        if (entry.uses == 0) {
            row.findings = Empty;
            ++summary.empty;
        } else {
            if (entry.score <= 1) {
                row.findings |= Weak;
                ++summary.weak;
            }
            row.reuseCount = entry.uses;
            if (entry.uses >= 2)
                row.findings |= Reused;
        }
        if (!row.findings)
            continue;
        const QStringView text = in.texts.at(i);
        row.rack = in.rackNames.at(in.rackOf[size_t(i)]);
        row.role = fieldOf(text, 0).toString();
        row.account = fieldOf(text, 1).toString();
        row.digest = entry.digest;
        rows.append(std::move(row));
    }
    beginResetModel();
    _rows = std::move(rows);
    _summary = summary;
    _seed = in.seed;
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
