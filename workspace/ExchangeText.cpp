#include "ExchangeText.h"

#include "VaultEntry.h"

#include <QStringDecoder>


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
    QByteArrayView all(bytes);
    // A byte order mark some editors put in front of UTF-8 text.
    if (all.startsWith(QByteArrayView("\xEF\xBB\xBF")))
        all = all.sliced(3);
    const qsizetype size = all.size();
    // Files from other systems end their lines with CR LF; the writer's begin
    // with a bare LF. The first line tells which: only then is a CR before a LF
    // part of the line end, and a CR anywhere else is always text.
    const qsizetype firstEnd = all.indexOf('\n');
    const bool crLf = firstEnd > 0 && all[firstEnd - 1] == '\r';

    // A header is a line starting with "rack:" where a header may stand: in
    // front of the first block, or after the empty line that ends a block. An
    // entry line holding "rack:" (a comment, a role) is always an entry: the
    // writer never writes an empty line inside a block.
    enum class Where { BeforeHeader, AfterHeader, InBody };
    Where where = Where::BeforeHeader;
    bool skipped = false;
    for (qsizetype pos = 0; pos < size;) {
        qsizetype end = all.indexOf('\n', pos);
        const qsizetype next = end < 0 ? size : end + 1;
        if (end < 0)
            end = size;
        else if (crLf && end > pos && all[end - 1] == '\r')
            --end;
        const QByteArrayView line = all.sliced(pos, end - pos);
        pos = next;

        if (where == Where::BeforeHeader) {
            qsizetype start = 0;
            while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
                ++start;
            if (line.sliced(start).startsWith(HeaderMark)) {
                Block block;
                // Decoded as written: a byte order mark in front of the name stays.
                block.name = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
                                 .decode(line.sliced(start + HeaderMark.size()));
                block.skippedBefore = skipped;
                skipped = false;
                result.blocks.append(std::move(block));
                where = Where::AfterHeader;
            } else if (hasText(line)) {
                skipped = true;
            }
            continue;
        }
        if (line.isEmpty()) {
            // The empty line after a header only separates it from the entries;
            // the next one ends the block.
            where = where == Where::AfterHeader ? Where::InBody : Where::BeforeHeader;
            continue;
        }
        where = Where::InBody;
        result.blocks.last().lines.append(line);
    }
    result.skippedAtEnd = skipped;
    return result;
}
