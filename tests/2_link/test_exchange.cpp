// The frames and one exchange at a time against the simulated panel on a
// pseudo-terminal. Request frames byte for byte, the relay record and its mode
// byte, and Windows-1252 texts. The panel's replies: random byte strings, split
// at random points, fed to the receive side of a real wait, which never
// crashes or hangs and answers RxOk only for a well-formed reply to the frame
// sent, judged here from the protocol's own rules: the acknowledge, or a read
// reply of the right length whose last byte is the sum of bytes 3 on,
// whatever its first six bytes hold, and nothing else in the same read. Answers just within the reply time and a late acknowledge, a port
// that is missing, held or goes away, and exchanges refused while one runs.

#include "AppState.h"
#include "Cp1252.h"
#include "FrmComm.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QRandomGenerator>
#include <QtTest>
#include <memory>

using namespace orb;
using orb::test::PanelSim;
using M = PanelSim::Misbehaviour;

namespace {

const QString kNoSuchPort = QStringLiteral("/dev/orbitarsis-no-such-port");
const QByteArray kAck = QByteArray::fromHex("C010578106DE");

constexpr auto withSum = &PanelSim::withChecksum;

QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
Frame wrByte(int address, int value) { Frame f; Msg_WrByte(f, address, value); return f; }
Frame rdByte(int address) { Frame f; Msg_RdByte(f, address); return f; }

// Sends a frame and waits for its acknowledge or read reply, as every
// caller does; 0 when the frame could not be sent.
quint8 exchange(const Frame &f)
{
    FrmComm &comm = frmComm();
    if (!comm.Send_Msg(f))
        return 0;
    return f.RThreshold > 0 ? comm.Wait_Answer() : comm.Wait_Ack();
}

QByteArray randomBytes(QRandomGenerator &rng, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(rng.bounded(256)));
    return bytes;
}

// Length of the answer to `request`: the acknowledge, or a read reply.
int answerLength(const QByteArray &request) { return request.at(2) == 'R' ? 7 + quint8(request.at(6)) : 6; }

// Whether `bytes` start with a good answer to `request`.
bool answerAhead(const QByteArray &bytes, const QByteArray &request)
{
    const QByteArray answer = bytes.left(answerLength(request));
    if (request.at(2) != 'R')
        return answer == kAck;
    return answer.size() == answerLength(request) && withSum(answer.chopped(1)) == answer;
}

// A string near a good reply (so good ones come up often) or plain noise.
QByteArray candidate(QRandomGenerator &rng, const QByteArray &request)
{
    QByteArray bytes = request.at(2) != 'R' ? kAck : withSum(randomBytes(rng, answerLength(request) - 1));
    switch (rng.bounded(9)) {
    case 0: return bytes;
    case 1: bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256)); return bytes;
    case 2: return bytes + randomBytes(rng, 1);
    case 3: bytes.chop(1 + rng.bounded(int(bytes.size()))); return bytes;
    case 4: return QByteArray::fromHex("10C0") + bytes;
    case 5: { // another whole answer first (for the acknowledge: a negative one)
        QByteArray other = bytes.chopped(1);
        const int at = request.at(2) == 'R' ? 5 : 4;
        other[at] = char(quint8(other.at(at)) + 1 + rng.bounded(255));
        return withSum(other) + bytes.left(rng.bounded(int(bytes.size()) + 1));
    }
    case 6: return request + bytes.left(rng.bounded(int(bytes.size()) + 1)); // a line that echoes
    case 7: return kAck + bytes.left(rng.bounded(int(bytes.size()) + 1));   // an acknowledge, for a read too
    default: return randomBytes(rng, rng.bounded(30));
    }
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void framesByteForByte_data();
    void framesByteForByte();
    void everyByteOfTheCodePageComesBack();
    void modeByteAndRelayRecord();
    void randomRepliesNeverFool();
    void repliesAgainstTheRealReplyTime();
    void missingPortDevice();
    void waitEndedFromOutside_data();
    void waitEndedFromOutside();
    void framesRefusedDuringAWaitOrIncomplete();
    void lineHeldByXoffFails();
    // Last: once the application has been told to quit, no event loop of
    // the process runs again.
    void waitEndsWhenTheProgramQuits();

