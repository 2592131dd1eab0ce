#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class Logger;
class VaultEntry;

// The vault's plaintext on bytes alone, apart from files and ciphers: a segment
// per rack, "\n\nSegment:" + name + "\n", then one line per entry, each ended
// by a line feed.
class VaultText
{
public:
    // One rack as read. The entries belong to the segment until taken.
    struct Segment
    {
        QString name;
        QList<VaultEntry*> entries;

        explicit Segment(QString segmentName = {}) : name(std::move(segmentName)) {}
        Segment(Segment&& other) noexcept;
        Segment& operator=(Segment&& other) noexcept;
        Segment(const Segment&) = delete;
        Segment& operator=(const Segment&) = delete;
        ~Segment();

        QList<VaultEntry*> takeEntries();
    };

    struct Parsed
    {
        std::vector<Segment> segments;
        // The text had no segment header at all: its lines became the rack
        // "Migration", and the vault should be written again in segments.
        bool migrated = false;
    };

    // Reads every segment. A line that is not an entry is logged as critical
    // (when there is a logger) and dropped; its neighbours still load.
    static Parsed parse(const QByteArray& plain, Logger* logger);

    // Appends one segment in the form parse() reads back.
    static void appendSegment(QByteArray& out, const QString& name, const QList<VaultEntry*>& entries);
    // The bytes appendSegment would append, counted without encoding.
    static qint64 segmentSize(const QString& name, const QList<VaultEntry*>& entries);

    static QString migrationRackName() { return QStringLiteral("Migration"); }
};
