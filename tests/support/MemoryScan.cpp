#include "MemoryScan.h"

#include <QRandomGenerator>

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>


namespace {
constexpr size_t ChunkSize = size_t(1) << 20;
constexpr size_t MapsSize = size_t(4) << 20;
constexpr size_t MaxHits = 4096;
constexpr quintptr MaxRegion = quintptr(4) << 30;

// What the scan keeps while it reads lives in mappings of its own, outside the
// heap: an allocation during the scan could reuse (and so hide) a freed block.
struct Scratch
{
    char chunk[ChunkSize];
    char maps[MapsSize];
    struct RawHit
    {
        int key;
        quintptr address;
        size_t line; // offset of the mapping's line in maps
    } hits[MaxHits];
    size_t hitCount;
};

quintptr hex(const char*& p)
{
    quintptr value = 0;
    for (;; ++p) {
        const char c = *p;
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return value;
        value = value * 16 + quintptr(digit);
    }
}

QString mappingName(const char* line)
{
    // start-end perms offset dev inode path
    for (int field = 0; field < 5 && *line && *line != '\n'; ++field) {
        while (*line && *line != ' ' && *line != '\n')
            ++line;
        while (*line == ' ')
            ++line;
    }
    const char* end = line;
    while (*end && *end != '\n')
        ++end;
    return QString::fromUtf8(line, end - line);
}
} // namespace

QString MemoryScan::canary(const QString& prefix, int length)
{
    static const char alphabet[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString text(prefix.size() + length, Qt::Uninitialized);
    std::copy(prefix.begin(), prefix.end(), text.begin());
    for (int i = 0; i < length; ++i)
        text[prefix.size() + i] = QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet) - 1)]);
    return text;
}

MemoryScan::Key MemoryScan::key(QStringView canary, bool utf16)
{
    Key key;
    const qsizetype half = canary.size() / 2;
    for (qsizetype i = 0; i < canary.size(); ++i) {
        QByteArray& part = i < half ? key.head : key.maskedTail;
        const char mask = i < half ? char(0) : Mask;
        part.append(char(canary[i].unicode() & 0xFF) ^ mask);
        if (utf16)
            part.append(char(canary[i].unicode() >> 8) ^ mask);
    }
    return key;
}

void MemoryScan::add(QStringView canary)
{
    Q_ASSERT(canary.size() >= 8);
    _keys.append(key(canary, false));
    _keys.append(key(canary, true));
}

QList<MemoryScan::Hit> MemoryScan::find() const
{
    QList<Hit> hits;
    auto* const scratch = static_cast<Scratch*>(
        mmap(nullptr, sizeof(Scratch), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (scratch == MAP_FAILED)
        return hits;
    const int mapsFile = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    size_t mapsLength = 0;
    for (ssize_t got = 1; mapsFile >= 0 && got > 0 && mapsLength < MapsSize - 1; mapsLength += size_t(std::max<ssize_t>(got, 0)))
        got = read(mapsFile, scratch->maps + mapsLength, MapsSize - 1 - mapsLength);
    if (mapsFile >= 0)
        close(mapsFile);
    const int mem = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    qsizetype longest = 0;
    for (const Key& key : _keys)
        longest = std::max(longest, key.head.size() + key.maskedTail.size());
    char* const buffer = scratch->chunk;
    for (size_t lineStart = 0; mem >= 0 && lineStart < mapsLength;) {
        const char* p = scratch->maps + lineStart;
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', mapsLength - lineStart));
        const size_t next = lineEnd ? size_t(lineEnd - scratch->maps) + 1 : mapsLength;
        const quintptr start = hex(p);
        ++p;
        const quintptr end = hex(p);
        const bool readable = p[1] == 'r';
        const bool special = lineEnd && (memmem(p, size_t(lineEnd - p), "[vvar]", 6) || memmem(p, size_t(lineEnd - p), "[vsyscall]", 10));
        const size_t line = lineStart;
        lineStart = next;
        // Beyond a few GiB a mapping is a reservation (a sanitizer's shadow memory),
        // not data: reading terabytes of untouched pages would never end.
        if (!readable || special || end - start > MaxRegion)
            continue;
        // The scratch mapping may have merged with a neighbour: only its own range is left out.
        const quintptr own = quintptr(scratch), ownEnd = own + sizeof(Scratch);
        const quintptr ranges[2][2] = {{start, std::min(end, std::max(start, own))},
                                       {std::max(start, std::min(end, ownEnd)), end}};
        for (const auto& range : ranges) {
            const quintptr from = range[0], to = range[1];
            // Chunks overlap by one canary so that none is missed across a boundary.
            for (quintptr at = from; at < to;) {
                const size_t wanted = std::min<size_t>(ChunkSize, to - at);
                const ssize_t got = pread(mem, buffer, wanted, off_t(at));
                if (got <= 0)
                    break;
                for (int k = 0; k < _keys.size(); ++k) {
                    const Key& key = _keys[k];
                    const size_t whole = size_t(key.head.size() + key.maskedTail.size());
                    for (const char* q = buffer; size_t(buffer + got - q) >= whole; ++q) {
                        q = static_cast<const char*>(
                            memmem(q, size_t(buffer + got - q), key.head.constData(), size_t(key.head.size())));
                        if (!q || size_t(buffer + got - q) < whole)
                            break;
                        const char* tail = q + key.head.size();
                        qsizetype i = 0;
                        while (i < key.maskedTail.size() && (tail[i] ^ Mask) == key.maskedTail[i])
                            ++i;
                        if (i == key.maskedTail.size() && scratch->hitCount < MaxHits)
                            scratch->hits[scratch->hitCount++] = {k, at + quintptr(q - buffer), line};
                    }
                }
                if (size_t(got) < wanted || at + size_t(got) >= to)
                    break;
                at += size_t(got) - size_t(longest - 1);
            }
        }
    }
    if (mem >= 0)
        close(mem);
    for (size_t i = 0; i < scratch->hitCount; ++i) {
        const Scratch::RawHit& raw = scratch->hits[i];
        hits.append({raw.key / 2, raw.key % 2 == 1, raw.address, mappingName(scratch->maps + raw.line)});
    }
    explicit_bzero(buffer, ChunkSize);
    munmap(scratch, sizeof(Scratch));
    return hits;
}

QString MemoryScan::describe(const QList<Hit>& hits)
{
    QStringList lines;
    for (const Hit& hit : hits)
        lines.append(QStringLiteral("canary %1 %2 at 0x%3 in %4")
                         .arg(hit.canary)
                         .arg(hit.utf16 ? QStringLiteral("UTF-16") : QStringLiteral("UTF-8"))
                         .arg(hit.address, 0, 16)
                         .arg(hit.mapping.isEmpty() ? QStringLiteral("anonymous memory") : hit.mapping));
    return lines.join(QLatin1Char('\n'));
}