private:
    std::unique_ptr<PanelSim> m_sim;
    ScriptedBoxes m_boxes;
};

void TestExchange::init()
{
    m_boxes.shown.clear();
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    orb::test::pointCom1At(m_sim->devicePath());
}

void TestExchange::cleanup()
{
    // Each case starts on a serial host of its own, with the program's
    // reply time and port settings.
    unloadFrmComm();
    m_sim.reset();
}

void TestExchange::framesByteForByte_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    // One frame value reused throughout, as the transfers do: nothing of one
    // frame may leak into the next (the clock frames carry no address).
    Frame f;
    const auto row = [&f](const char *name, const char *expected) {
        QTest::newRow(name) << (f.Completa ? f.bytes() : QByteArray("incomplete")) << hex(expected);
    };
    // (A byte written as the general window writes it: its five frames.)
    // 'W' + 3 + 0 + 0x22 + 0x84 = 0x100.
    Msg_WrByte(f, AdrNumZon, 0x84);
    row("checksum wraps around", "10 C0 57 03 00 22 84 00");
    Msg_RdByte(f, AdrNumZon);
    row("read zone count", "10 C0 52 03 00 22 01 78");
    // A longer text is cut so that the frame keeps its length.
    Msg_WrText(f, AreaZon, 3, QStringLiteral("ABCDEFGHIJKLMNOPXYZ"));
    row("label cut", "10 C0 57 12 08 20 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 19");
    // One byte per character in Windows-1252; a character outside the code
    // page goes out as "?", never dropped, so the label keeps its 16 bytes.
    Msg_WrText(f, AreaZon, 2, QStringLiteral("Año Ó 5€Ж"));
    row("label in Windows-1252", "10 C0 57 12 08 10 41 F1 6F 20 D3 20 35 80 3F 20 20 20 20 20 20 20 09");
    Msg_RdText(f, AreaRel, 128);
    row("read relay label 128", "10 C0 52 03 1F E0 10 64");
    Msg_RdRel(f, 128);
    row("read relay 128", "10 C0 52 03 1F F0 0C 70");
    // (A relay record written: the whole send puts every one in its place.)
    Msg_Time(f, QTime(14, 5, 9));
    row("time", "10 C0 3A 03 0E 05 09 59");
    Msg_Date(f, QDate(2026, 12, 5));
    row("date", "10 C0 3B 03 05 0C 1A 69");
    // The year byte holds 2000-2255; another year builds no frame.
    Msg_Date(f, QDate(2255, 12, 31));
    row("last year", "10 C0 3B 03 1F 0C FF 68");
    Msg_Date(f, QDate(2256, 1, 1));
    QTest::newRow("year 2256") << (f.Completa ? f.bytes() : QByteArray()) << QByteArray();
}

void TestExchange::framesByteForByte()
{
    QFETCH(QByteArray, built);
    QTEST(built, "expected");
}

void TestExchange::everyByteOfTheCodePageComesBack()
{
    // The undefined bytes included.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QCOMPARE(toCp1252(fromCp1252(all)), all);
    QCOMPARE(fromCp1252(hex("80 8A 9C 9F 96 85")), QStringLiteral("€ŠœŸ–…"));
}

