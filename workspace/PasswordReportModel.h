#pragma once

#include "OffThreadWork.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class Model;

// The findings of the password report, one row per entry that has any: a weak
// password (score 0 or 1), a password shared by several entries of the vault
// (in any rack), an empty one. An entry with several findings has one row that
// names them all ("weak, reused (3)"). Passwords never leave the run: the rows
// hold the rack, role and account, the findings and the score.
//
// A run shares the entries' texts on the GUI thread; off it, in parallel,
// shards of the passwords (equal passwords fall in one shard by their hash) are
// grouped and each distinct password estimated once. The rows are replaced
// only when a run ends: a cancelled run leaves the rows of the previous one.
class PasswordReportModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { RackColumn, RoleColumn, AccountColumn, FindingColumn, StrengthColumn, ColumnCount };
    enum Finding { Weak = 1, Reused = 2, Empty = 4 };
    enum Role {
        // What the columns sort by: the score for the strength.
        SortRole = Qt::UserRole,
        // The findings as flags (Finding).
        FindingsRole,
        // "|weak|reused|": the filter's fixed string is "|weak|".
        FindingKeysRole,
    };
    static QString findingKey(Finding finding);

    struct Row {
        QString rack;
        QString role;
        QString account;
        int findings = 0;
        int reuseCount = 0; // entries sharing the password (Reused)
        int score = 0;
        // The entry's whole text hashed with the run's seed: tells whether
        // the entry changed since the run, without keeping its password.
        size_t digest = 0;
    };
    struct Summary {
        qsizetype checked = 0;
        qsizetype weak = 0;
        qsizetype reusedGroups = 0;
        qsizetype empty = 0;
    };

    explicit PasswordReportModel(QObject* parent = nullptr);
    ~PasswordReportModel() override;

    // Starts a run over every rack of vault (cancelling one going on).
    void run(const Model& vault);
    // Stops the run going on; the rows stay as they were.
    void cancel();
    // Empties the report (the vault went).
    void clear();
    bool isRunning() const { return _work.isRunning(); }

    const Row& row(int index) const { return _rows.at(index); }
    const Summary& summary() const { return _summary; }
    // True once a run has ended: the summary means something.
    bool hasResult() const { return _hasResult; }
    // The entry's digest as the run computed it, for an entry as it is now.
    size_t digestOf(QStringView entryText) const;
    // The findings of a row in words, in the interface language.
    static QString findingText(const Row& row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void runningChanged(bool running);
    // Distinct passwords estimated so far, of total.
    void progressChanged(qsizetype done, qsizetype total);
    // The rows are those of the run that just ended.
    void finished();
    // A run failed (error is what it threw); the rows stay as they were.
    void failed(std::exception_ptr error);

private:
    struct Texts;
    struct Outcome;
    struct Pending;
    static void runShard(const Texts& in, Outcome& out, qsizetype shard, const std::atomic_bool& cancelled);
    void finish(Outcome&& outcome, std::exception_ptr error);
    void reportProgress();

    QList<Row> _rows;
    Summary _summary;
    bool _hasResult = false;
    size_t _seed = 0;
    OffThreadWork _work;
    std::shared_ptr<Pending> _pending;
    std::shared_ptr<std::atomic<qsizetype>> _done;
    qsizetype _total = 0;
    QTimer _progress;
};
