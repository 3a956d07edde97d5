// WCAG contrast ratios against the published figures: the greys either side of 4.5:1
// on white and the pure primaries on black.
#include "features/classdisplay/contrastratio.h"

#include <QTest>

class TestContrastRatio : public QObject
{
    Q_OBJECT
private slots:
    void ratios_data();
    void ratios();
};

void TestContrastRatio::ratios_data()
{
    QTest::addColumn<quint32>("one");
    QTest::addColumn<quint32>("other");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << 0x000000u << 0xFFFFFFu << 21.0;
    QTest::newRow("white on black, either order") << 0xFFFFFFu << 0x000000u << 21.0;
    QTest::newRow("a colour on itself") << 0x3366CCu << 0x3366CCu << 1.0;
    QTest::newRow("alpha byte ignored") << 0xFF000000u << 0x00FFFFFFu << 21.0;
    // The two greys either side of 4.5:1 on white.
    QTest::newRow("#767676 on white") << 0x767676u << 0xFFFFFFu << 4.542;
    QTest::newRow("#777777 on white") << 0x777777u << 0xFFFFFFu << 4.478;
    // Pure primaries weigh differently: green is the lightest.
    QTest::newRow("red on black") << 0xFF0000u << 0x000000u << 5.252;
    QTest::newRow("green on black") << 0x00FF00u << 0x000000u << 15.304;
    QTest::newRow("blue on black") << 0x0000FFu << 0x000000u << 2.444;
    // A channel below the linear knee (10/255).
    QTest::newRow("#0A0A0A on black") << 0x0A0A0Au << 0x000000u << 1.0607;
}

void TestContrastRatio::ratios()
{
    QFETCH(quint32, one);
    QFETCH(quint32, other);
    QFETCH(double, ratio);
    const double got = ContrastRatio::between(one, other);
    QVERIFY2(qAbs(got - ratio) < 0.001 * ratio, qPrintable(QString::number(got, 'f', 4)));
}

QTEST_APPLESS_MAIN(TestContrastRatio)
#include "tst_contrastratio.moc"