void TestExchange::modeByteAndRelayRecord()
{
    for (int n = 0; n < 81; ++n) { // every combination of valid codes
        const ModeCodes codes{n % 3, n / 3 % 3, n / 9 % 3, n / 27};
        QCOMPARE(decodeModeByte(ModeByte(codes)), codes);
    }
    QCOMPARE(ModeByte(3, 3, 3, 3), quint8(0x00));
    QVERIFY(!RelayRecord::fromBytes(QByteArray(11, '\0')).has_value());

    // The record from the relay's row; the same relay number in another
    // configuration is not taken.
    QVERIFY(orbtest::makeConfiguration(0, 3));
    QVERIFY(orbtest::execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 32, RMIN = 1, RSEC = 30, DDIA = 2, DNOCH = 1, "
                                              "PNOCH = 2, IL1 = 1, FL1 = 4, FL4 = 9 WHERE IDREL = 2")));
    QVERIFY(orbtest::execBound(QStringLiteral("UPDATE CONFRELES SET IDCON = 5, IL4 = 9 WHERE IDREL = 3")));
    appState().IdCon = 0;
    QCOMPARE(relayRecordFromDatabase(2)->toBytes(), hex("20 AD 01 1E 01 04 00 00 00 00 00 09"));
    QVERIFY(!relayRecordFromDatabase(3).has_value());
    appState().IdCon = 5;
    QCOMPARE(relayRecordFromDatabase(3)->IL[3], quint8(9));
    Close_DB();
}

