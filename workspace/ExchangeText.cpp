#include "ExchangeText.h"

#include "VaultEntry.h"

#include <algorithm>

namespace {
constexpr QByteArrayView EmptyLine("\n\n");

bool hasText(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
            return true;
    return false;
}
} // namespace

void ExchangeText::appendHeader(QString& out, const QString& name)
{
    out.append(QLatin1StringView(EmptyLine.data(), EmptyLine.size()));
    out.append(QLatin1StringView(HeaderMark.data(), HeaderMark.size()));
    out.append(name);
    out.append(QLatin1StringView(EmptyLine.data(), EmptyLine.size()));
}

qsizetype ExchangeText::headerSize(const QString& name)
{
    return 2 * EmptyLine.size() + HeaderMark.size() + name.size();
}

// The line and its end in one step: an entry is short, a call per piece would
// cost as much as the copy.
void ExchangeText::appendLine(QString& out, const VaultEntry& entry)
{
    const QStringView line = entry.textView();
    const qsizetype at = out.size();
    out.resize(at + line.size() + 1);
    QChar* const end = std::copy(line.begin(), line.end(), out.data() + at);
    *end = QLatin1Char('\n');
}

void ExchangeText::appendRack(QString& out, const QString& name, const QList<VaultEntry*>& entries)
{
    appendHeader(out, name);
    for (const VaultEntry* entry : entries)
        appendLine(out, *entry);
}

ExchangeText::Read ExchangeText::read(const QByteArray& bytes)
{
    Read result;
    const QByteArrayView all(bytes);
    const qsizetype size = all.size();
    // Where the text not yet covered by a header or a body begins.
    qsizetype covered = 0;
    qsizetype from = 0;

    // Every pass either ends or moves `from` past the header it found, so the
    // walk always terminates.
    for (;;) {
        const qsizetype header = all.indexOf(HeaderMark, from);
        if (header < 0)
            break;
        Block block;
        block.skippedBefore = header > covered && hasText(all.sliced(covered, header - covered));
        block.insideEntryLine = header < covered;

        const qsizetype headerEnd = all.indexOf(EmptyLine, header);
        const bool lastBlock = headerEnd < 0;
        const QString headerText =
            QString::fromUtf8(all.sliced(header, (lastBlock ? size : headerEnd) - header)).trimmed();
        block.name = headerText.mid(headerText.indexOf(QLatin1Char(':')) + 1);
        if (lastBlock) {
            covered = size;
            result.blocks.append(std::move(block));
            break;
        }

        const qsizetype bodyStart = headerEnd + EmptyLine.size();
        qsizetype bodyEnd = all.indexOf(EmptyLine, bodyStart);
        if (bodyEnd < 0)
            bodyEnd = size;
        // Each line ends with LF; a last line without one counts as ended.
        for (qsizetype line = bodyStart; line < bodyEnd;) {
            qsizetype lineEnd = all.indexOf('\n', line);
            if (lineEnd < 0 || lineEnd > bodyEnd)
                lineEnd = bodyEnd;
            const QByteArrayView text = all.sliced(line, lineEnd - line);
            if (block.insideEntryLine && (text.isEmpty() || text.contains(HeaderMark)))
                block.linesLeftOut = true;
            else
                block.lines.append(text);
            line = lineEnd + 1;
        }
        covered = std::max(covered, bodyEnd);
        result.blocks.append(std::move(block));
        from = bodyStart;
    }
    result.skippedAtEnd = covered < size && hasText(all.sliced(covered));
    return result;
}
