// The process's free and realloc overwrite every block they give back: a pattern
// written into a block is found in the process's memory while the block lives,
// and nowhere once it is freed, moved or cut off, whichever allocation function
// made it and whichever thread frees it.
#include "FreeWiping.h"
#include "MemoryScan.h"
#include "TestMain.h"

#include <QTest>

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <thread>

namespace {
void writePattern(void* block, size_t offset, const QString& canary)
{
    char* p = static_cast<char*>(block) + offset;
    for (const QChar c : canary)
        *p++ = char(c.unicode());
}
} // namespace

class TestFreeWiping : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (FreeWiping::mode() == FreeWiping::Mode::Off)
            QSKIP("freed blocks are not wiped in this build (no glibc)");
    }
    void freedBlocksAreWiped_data();
    void freedBlocksAreWiped();
    void reallocKeepsContentsAndEdges_data();
    void reallocKeepsContentsAndEdges();
};

void TestFreeWiping::freedBlocksAreWiped_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("size");
    // Where the pattern goes: past the bytes glibc itself writes into a freed block
    // (its list pointers), so that without the wipe the pattern would survive.
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("living");  // copies left after the step, before the final free
    QTest::newRow("malloc") << "malloc" << 256 << 64 << 0;
    QTest::newRow("calloc") << "calloc" << 256 << 64 << 0;
    QTest::newRow("new[]") << "new" << 256 << 64 << 0;
    QTest::newRow("memalign") << "memalign" << 256 << 64 << 0;
    QTest::newRow("aligned_alloc") << "aligned_alloc" << 256 << 64 << 0;
    QTest::newRow("posix_memalign") << "posix_memalign" << 256 << 64 << 0;
    QTest::newRow("valloc") << "valloc" << 256 << 64 << 0;
    QTest::newRow("huge, mapped") << "malloc" << (8 << 20) << (4 << 20) << 0;
    QTest::newRow("other thread") << "thread" << 256 << 64 << 0;
    // The moved block holds the pattern, the old one nothing.
    QTest::newRow("realloc grows") << "grow" << 256 << 64 << 1;
    QTest::newRow("reallocarray grows") << "growarray" << 256 << 64 << 1;
    QTest::newRow("realloc grows a huge block") << "grow" << (1 << 20) << (512 << 10) << 1;
    // The pattern lies in the part cut off.
    QTest::newRow("realloc shrinks") << "shrink" << 4096 << 3000 << 0;
    QTest::newRow("realloc to zero") << "zero" << 256 << 64 << 0;
}

namespace {
// Kept out of line: inlined, the compiler sees the realloc branches on the same
// pointer and warns of a mismatched deallocation that no run takes.
[[gnu::noinline]] void* newArray(size_t size)
{
    return new char[size];
}

[[gnu::noinline]] void deleteArray(void* block)
{
    delete[] static_cast<char*>(block);
}
} // namespace

void TestFreeWiping::freedBlocksAreWiped()
{
    QFETCH(QString, how);
    QFETCH(int, size);
    QFETCH(int, offset);
    QFETCH(int, living);
    QString canary = MemoryScan::canary(QStringLiteral("b"));
    MemoryScan scan;
    scan.add(canary);
    void* block = nullptr;
    if (how == u"calloc")
        block = calloc(1, size_t(size));
    else if (how == u"new")
        block = newArray(size_t(size));
    else if (how == u"memalign")
        block = memalign(64, size_t(size));
    else if (how == u"aligned_alloc")
        block = aligned_alloc(256, size_t(size));
    else if (how == u"posix_memalign")
        QCOMPARE(posix_memalign(&block, 128, size_t(size)), 0);
    else if (how == u"valloc")
        block = valloc(size_t(size));
    else
        block = malloc(size_t(size));
    QVERIFY(block);
    writePattern(block, size_t(offset), canary);
    explicit_bzero(canary.data(), size_t(canary.size()) * sizeof(QChar));
    QCOMPARE(scan.find().size(), 1);

    if (how == u"new") {
        deleteArray(block);
    } else if (how == u"thread") {
        std::thread([block] { free(block); }).join();
    } else if (how == u"grow" || how == u"growarray") {
        block = how == u"grow" ? realloc(block, size_t(size) * 4) : reallocarray(block, 4, size_t(size));
        QVERIFY(block);
        QCOMPARE(scan.find().size(), living);
        free(block);
    } else if (how == u"shrink") {
        block = realloc(block, 256);
        QVERIFY(block);
        QCOMPARE(scan.find().size(), living);
        free(block);
    } else if (how == u"zero") {
        QCOMPARE(realloc(block, 0), nullptr);
    } else {
        free(block);
    }
    const QList<MemoryScan::Hit> hits = scan.find();
    QVERIFY2(hits.isEmpty(), qPrintable(MemoryScan::describe(hits)));
}

// What realloc must keep whatever it does to the old block.
void TestFreeWiping::reallocKeepsContentsAndEdges_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("grow") << 100 << 5000;
    QTest::newRow("grow into a mapped block") << 1000 << (4 << 20);
    QTest::newRow("shrink") << 5000 << 100;
    QTest::newRow("shrink a mapped block") << (4 << 20) << 1000;
    QTest::newRow("same size") << 300 << 300;
    QTest::newRow("from null") << 0 << 300;
}

void TestFreeWiping::reallocKeepsContentsAndEdges()
{
    QFETCH(int, from);
    QFETCH(int, to);
    auto* block = static_cast<unsigned char*>(from ? malloc(size_t(from)) : nullptr);
    for (int i = 0; i < from; ++i)
        block[i] = static_cast<unsigned char>(i * 7);
    block = static_cast<unsigned char*>(realloc(block, size_t(to)));
    QVERIFY(block);
    QVERIFY(malloc_usable_size(block) >= size_t(to));
    for (int i = 0; i < std::min(from, to); ++i)
        QCOMPARE(block[i], static_cast<unsigned char>(i * 7));
    std::memset(block, 1, size_t(to)); // the whole new size is writable
    free(block);
    // Refused requests are refused as glibc refuses them (a sanitizer would
    // report them instead).
    if (FreeWiping::mode() == FreeWiping::Mode::Hook) {
        errno = 0;
        QCOMPARE(reallocarray(nullptr, SIZE_MAX / 2, 4), nullptr);
        QCOMPARE(errno, ENOMEM);
        void* aligned = nullptr;
        QCOMPARE(posix_memalign(&aligned, 3, 16), EINVAL);
        QCOMPARE(aligned, nullptr);
    }
    free(nullptr);
}

KOVRIN_TEST_MAIN(TestFreeWiping)
#include "tst_freewiping.moc"
