#include "VaultText.h"

#include "Exception.h"
#include "Logger.h"
#include "VaultEntry.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
constexpr QByteArrayView HeaderMark("\n\nSegment:");
// The two line feeds in front of "Segment:" belong to the separator, not the header.
constexpr qsizetype HeaderPrefix = 2;
constexpr qsizetype HeaderNameOffset = HeaderMark.size();

// The length of text.toUtf8(), without building it.
qint64 utf8Size(QStringView text)
{
    // Branch-free, so that the compiler can vectorise it: 1 byte below U+0080,
    // 2 below U+0800, else 3; a surrogate pair (2 x 3) takes 4.
    qint64 size = 0;
    bool surrogates = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        size += 1 + (u >= 0x80) + (u >= 0x800);
        surrogates |= (u & 0xF800) == 0xD800;
    }
    if (!surrogates)
        return size;
    qint64 pairs = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) {
            ++pairs;
            ++i;
        }
    }
    // Broken UTF-16 is rare: let the encoder itself say what it makes of it.
    if (2 * pairs != std::count_if(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
        return text.toUtf8().size();
    return size - 2 * pairs;
}
} // namespace

VaultText::Segment::Segment(Segment&& other) noexcept
    : name(std::move(other.name)), entries(std::exchange(other.entries, {}))
{
}

VaultText::Segment& VaultText::Segment::operator=(Segment&& other) noexcept
{
    if (this != &other) {
        qDeleteAll(entries);
        name = std::move(other.name);
        entries = std::exchange(other.entries, {});
    }
    return *this;
}

VaultText::Segment::~Segment()
{
    qDeleteAll(entries);
}

QList<VaultEntry*> VaultText::Segment::takeEntries()
{
    return std::exchange(entries, {});
}

VaultText::Parsed VaultText::parse(const QByteArray& plain, Logger* logger)
{
    Parsed parsed;
    const char* const data = plain.constData();
    const qsizetype size = plain.size();
    qsizetype from = 0;
    qsizetype pos = 0;
    bool firstSearch = true;

    // Every pass moves `from` forward (past the last line read) or ends, so the
    // loop always terminates, whatever the bytes.
    while (pos < size - 1) {
        const qsizetype match = plain.indexOf(HeaderMark, from);
        Segment segment;
        if (match < 0) {
            if (!firstSearch)
                break;
            // No header anywhere: an old flat list of entries, read as if the
            // header of the rack "Migration" stood in front of it.
            parsed.migrated = true;
            segment.name = migrationRackName();
            pos = 0;
        } else {
            const qsizetype nameStart = match + HeaderNameOffset;
            const qsizetype lineEnd = plain.indexOf('\n', match + HeaderPrefix);
            // Everything after the first colon is the name, colons included.
            segment.name = QString::fromUtf8(data + nameStart, (lineEnd < 0 ? size : lineEnd) - nameStart);
            if (lineEnd < 0) {
                // A last header without its line feed: the rack is kept, empty.
                parsed.segments.push_back(std::move(segment));
                break;
            }
            pos = lineEnd + 1;
        }
        firstSearch = false;

        bool finished = false;
        while (!finished && pos < size - 1) {
            const auto* found = static_cast<const char*>(std::memchr(data + pos, '\n', size_t(size - pos)));
            const qsizetype nl = found ? found - data : size;
            if (!found || nl >= size - 1)
                finished = true;
            else
                finished = data[nl + 1] == '\n'; // an empty line ends the segment
            // An empty line is only the separator in front of the next header.
            if (nl > pos) {
                try {
                    segment.entries.append(VaultEntry::fromBytes(QByteArrayView(data + pos, nl - pos)).release());
                } catch (const Exception& e) {
                    if (logger)
                        logger->critical(e.detail());
                }
            }
            pos = nl + 1;
            from = nl;
        }
        parsed.segments.push_back(std::move(segment));
    }
    return parsed;
}

void VaultText::appendSegment(QByteArray& out, const QString& name, const QList<VaultEntry*>& entries)
{
    out.append(HeaderMark);
    out.append(name.toUtf8());
    out.append('\n');
    for (const VaultEntry* entry : entries) {
        entry->appendBytes(out);
        out.append('\n');
    }
}

qint64 VaultText::segmentSize(const QString& name, const QList<VaultEntry*>& entries)
{
    qint64 size = HeaderMark.size() + utf8Size(name) + 1;
    for (const VaultEntry* entry : entries)
        size += utf8Size(entry->textView()) + 1;
    return size;
}
