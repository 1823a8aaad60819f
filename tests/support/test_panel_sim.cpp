// The simulated panel seen from the PC's side of its line, read here with
// plain system calls and never an event loop: its answers come while the
// test's thread is asleep, byte by byte at the line's rate, no earlier than
// the frame's end and the answer's delay allow, and in the order each
// misbehaviour asks. Only lower bounds of time are checked, which a busy
// machine cannot break.

#include "PanelSim.h"
#include "TestHome.h"

#include <QtTest>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using orb::test::PanelSim;
using M = PanelSim::Misbehaviour;
using Clock = std::chrono::steady_clock;
Q_DECLARE_METATYPE(std::optional<M>)

namespace {

constexpr int kNone = -1;
constexpr double kByteMs9600 = 10'000.0 / 9600;   // one byte at 9600 baud
const QByteArray kAck = QByteArray::fromHex("C010578106DE");
const QByteArray kZoneText = "ZONA UNO        ";

// A write of one byte (the day hour) and a read of zone 1's label: 8 bytes
// each, answered by the acknowledge and by a 23-byte reply.
QByteArray writeFrame() { return PanelSim::withChecksum(QByteArray::fromHex("10C05703") + QByteArray::fromHex("002009")); }
QByteArray readFrame() { return PanelSim::withChecksum(QByteArray::fromHex("10C05203080010")); }

struct Arrival {
    QByteArray bytes;
    double firstMs = -1, lastMs = -1;   // after the frame began to be written
};

int openPcSide(const QString &device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

// Reads until `count` bytes came (or 3 s passed), then for a further 100 ms
// to catch any byte too many.
Arrival readFor(int fd, qsizetype count, Clock::time_point since)
{
    Arrival got;
    auto until = Clock::now() + std::chrono::seconds(3);
    bool whole = false;
    while (Clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - since).count();
        got.firstMs = got.bytes.isEmpty() ? ms : got.firstMs;
        got.lastMs = ms;
        got.bytes.append(buffer, n);
        if (!whole && got.bytes.size() >= count) {
            whole = true;
            until = Clock::now() + std::chrono::milliseconds(100);
        }
    }
    return got;
}

// The 6 header bytes of a read reply are the panel's own choice: blanked
// out, after the reply's checksum has been checked.
bool blankReplyAt(QByteArray &bytes, int at)
{
    const QByteArray reply = bytes.mid(at, 23);
    if (reply.size() != 23 || PanelSim::withChecksum(reply.chopped(1)) != reply)
        return false;
    bytes.replace(at, 6, QByteArray(6, '\0'));
    return true;
}


} // namespace

class TestPanelSim : public QObject {
    Q_OBJECT
private slots:
    void answersOnItsOwnThread_data();
    void answersOnItsOwnThread();
    void hangUpKeepsTheNumberTaken();
};

void TestPanelSim::answersOnItsOwnThread_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<std::optional<M>>("what");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<bool>("asleep");         // the test's thread sleeps, reading nothing, until it is all there
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected"); // read replies with their header blanked, their checksum left out
    QTest::addColumn<int>("replyAt");         // where a read reply starts in it, or kNone
    QTest::addColumn<double>("firstMs");      // earliest moments of the first and the last byte
    QTest::addColumn<double>("lastMs");

    const QByteArray read = QByteArray(6, '\0') + kZoneText;
    const double b = kByteMs9600;
    const std::optional<M> plain;
    QTest::newRow("acknowledge while the test sleeps")
        << 0 << 0 << plain << 0 << true << writeFrame() << kAck << kNone << 0.0 << 0.0;
    QTest::newRow("paced read reply while the test sleeps")
        << 9600 << 0 << plain << 0 << true << readFrame() << read << 0 << 0.0 << 0.0;
    // The frame's 8 bytes cross the line first, then each byte of the
    // answer takes its own time.
    QTest::newRow("paced read reply after the frame's end")
        << 9600 << 0 << plain << 0 << false << readFrame() << read << 0 << 9 * b << 31 * b;
    QTest::newRow("answer delay counted from the frame's end")
        << 9600 << 5 << plain << 0 << false << writeFrame() << kAck << kNone << 9 * b + 5 << 14 * b + 5;
    QTest::newRow("stray byte just before a read reply")
        << 9600 << 0 << std::optional(M::StrayBefore) << 0 << false << readFrame()
        << QByteArray(1, PanelSim::kStray) + read << 1 << 9 * b << 32 * b;
    QTest::newRow("answer twice back to back")
        << 9600 << 0 << std::optional(M::Doubled) << 0 << false << writeFrame() << kAck + kAck << kNone << 9 * b
        << 20 * b;
    QTest::newRow("answer twice, unpaced, 20 ms apart")
        << 0 << 0 << std::optional(M::Doubled) << 20 << false << writeFrame() << kAck + kAck << kNone << 0.0 << 20.0;
    QTest::newRow("noise 10 ms after the paced answer")
        << 9600 << 0 << std::optional(M::NoiseAfter) << 10 << false << writeFrame()
        << kAck + QByteArray(1, PanelSim::kStray) << kNone << 9 * b << 15 * b + 10;
}

