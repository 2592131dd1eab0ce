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

    // Cuts the bytes into rack blocks. A header is a line starting with "rack:"
    // (white space in front allowed) that stands before the first block or
    // after the empty line ending a block; the name is the rest of that line,
    // exactly. One empty line after a header is its separator; the block's
    // lines run from there to the next empty line or the end. A "rack:" inside
    // a block is entry text. When the first line ends with CR LF, a CR before
    // each LF belongs to the line end; otherwise every CR is text.
    static Read read(const QByteArray& bytes);
};
