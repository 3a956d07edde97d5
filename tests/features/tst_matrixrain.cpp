#include "features/about/matrixrain.h"

#include <QTest>
#include <deque>

// A generator that answers from a script, then with fallback; it records every bound
// asked for.
struct ScriptedRandom
{
    std::shared_ptr<std::deque<int>> script = std::make_shared<std::deque<int>>();
    std::shared_ptr<QList<int>> bounds = std::make_shared<QList<int>>();
    int fallback = 0;

    MatrixRain::Random generator() const
    {
        return [script = script, bounds = bounds, fallback = fallback](int bound) {
            bounds->append(bound);
            if (script->empty())
                return fallback;
            const int value = script->front();
            script->pop_front();
            return value;
        };
    }
};

Q_DECLARE_METATYPE(RainColour)

namespace QTest {
template <> char *toString(const RainColour &colour)
{
    return qstrdup(QStringLiteral("(%1, %2, %3)")
                       .arg(colour.red)
                       .arg(colour.green)
                       .arg(colour.blue)
                       .toLatin1()
                       .constData());
}
} // namespace QTest

class TestMatrixRain : public QObject
{
    Q_OBJECT
private slots:
    void twoDropsPerColumn_data();
    void twoDropsPerColumn();
    void tableHoldsAtMost5000();
    void newDropDrawsFromFullRanges_data();
    void newDropDrawsFromFullRanges();
    void slowDropMovesEveryThirdStepButChangesEveryStep();
    void dropRestartsAtTopAfterLeavingGrid_data();
    void dropRestartsAtTopAfterLeavingGrid();
    void eraserRowWrapsAroundGrid_data();
    void eraserRowWrapsAroundGrid();
    void colourFollowsBrightness_data();
    void colourFollowsBrightness();
    void headInTopRowHasNoTrail();
    void startMatrixBeginsCountingAgain();
};

void TestMatrixRain::twoDropsPerColumn_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("columns");
    QTest::newRow("56 columns") << 455 << 374 << 56;
    QTest::newRow("one column") << 15 << 24 << 1;
    QTest::newRow("narrower than a cell") << 7 << 374 << 0;
    QTest::newRow("lower than a cell") << 455 << 11 << 56;
}

void TestMatrixRain::twoDropsPerColumn()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, columns);
    MatrixRain rain;
    rain.setupMatrix(width, height);
    QCOMPARE(rain.matrixWidth(), columns);
    QCOMPARE(rain.matrixHeight(), height / 12);
    // A grid without rows has nowhere to put a drop.
    const int expected = rain.matrixHeight() > 0 ? 2 * columns : 0;
    QCOMPARE(rain.dropCount(), expected);
    QList<int> perColumn(columns, 0);
    for (int i = 0; i < rain.dropCount(); ++i) {
        QCOMPARE(rain.drops()[std::size_t(i)].column, i % columns);
        ++perColumn[rain.drops()[std::size_t(i)].column];
    }
    if (expected > 0)
        QCOMPARE(perColumn, QList<int>(columns, 2));
}

void TestMatrixRain::tableHoldsAtMost5000()
{
    MatrixRain rain;
    rain.setupMatrix(3000 * 8, 120); // asks for 6000 drops
    QCOMPARE(rain.dropCount(), MatrixRain::MaxDrops);
    QCOMPARE(rain.drops().back().column, (MatrixRain::MaxDrops - 1) % 3000);
    rain.addDrop();
    QCOMPARE(rain.dropCount(), MatrixRain::MaxDrops);
    // A new grid starts an empty table rather than adding to the full one.
    rain.setupMatrix(80, 120);
    QCOMPARE(rain.dropCount(), 20);
}

void TestMatrixRain::newDropDrawsFromFullRanges_data()
{
    QTest::addColumn<bool>("highest");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("brightness");
    QTest::newRow("lowest draws") << false << 0 << 1 << 0;
    QTest::newRow("highest draws") << true << 9 << 3 << 99;
}

void TestMatrixRain::newDropDrawsFromFullRanges()
{
    QFETCH(bool, highest);
    QFETCH(int, row);
    QFETCH(int, speed);
    QFETCH(int, brightness);
    auto bounds = std::make_shared<QList<int>>();
    MatrixRain rain([bounds, highest](int bound) {
        bounds->append(bound);
        return highest ? bound - 1 : 0;
    });
    rain.setupMatrix(8, 120); // one column, ten rows: two drops
    QCOMPARE(rain.dropCount(), 2);
    QCOMPARE(*bounds, (QList<int>{10, 3, 100, 10, 3, 100}));
    const RainDrop &drop = rain.drops().front();
    QCOMPARE(drop.row, row);
    QCOMPARE(drop.speed, speed);
    QCOMPARE(drop.brightness, brightness);
}

void TestMatrixRain::slowDropMovesEveryThirdStepButChangesEveryStep()
{
    ScriptedRandom random;
    MatrixRain rain(random.generator());
    rain.setupMatrix(80, 120);
    rain.drops() = {RainDrop{4, 2, 3, 50}};
    random.bounds->clear();
    *random.script = {0, 1, 2, 0, 1, 2, 0};

    QList<int> heads;
    QString letters;
    for (int step = 0; step < 7; ++step) {
        const std::vector<DropChar> drawn = rain.stepMatrix();
        QCOMPARE(drawn.size(), std::size_t(1));
        heads << drawn[0].headRow;
        letters += drawn[0].character;
    }
    QCOMPARE(heads, (QList<int>{2, 3, 3, 3, 4, 4, 4}));
    QCOMPARE(letters, QStringLiteral("tamtamt"));
    QCOMPARE(rain.drops()[0].row, 5);
    QCOMPARE(*random.bounds, QList<int>(7, 3)); // one letter of "tam" per step
    QCOMPARE(rain.matrixTick(), 7);
}

