#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class VaultEntry;

// The full-vault exchange text on bytes alone, apart from files, models and
// widgets: the export writes it, the full vault import reads it.
//
// Written form, per rack: LF LF "rack:" name LF LF, then one line per entry
// (role TAB account TAB password TAB comment) ended by LF.
class ExchangeText
{
public:
    // One rack block as read. The lines are views into the bytes given to
    // read(), which must outlive the result.
    struct Block
    {
        QString name;
        QList<QByteArrayView> lines;
        // Text other than white space was passed over between the previous
        // block (or the start of the file) and this block's header.
        bool skippedBefore = false;
        // The header stands inside an entry line of the block before ("rack:"
        // in a comment, say). The body of such a block is the gap in front of
        // the next header: its empty lines and its lines holding "rack:" (the
        // next header, read again as its own block) are left out.
        bool insideEntryLine = false;
        bool linesLeftOut = false;
    };

    struct Read
    {
        QList<Block> blocks;
        // Text other than white space follows the last block (or, without any
        // block, makes up the file) and was passed over.
        bool skippedAtEnd = false;
    };

    static constexpr QByteArrayView HeaderMark{"rack:"};

    // The writer works in UTF-16, encoded to UTF-8 by whoever writes the text
    // out (QString::toUtf8, as the vault file encodes its lines).
    // Appends a rack's header: LF LF "rack:" name LF LF.
    static void appendHeader(QString& out, const QString& name);
    // The header's length in UTF-16 units.
    static qsizetype headerSize(const QString& name);
    // Appends an entry's line and its LF; the length is the entry's text and one.
    static void appendLine(QString& out, const VaultEntry& entry);
    // Appends one rack in the written form.
    static void appendRack(QString& out, const QString& name, const QList<VaultEntry*>& entries);

    // Cuts the bytes into rack blocks: a header starts at each "rack:" and runs
    // to the next empty line (LF LF) or the end; the name is the trimmed header
    // after its first colon; the body runs from there to the next empty line or
    // the end. The search for the next header starts again at the first byte of
    // the body, so a "rack:" inside an entry line opens a further block.
    static Read read(const QByteArray& bytes);
};
