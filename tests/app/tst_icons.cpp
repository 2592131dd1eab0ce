// Icons are decoded on first use: what they draw must be the image of their
// resource, and a missing resource must still read as a null icon.
#include "Icons.h"
#include "TestMain.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class TestIcons : public QObject
{
    Q_OBJECT
private slots:
    void drawsItsResource_data();
    void drawsItsResource();
    void missingResourceIsNull();
};

void TestIcons::drawsItsResource_data()
{
    QTest::addColumn<int>("id");
    for (int id = Icons::Copy; id <= Icons::Diskette; ++id)
        QTest::newRow(qPrintable(Icons::name(id))) << id;
}

void TestIcons::drawsItsResource()
{
    QFETCH(int, id);
    const QIcon icon = Icons::getInstance().icon(id);
    const QImage expected = QImage(Icons::resource(Icons::name(id)));
    QVERIFY(!expected.isNull());
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.actualSize(expected.size()), expected.size());
    QCOMPARE(icon.availableSizes(), QList<QSize>{expected.size()});
    // The same pixels as an icon Qt decodes at once.
    const QIcon eager(Icons::resource(Icons::name(id)));
    for (const QSize size : {expected.size(), QSize(16, 16)})
        QCOMPARE(icon.pixmap(size).toImage(), eager.pixmap(size).toImage());
}

void TestIcons::missingResourceIsNull()
{
    QVERIFY(Icons::fromResource(QStringLiteral(":/images/absent.png")).isNull());
    QVERIFY(Icons::fromResource(QStringLiteral(":/images/absent.png")).pixmap(16).isNull());
    QVERIFY(!Icons::fromResource(QStringLiteral(":/images/key.png")).isNull());
}

KOVRIN_TEST_MAIN(TestIcons)
#include "tst_icons.moc"