void TestMatrixRain::dropRestartsAtTopAfterLeavingGrid_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("brightness");
    // Ten rows: the head may still stand in row 11 (one below the spare row 10).
    QTest::newRow("reaching the spare row") << 9 << 10 << 1 << 70;
    QTest::newRow("one below the spare row") << 10 << 11 << 1 << 70;
    QTest::newRow("leaving the grid") << 11 << 0 << 3 << 42;
}

void TestMatrixRain::dropRestartsAtTopAfterLeavingGrid()
{
    QFETCH(int, startRow);
    QFETCH(int, row);
    QFETCH(int, speed);
    QFETCH(int, brightness);
    ScriptedRandom random;
    MatrixRain rain(random.generator());
    rain.setupMatrix(80, 120);
    rain.drops() = {RainDrop{6, startRow, 1, 70}};
    *random.script = {1, 2, 42}; // letter, then the new speed and brightness
    const std::vector<DropChar> drawn = rain.stepMatrix();
    QCOMPARE(drawn[0].headRow, startRow); // drawn where it stood, then moved
    const RainDrop &drop = rain.drops()[0];
    QCOMPARE(drop.column, 6);
    QCOMPARE(drop.row, row);
    QCOMPARE(drop.speed, speed);
    QCOMPARE(drop.brightness, brightness);
}

void TestMatrixRain::eraserRowWrapsAroundGrid_data()
{
    QTest::addColumn<int>("matrixHeight");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("eraserRow");
    QTest::newRow("large grid, head low") << 50 << 45 << 5;
    QTest::newRow("large grid, exactly 40 below top") << 50 << 40 << 0;
    QTest::newRow("large grid, head near top wraps") << 50 << 10 << 21;
    QTest::newRow("large grid, head at top") << 50 << 0 << 11;
    QTest::newRow("40 rows, head at top") << 40 << 0 << 1;
    QTest::newRow("39 rows, head at top") << 39 << 0 << 0;
    QTest::newRow("small grid, head at top") << 10 << 0 << 4;
    QTest::newRow("small grid, head mid") << 10 << 5 << 9;
    QTest::newRow("small grid, head past bottom") << 10 << 11 << 4;
    QTest::newRow("one row") << 1 << 2 << 0;
}

void TestMatrixRain::eraserRowWrapsAroundGrid()
{
    QFETCH(int, matrixHeight);
    QFETCH(int, row);
    QFETCH(int, eraserRow);
    const DropChar cells = MatrixRain::drawDropChar(RainDrop{3, row, 1, 50}, u'a', matrixHeight);
    QCOMPARE(cells.eraserRow, eraserRow);
    QCOMPARE(cells.column, 3);
}

void TestMatrixRain::colourFollowsBrightness_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<RainColour>("head");
    QTest::addColumn<RainColour>("trail");
    QTest::newRow("dark drop draws black") << 0 << RainColour{0, 0, 0} << RainColour{0, 0, 0};
    QTest::newRow("dim") << 1 << RainColour{1, 2, 0} << RainColour{0, 0, 0};
    QTest::newRow("middle") << 50 << RainColour{74, 127, 49} << RainColour{24, 42, 16};
    QTest::newRow("brightest") << 99 << RainColour{148, 252, 98} << RainColour{49, 84, 32};
}

void TestMatrixRain::colourFollowsBrightness()
{
    QFETCH(int, brightness);
    QFETCH(RainColour, head);
    QFETCH(RainColour, trail);
    MatrixRain rain([](int) { return 0; });
    rain.setupMatrix(80, 120);
    rain.drops() = {RainDrop{0, 5, 2, brightness}};
    const DropChar drawn = rain.stepMatrix().front();
    QCOMPARE(drawn.headColour, head);
    QCOMPARE(drawn.trailColour, trail);
}

void TestMatrixRain::headInTopRowHasNoTrail()
{
    DropChar top = MatrixRain::drawDropChar(RainDrop{0, 0, 1, 50}, u't', 10);
    QVERIFY(!top.hasTrail);
    QCOMPARE(top.headRow, 0);
    DropChar next = MatrixRain::drawDropChar(RainDrop{0, 1, 1, 50}, u't', 10);
    QVERIFY(next.hasTrail);
    QCOMPARE(next.trailRow, 0);
    QCOMPARE(next.headRow, 1);
}

void TestMatrixRain::startMatrixBeginsCountingAgain()
{
    MatrixRain rain([](int) { return 0; });
    rain.startMatrix(80, 120);
    rain.stepMatrix();
    rain.stepMatrix();
    QCOMPARE(rain.matrixTick(), 2);
    rain.setupMatrix(80, 120); // a resize keeps the count
    QCOMPARE(rain.matrixTick(), 2);
    rain.startMatrix(160, 120);
    QCOMPARE(rain.matrixTick(), 0);
    QCOMPARE(rain.dropCount(), 40);
}

QTEST_GUILESS_MAIN(TestMatrixRain)
#include "tst_matrixrain.moc"
