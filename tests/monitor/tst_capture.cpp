#include "monitor/latestcapture.h"
#include "monitor/microphonecapture.h"
#include "monitor/rollingcapture.h"

#include <QTest>
#include <atomic>
#include <deque>
#include <thread>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes samples(std::initializer_list<int> values, std::size_t totalSamples = 512)
{
    Bytes bytes(totalSamples * 2, 0);
    std::size_t i = 0;
    for (int v : values) {
        bytes[2 * i] = std::uint8_t(v & 0xFF);
        bytes[2 * i + 1] = std::uint8_t((v >> 8) & 0xFF);
        ++i;
    }
    return bytes;
}

// A device whose captures the test queues by hand.
class QueuedDevice : public CaptureDevice
{
public:
    int openResult = 0;
    int closes = 0;
    std::deque<Bytes> captures;
    int open() override { return openResult; }
    const std::uint8_t *takeLatest() override
    {
        if (openResult != 0 || captures.empty())
            return nullptr;
        taken = captures.back();
        captures.clear();
        return taken.data();
    }
    Bytes taken;
    void close() override { ++closes; }
};
} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void rawLevel_data();
    void rawLevel();
    void newestWindow_data();
    void newestWindow();
    void takeOnlyWhenFresh();
    void restartForgetsPartialData();
    void concurrentCapturesAreNeverTorn();
    void readsFollowTheDevice();
    void failedDeviceLeavesLevelAtZero();
};

void TestCapture::rawLevel_data()
{
    QTest::addColumn<Bytes>("capture");
    QTest::addColumn<qint64>("level");
    QTest::newRow("silence") << samples({}) << 0LL;
    QTest::newRow("largest magnitude wins, not the first sample")
        << samples({16, -10}) << 16LL * 65536;
    QTest::newRow("negative peak") << samples({3, -200, 100}) << 200LL * 65536;
    QTest::newRow("full-scale negative sample") << samples({0, -32768}) << 2147483648LL;
    QTest::newRow("full-scale positive sample") << samples({32767}) << 32767LL * 65536;
    Bytes late = samples({});
    late[1022] = 0x00;
    late[1023] = 0x40; // last sample 16384
    QTest::newRow("peak in the last sample") << late << 16384LL * 65536;
}

void TestCapture::rawLevel()
{
    QFETCH(Bytes, capture);
    QFETCH(qint64, level);
    QCOMPARE(MicrophoneCapture::rawLevelOf(capture.data(), capture.size()), level);
}

void TestCapture::newestWindow_data()
{
    QTest::addColumn<std::vector<int>>("chunks");
    QTest::addColumn<bool>("complete");
    QTest::newRow("less than one capture") << std::vector<int>{500, 500} << false;
    QTest::newRow("exactly one capture") << std::vector<int>{1024} << true;
    QTest::newRow("small pieces") << std::vector<int>{100, 7, 900, 300, 2} << true;
    QTest::newRow("one large fragment") << std::vector<int>{4410} << true;
    QTest::newRow("large then small") << std::vector<int>{2048, 10} << true;
}

void TestCapture::newestWindow()
{
    QFETCH(std::vector<int>, chunks);
    QFETCH(bool, complete);

    // The rolling window alone (the polled capture) and behind the triple buffer (the
    // capture with a recording thread) hand over the same newest bytes.
    RollingCapture rolling;
    LatestCapture latest;
    Bytes stream;
    for (int size : chunks) {
        Bytes chunk(static_cast<std::size_t>(size));
        for (std::size_t k = 0; k < chunk.size(); ++k) {
            const std::size_t g = stream.size() + k; // differs from any other position
            chunk[k] = std::uint8_t(g ^ (g >> 8));
        }
        stream.insert(stream.end(), chunk.begin(), chunk.end());
        rolling.append(chunk.data(), chunk.size());
        latest.append(chunk.data(), chunk.size());
    }
    for (const std::uint8_t *taken : {rolling.takeFresh(), latest.take()}) {
        QCOMPARE(taken != nullptr, complete);
        if (complete)
            QVERIFY(std::equal(taken, taken + RollingCapture::Size,
                               stream.end() - RollingCapture::Size));
    }
}

void TestCapture::takeOnlyWhenFresh()
{
    RollingCapture rolling;
    LatestCapture latest;
    Bytes ones(1024, 1), twos(1024, 2);
    for (const Bytes &bytes : {ones, twos}) {
        rolling.append(bytes.data(), bytes.size());
        latest.append(bytes.data(), bytes.size());
    }
    for (const std::uint8_t *taken : {rolling.takeFresh(), latest.take()}) {
        QVERIFY(taken);
        QVERIFY(std::equal(twos.begin(), twos.end(), taken));
    }
    QVERIFY(!rolling.takeFresh());
    QVERIFY(!latest.take());
}

// A new recording (a new stream, another source) never completes a capture with bytes
// of the one before.
void TestCapture::restartForgetsPartialData()
{
    RollingCapture rolling;
    Bytes old(1000, 1), fresh(1000, 2);
    rolling.append(old.data(), old.size());
    rolling.restart();
    rolling.append(fresh.data(), fresh.size());
    QVERIFY(!rolling.takeFresh());
    rolling.append(fresh.data(), 24);
    const std::uint8_t *taken = rolling.takeFresh();
    QVERIFY(taken);
    QVERIFY(
        std::all_of(taken, taken + RollingCapture::Size, [](std::uint8_t b) { return b == 2; }));
}

// Each published capture is filled with one value; a torn hand-over would mix two.
void TestCapture::concurrentCapturesAreNeverTorn()
{
    LatestCapture latest;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        Bytes chunk(1024);
        for (int i = 0; i < 200000; ++i) {
            std::fill(chunk.begin(), chunk.end(), std::uint8_t(i));
            latest.append(chunk.data(), chunk.size());
        }
        done = true;
    });
    int takes = 0;
    while (!done) {
        if (const std::uint8_t *out = latest.take()) {
            ++takes;
            QVERIFY(std::all_of(out, out + LatestCapture::Size,
                                [&](std::uint8_t b) { return b == out[0]; }));
        }
    }
    producer.join();
    QVERIFY(takes > 0);
}

void TestCapture::readsFollowTheDevice()
{
    auto device = std::make_unique<QueuedDevice>();
    QueuedDevice *queued = device.get();
    MicrophoneCapture capture(std::move(device));
    QCOMPARE(capture.openMicrophone(), 0);

    capture.readMicrophoneBuffer();
    QCOMPARE(capture.rawLevel(), 0LL); // nothing complete yet

    queued->captures.push_back(samples({100}));
    queued->captures.push_back(samples({-3000}));
    capture.readMicrophoneBuffer();
    QCOMPARE(capture.rawLevel(), 3000LL * 65536); // the newest capture only

    capture.readMicrophoneBuffer(); // the device fell silent or vanished
    QCOMPARE(capture.rawLevel(), 3000LL * 65536);

    capture.closeMicrophone();
    QCOMPARE(queued->closes, 1);
}

void TestCapture::failedDeviceLeavesLevelAtZero()
{
    auto device = std::make_unique<QueuedDevice>();
    device->openResult = -6;
    device->captures.push_back(samples({1000}));
    MicrophoneCapture capture(std::move(device));
    QCOMPARE(capture.openMicrophone(), -6);
    for (int i = 0; i < 3; ++i) {
        capture.readMicrophoneBuffer();
        QCOMPARE(capture.rawLevel(), 0LL);
    }
    capture.closeMicrophone(); // harmless without an open device
}

QTEST_APPLESS_MAIN(TestCapture)
#include "tst_capture.moc"