void TestExchange::randomRepliesNeverFool()
{
    constexpr quint32 kSeed = 20260511;
    constexpr int kIterations = 600;
    qInfo("seed %u, %d iterations", kSeed, kIterations);
    QRandomGenerator rng(kSeed);
    // A real port on a silent panel: the frames go out, and the test plays
    // the panel's side on the receive buffer. Each exchange is the first of
    // its sequence (what bytes no frame awaits do to a sequence is met with
    // the simulated panel's own answers, below).
    m_sim->misbehave(M::Silent, PanelSim::kAlways);
    FrmComm &comm = frmComm();
    comm.setReplyTimeout(5);

    int oks = 0;
    for (int i = 0; i < kIterations; ++i) {
        Frame f;
        switch (rng.bounded(4)) {
        case 0: Msg_WrByte(f, AdrNumZon, i & 0xFF); break;
        case 1: Msg_RdByte(f, AdrNumZon); break;
        case 2: Msg_RdRel(f, 1 + i % 128); break;
        default: Msg_RdText(f, AreaZon, 1 + i % 128); break;
        }
        const bool read = f.RThreshold > 0;
        comm.Form_Unload();
        QVERIFY(comm.Send_Msg(f));

        const QByteArray input = candidate(rng, f.bytes());
        QList<QByteArray> chunks;
        for (qsizetype at = 0; at < input.size();) {
            const int piece = 1 + rng.bounded(int(input.size() - at));
            chunks << input.mid(at, piece);
            at += piece;
        }
        // A wait takes everything up to the chunk with which the answer's
        // length is reached and looks no further: the rest comes after it.
        QByteArray taken;
        qsizetype c = 0;
        while (c < chunks.size() && taken.size() < answerLength(f.bytes()))
            taken += chunks.at(c++);
        const bool good = answerAhead(taken, f.bytes());
        const bool extra = taken.size() > answerLength(f.bytes());

        QTimer::singleShot(0, &comm, [&comm, chunks] {
            for (const QByteArray &chunk : chunks)
                comm.MSComm1().receiveBytes(chunk);
        });
        const QByteArray before = comm.DatosRx();
        const quint8 state = read ? comm.Wait_Answer() : comm.Wait_Ack();
        QVERIFY2((state == RxOk || state == RxFail) && (state == RxOk) == (good && !extra),
                 qPrintable(QStringLiteral("iteration %1: %2 gave %3")
                                .arg(i).arg(QString::fromLatin1(input.toHex(' '))).arg(state)));
        QVERIFY(!comm.outOfStep());
        QCOMPARE(comm.DatosRx(), state == RxOk && read ? taken.mid(6, quint8(f.bytes().at(6))) : before);
        oks += state == RxOk ? 1 : 0;
    }
    qInfo("%d good replies, %d refused", oks, kIterations - oks);
    QVERIFY(oks > kIterations / 10 && oks < kIterations * 2 / 3);
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestExchange::repliesAgainstTheRealReplyTime()
{
    // The program's reply time is the panel's 2 s.
    FrmComm &comm = frmComm();
    QCOMPARE(comm.replyTimeout(), 2000);
    QCOMPARE(exchange(wrByte(AdrNumZon, 5)), RxOk);
    QVERIFY(!comm.ErrPuerto() && appState().PuertoOk && comm.MSComm1().PortOpen());

    // Answers 1.9 s after their frame count at their first try,
    // acknowledges and read replies of each length, on a 9600 baud line (the
    // last byte of a label reply lands 24 ms after its first). Five, since
    // a timer that wakes the wait early does so only for some of them.
    m_sim->setBaud(9600);
    m_sim->setLateDelayMs(1900);
    m_sim->misbehave(M::Late, 5);
    Frame label, record;
    Msg_RdText(label, AreaZon, 1);
    Msg_RdRel(record, 1);
    for (const Frame &f : {wrByte(AdrNumRel, 4), rdByte(AdrNumZon), label, record, wrByte(AdrIniDia, 8)})
        QCOMPARE(exchange(f), RxOk);
    QCOMPARE(m_sim->framesReceived(), 6);
    m_sim->setBaud(0);

    // An acknowledge 2.2 s after its frame fails it, and a frame that the
    // panel does not answer fails too: the earlier acknowledge, however
    // late, does not count for it. (A silent panel, a late or out-of-step
    // read reply are met by the transfers; a late acknowledge names no
    // frame.)
    m_sim->setLateDelayMs(2200);
    m_sim->misbehave(M::Late, 1, AdrNumRel);
    m_sim->misbehave(M::Silent, 1, AdrIniDia);
    QCOMPARE(exchange(wrByte(AdrNumRel, 7)), RxFail);
    QCOMPARE(exchange(wrByte(AdrIniDia, 1)), RxFail);
    QVERIFY(!appState().TimeOut);

    // The next exchange works, with its own answer.
    QCOMPARE(exchange(wrByte(AdrNumZon, 6)), RxOk);
    QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(6));
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestExchange::missingPortDevice()
{
    orb::test::pointCom1At(kNoSuchPort);
    FrmComm &comm = frmComm();
    QVERIFY(!comm.Send_Msg(wrByte(AdrNumZon, 8)));
    QVERIFY(comm.ErrPuerto());
    QCOMPARE(comm.Wait_Ack(), RxFail); // at once, showing nothing more
    // Message 401 once, with the error number and the port's own text.
    const MSComm &port = comm.MSComm1();
    QVERIFY(!port.lastErrorText().isEmpty());
    QCOMPARE(m_boxes.shown.size(), 1);
    QCOMPARE(m_boxes.shown.first().prompt,
             Str(401) + QString::number(port.lastErrorNumber()) + QLatin1Char(' ') + port.lastErrorText());

    // Once the device is there again the next send reaches it; a read whose
    // port then cannot be opened never passes off that good reply as its own.
    orb::test::pointCom1At(m_sim->devicePath());
    QCOMPARE(exchange(rdByte(AdrNumZon)), RxOk);
    comm.Form_Unload();
    orb::test::pointCom1At(kNoSuchPort);
    QVERIFY(!comm.Send_Msg(rdByte(AdrNumZon)));
    QCOMPARE(comm.Wait_Answer(), RxFail);
    QCOMPARE(m_boxes.shown.size(), 2);
}

void TestExchange::waitEndedFromOutside_data()
{
    // An adapter unplugged, or the main window closed during a transfer,
    // which unloads the serial host while the transfer still holds it.
    QTest::addColumn<bool>("unplug");
    QTest::newRow("device gone") << true;
    QTest::newRow("host unloaded") << false;
}

void TestExchange::waitEndedFromOutside()
{
    QFETCH(bool, unplug);
    FrmComm &comm = frmComm();
    QPointer<FrmComm> host(&comm);
    comm.setReplyTimeout(30000); // only the event may end this wait
    m_sim->misbehave(M::Silent);
    QVERIFY(comm.Send_Msg(wrByte(AdrNumZon, 8)));
    QTimer::singleShot(100, this, [this, unplug] { unplug ? m_sim.reset() : unloadFrmComm(); });
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QVERIFY(!comm.MSComm1().PortOpen());
    // The next send, on the same host, opens the port again (a new device on
    // the same port number).
    if (unplug)
        init();
    QCOMPARE(exchange(wrByte(AdrNumZon, 9)), RxOk);
    QCOMPARE(&frmComm(), host.data());
    // (Unloaded when no wait runs, the host goes: the main window's close.)
}

void TestExchange::framesRefusedDuringAWaitOrIncomplete()
{
    FrmComm &comm = frmComm();
    m_sim->setLateDelayMs(300);
    m_sim->misbehave(M::Late);
    QVERIFY(comm.Send_Msg(wrByte(AdrNumZon, 8)));
    const QByteArray trama = comm.Trama();
    bool nestedSend = true;
    quint8 nestedWait = 0, stateInside = 0;
    QTimer::singleShot(50, this, [&] {
        nestedSend = comm.Send_Msg(rdByte(AdrNumRel));
        nestedWait = comm.Wait_Answer();
        stateInside = comm.EstadoRx();
    });
    QCOMPARE(comm.Wait_Ack(), RxOk);
    QVERIFY(!nestedSend);
    QCOMPARE(nestedWait, RxFail);
    QCOMPARE(stateInside, RxWaitAck);
    QCOMPARE(comm.Trama(), trama);
    // Nor does an incomplete frame go out; its wait fails at once.
    Frame f = wrByte(AdrIniNit, 2);
    QVERIFY(!Msg_Date(f, QDate(1999, 12, 31)));
    QVERIFY(!comm.Send_Msg(f) && !comm.ErrPuerto());
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(m_sim->framesReceived(), 1);
}

void TestExchange::lineHeldByXoffFails()
{
    // With Xon/Xoff handshaking a panel that has sent Xoff holds the PC's
    // output: the send fails instead of blocking the program. The failed
    // send closes the port, which lets the held line go.
    FrmComm &comm = frmComm();
    QVERIFY(comm.MSComm1().setHandshaking(1));
    QCOMPARE(exchange(wrByte(AdrNumZon, 3)), RxOk);
    m_sim->sendRaw(QByteArray(1, '\x13'));
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->pcOutputHeld(), 5000);   // the Xoff has reached the line
    QVERIFY(!comm.Send_Msg(wrByte(AdrNumZon, 4)));
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(m_sim->framesReceived(), 1);
    QVERIFY(!comm.MSComm1().PortOpen());
    QCOMPARE(exchange(wrByte(AdrNumZon, 5)), RxOk);
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestExchange::waitEndsWhenTheProgramQuits()
{
    // The main window's close box stays live during a transfer. Told to quit
    // during a wait for a silent panel, the wait ends at once with a failure
    // instead of spinning for a reply or a time-out that can no longer come.
    FrmComm &comm = frmComm();
    QCOMPARE(exchange(wrByte(AdrNumZon, 8)), RxOk);
    comm.setReplyTimeout(60000); // only the quit may end this wait
    m_sim->misbehave(M::Silent);
    QTimer::singleShot(50, &comm, [] { QCoreApplication::exit(0); });
    QCOMPARE(exchange(wrByte(AdrNumZon, 9)), RxFail);
    QVERIFY(comm.EstadoRx() == RxFail && !comm.waiting() && !appState().TimeOut);

    // The transfer goes on to its next attempt, which the panel would
    // answer: it fails at once as well, the read wait too, and the state is
    // left for the next exchange.
    QCOMPARE(exchange(wrByte(AdrNumZon, 10)), RxFail);
    QCOMPARE(exchange(rdByte(AdrNumZon)), RxFail);
    QVERIFY(!comm.waiting() && m_boxes.shown.isEmpty());
}

ORB_TEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