void TestPanelSim::answersOnItsOwnThread()
{
    QFETCH(int, baud);
    QFETCH(int, delayMs);
    QFETCH(std::optional<M>, what);
    QFETCH(int, gapMs);
    QFETCH(bool, asleep);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QFETCH(int, replyAt);
    QFETCH(double, firstMs);
    QFETCH(double, lastMs);

    PanelSim sim;
    sim.setMemory(PanelSim::zoneLabel(1), kZoneText);
    sim.setBaud(baud);
    sim.setAnswerDelayMs(delayMs);
    sim.setDoubleGapMs(gapMs);
    if (what)
        sim.misbehave(*what, PanelSim::kAlways);
    QVERIFY(sim.start());
    const int fd = openPcSide(sim.devicePath());
    QVERIFY(fd >= 0);
    const auto cleanup = qScopeGuard([fd] { ::close(fd); });

    const auto since = Clock::now();
    QCOMPARE(::write(fd, frame.constData(), size_t(frame.size())), ssize_t(frame.size()));
    if (asleep) {
        // No event loop, no read: the answer is there all the same.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        int pending = 0;
        QVERIFY(::ioctl(fd, FIONREAD, &pending) == 0);
        QCOMPARE(pending, int(expected.size()) + (replyAt == kNone ? 0 : 1));
    }
    Arrival got = readFor(fd, expected.size() + (replyAt == kNone ? 0 : 1), since);
    if (replyAt != kNone) {
        QVERIFY2(blankReplyAt(got.bytes, replyAt), got.bytes.toHex(' ').constData());
        got.bytes.chop(1);
    }
    QCOMPARE(got.bytes.toHex(' '), expected.toHex(' '));
    if (!asleep) {
        QVERIFY2(got.firstMs >= firstMs, qPrintable(QStringLiteral("first byte at %1 ms").arg(got.firstMs)));
        QVERIFY2(got.lastMs >= lastMs, qPrintable(QStringLiteral("last byte at %1 ms").arg(got.lastMs)));
    }
    QCOMPARE(sim.receivedFrames(), QList<QByteArray>{frame});
}

void TestPanelSim::hangUpKeepsTheNumberTaken()
{
    // The panel hangs up on its own thread, while the test's thread only
    // watches the line; its device is gone, and a line opened meanwhile
    // (by a test running beside this one) gets another number.
    PanelSim sim;
    sim.misbehave(M::HangUp);
    QVERIFY(sim.start());
    const int fd = openPcSide(sim.devicePath());
    QVERIFY(fd >= 0);
    auto cleanup = qScopeGuard([fd] { ::close(fd); });
    const QByteArray frame = writeFrame();
    QCOMPARE(::write(fd, frame.constData(), size_t(frame.size())), ssize_t(frame.size()));
    pollfd p{fd, POLLIN, 0};
    QVERIFY(::poll(&p, 1, 3000) == 1 && (p.revents & POLLHUP));
    QCOMPARE(sim.framesReceived(), 1);
    // The PC lets go of the line, as the program does when it is lost.
    cleanup.dismiss();
    ::close(fd);
    QCOMPARE(::open(sim.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK), -1);
    const PanelSim other;
    QVERIFY(!other.devicePath().isEmpty());
    QVERIFY(other.devicePath() != sim.devicePath());
}

ORB_TEST_GUILESS_MAIN(TestPanelSim)
#include "test_panel_sim.moc"
