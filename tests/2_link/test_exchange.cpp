// One frame at a time against the simulated panel on a pseudo-terminal:
// answers just within the reply time and a late acknowledge, a port that is
// missing, held or goes away, and exchanges refused while one runs.

#include "AppState.h"
#include "FrmComm.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "ScriptedBoxes.h"
#include "Strings.h"

#include <QtTest>
#include <memory>

using namespace orb;
using orb::test::PanelSim;
using M = PanelSim::Misbehaviour;

namespace {

const QString kNoSuchPort = QStringLiteral("/dev/orbitarsis-no-such-port");

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

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanupTestCase() { unloadFrmComm(); }

    void lateAcknowledge_data();
    void lateAcknowledge();
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
    frmComm().Form_Unload();
    m_sim.reset();
}

void TestExchange::lateAcknowledge_data()
{
    // A silent panel, a late or out-of-step read reply are met by the
    // transfers; a late acknowledge names no frame.
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("inTime");   // how late answers still count; 0: not tried
    QTest::newRow("short time-out") << 100 << 0;
    // Against the real reply time: answers 1.9 s after their frame count,
    // the acknowledge 2.2 s after it does not.
    QTest::newRow("real time-out") << 2000 << 1900;
}

void TestExchange::lateAcknowledge()
{
    QFETCH(int, timeout);
    QFETCH(int, inTime);
    FrmComm &comm = frmComm();
    comm.setReplyTimeout(timeout);
    QCOMPARE(exchange(wrByte(AdrNumZon, 5)), RxOk);
    QVERIFY(!comm.ErrPuerto() && appState().PuertoOk && comm.MSComm1().PortOpen());

    // Answers late but within the reply time count at their first try,
    // acknowledges and read replies of each length, on a 9600 baud line (the
    // last byte of a label reply lands 24 ms after its first). Five, since
    // a timer that wakes the wait early does so only for some of them.
    if (inTime) {
        m_sim->setBaud(9600);
        m_sim->setLateDelayMs(inTime);
        m_sim->misbehave(M::Late, 5);
        Frame label, record;
        Msg_RdText(label, AreaZon, 1);
        Msg_RdRel(record, 1);
        for (const Frame &f : {wrByte(AdrNumRel, 4), rdByte(AdrNumZon), label, record, wrByte(AdrIniDia, 8)})
            QCOMPARE(exchange(f), RxOk);
        QCOMPARE(m_sim->framesReceived(), 6);
        m_sim->setBaud(0);
    }

    // The late acknowledge fails its frame, and a frame that the panel does
    // not answer fails too: the earlier acknowledge, however late, does not
    // count for it.
    m_sim->setLateDelayMs(timeout + qMax(timeout / 10, 50));
    m_sim->misbehave(M::Late, 1, AdrNumRel);
    m_sim->misbehave(M::Silent, 1, AdrIniDia);
    QCOMPARE(exchange(wrByte(AdrNumRel, 7)), RxFail);
    QCOMPARE(exchange(wrByte(AdrIniDia, 1)), RxFail);
    QVERIFY(!appState().TimeOut);

    // The next exchange works, with its own answer.
    QCOMPARE(exchange(wrByte(AdrNumZon, 6)), RxOk);
    QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(6));
    QVERIFY(m_boxes.shown.isEmpty());
    comm.setReplyTimeout(FrmComm::ReplyTimeout);
    QCOMPARE(comm.replyTimeout(), 2000);
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
    comm.setReplyTimeout(FrmComm::ReplyTimeout);
    QVERIFY(!comm.MSComm1().PortOpen());
    // The next send, on the same host, opens the port again (a new device on
    // the same port number).
    if (unplug)
        init();
    QCOMPARE(exchange(wrByte(AdrNumZon, 9)), RxOk);
    QCOMPARE(&frmComm(), host.data());
    // Unloaded when no wait runs, the host goes.
    unloadFrmComm();
    QVERIFY(!host);
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
    QTest::qWait(200); // the Xoff reaches the line
    QVERIFY(!comm.Send_Msg(wrByte(AdrNumZon, 4)));
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(m_sim->framesReceived(), 1);
    QVERIFY(!comm.MSComm1().PortOpen());
    QCOMPARE(exchange(wrByte(AdrNumZon, 5)), RxOk);
    QVERIFY(m_boxes.shown.isEmpty());
    comm.Form_Unload();
    QVERIFY(comm.MSComm1().setHandshaking(0));
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
    comm.setReplyTimeout(FrmComm::ReplyTimeout);
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
