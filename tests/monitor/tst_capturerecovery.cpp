// When a capture opens its device again, and how a chosen Windows input is found by name.
#include "monitor/capturerecoveryclock.h"
#include "monitor/inputnames.h"

#include <QTest>

using Step = CaptureRecoveryClock::Step;
Q_DECLARE_METATYPE(CaptureRecoveryClock::Step)
using Devices = QList<InputNames::Device>;

class TestCaptureRecovery : public QObject
{
    Q_OBJECT
private slots:
    void failedOpenIsRetriedEachSecond();
    void recording_data();
    void recording();
    void nothingIsOpenedUnlessWanted();
    void findsTheChosenInput_data();
    void findsTheChosenInput();
};

// Murmlet started before its microphone: an open every second, not sooner, until one
// succeeds; a timer tick that comes a little early still counts.
void TestCaptureRecovery::failedOpenIsRetriedEachSecond()
{
    CaptureRecoveryClock clock;
    clock.want();
    QCOMPARE(clock.next(0, 0, false), Step::Open);
    clock.openFailed(0);
    QCOMPARE(clock.next(500, 0, false), Step::Wait);
    QCOMPARE(clock.next(899, 0, false), Step::Wait);
    QCOMPARE(clock.next(950, 0, false), Step::Open);
    clock.openFailed(950);
    QCOMPARE(clock.next(1950, 0, false), Step::Open);
    clock.opened(1950);
    QCOMPARE(clock.next(2000, 0, false), Step::Wait);
}

void TestCaptureRecovery::recording_data()
{
    QTest::addColumn<qint64>("nowMs");
    QTest::addColumn<qint64>("lastBufferMs");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<Step>("expected");
    // Opened at 10000.
    QTest::newRow("buffers coming") << qint64(10900) << qint64(10880) << false << Step::Wait;
    QTest::newRow("just opened, no buffer yet")
        << qint64(10400) << qint64(0) << false << Step::Wait;
    QTest::newRow("opened and never a buffer")
        << qint64(10500) << qint64(0) << false << Step::Reopen;
    QTest::newRow("a buffer 499 ms ago") << qint64(12499) << qint64(12000) << false << Step::Wait;
    QTest::newRow("no buffer for 500 ms")
        << qint64(12500) << qint64(12000) << false << Step::Reopen;
    QTest::newRow("the driver closed it") << qint64(10100) << qint64(10090) << true << Step::Reopen;
}

void TestCaptureRecovery::recording()
{
    QFETCH(qint64, nowMs);
    QFETCH(qint64, lastBufferMs);
    QFETCH(bool, lost);
    QFETCH(Step, expected);
    CaptureRecoveryClock clock;
    clock.want();
    clock.opened(10000);
    QCOMPARE(clock.next(nowMs, lastBufferMs, lost), expected);
}

void TestCaptureRecovery::nothingIsOpenedUnlessWanted()
{
    CaptureRecoveryClock clock;
    QCOMPARE(clock.next(5000, 0, false), Step::Wait);
    clock.want();
    clock.opened(5000);
    clock.stop();
    QCOMPARE(clock.next(9000, 0, true), Step::Wait);
    clock.want(); // listening again: at once
    QCOMPARE(clock.next(9001, 0, false), Step::Open);
}

void TestCaptureRecovery::findsTheChosenInput_data()
{
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("expected");
    const QString cut = "Microphone (USB Audio Device) R"; // 31 characters
    const Devices rooms{{"Line In", "Line In (High Definition Audio)"},
                        {cut, "Microphone (USB Audio Device) Room A"},
                        {cut, "Microphone (USB Audio Device) Room B"}};
    QTest::newRow("the second of two alike")
        << rooms << "Microphone (USB Audio Device) Room B" << 2;
    QTest::newRow("the first of two alike") << rooms << "Microphone (USB Audio Device) Room A" << 1;
    QTest::newRow("a short name two inputs share") << rooms << cut << -1;
    QTest::newRow("a short name remembered before whole names") << rooms << "Line In" << 0;
    QTest::newRow("gone") << rooms << "Microphone (USB Audio Device) Room C" << -1;
    QTest::newRow("the default") << rooms << "" << -1;
    QTest::newRow("no whole name known") << Devices{{"Mic", ""}, {}} << "Mic" << 0;
    QTest::newRow("a nameless entry is never chosen") << Devices{{}, {"Mic", ""}} << "" << -1;
}

void TestCaptureRecovery::findsTheChosenInput()
{
    QFETCH(Devices, devices);
    QFETCH(QString, chosen);
    QFETCH(int, expected);
    QCOMPARE(InputNames::find(devices, chosen), expected);
}

QTEST_GUILESS_MAIN(TestCaptureRecovery)
#include "tst_capturerecovery.moc"
