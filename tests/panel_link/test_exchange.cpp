// One frame at a time against the simulated panel on a pseudo-terminal:
// writes, reads and clock frames, every way the panel can misbehave, a port
// that is missing or goes away, and exchanges refused while one runs.

#include "AppState.h"
#include "FrmComm.h"
#include "ModBas.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Seams.h"
#include "Strings.h"

#include <QPointer>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace orb;
using orb::test::PanelSim;
using M = PanelSim::Misbehaviour;

Q_DECLARE_METATYPE(PanelSim::Misbehaviour)

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void writesAndReadsBack();
    void clockFrames();
    void portStaysOpenForTheSequence();
    void pacedRepliesArriveInPieces();
    void misbehaviourFails_data();
    void misbehaviourFails();
    void inputOutsideAWaitChangesNothing();
    void incompleteFrameIsNeverSent();
    void missingPortDevice();
    void portLostDuringAWait();
    void secondExchangeRefusedDuringAWait();
    void hostUnloadedDuringAWait();
    void lineHeldByXoffFails();
    void storedSettingsAppliedAtOpen();

private:
    quint8 writeByte(int address, int value);
    quint8 readByte(int address);
    std::unique_ptr<PanelSim> m_sim;
    QStringList m_boxes;
    QList<int> m_boxStyles;
    QStringList m_boxTitles;
};

void TestExchange::initTestCase()
{
    setMsgBoxHandler([this](const QString &prompt, int style, const QString &title) {
        m_boxes << prompt;
        m_boxStyles << style;
        m_boxTitles << title;
        return int(AnsOk);
    });
}

void TestExchange::init()
{
    m_boxes.clear();
    m_boxStyles.clear();
    m_boxTitles.clear();
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(!m_sim->devicePath().isEmpty());
    QVERIFY(m_sim->start());
    orb::test::pointCom1At(m_sim->devicePath());
}

void TestExchange::cleanup()
{
    frmComm().Form_Unload();
    m_sim.reset();
}

void TestExchange::cleanupTestCase() { unloadFrmComm(); }

quint8 TestExchange::writeByte(int address, int value)
{
    Frame f;
    Msg_WrByte(f, address, value);
    if (!frmComm().Send_Msg(f))
        return 0;
    return frmComm().Wait_Ack();
}

quint8 TestExchange::readByte(int address)
{
    Frame f;
    Msg_RdByte(f, address);
    if (!frmComm().Send_Msg(f))
        return 0;
    return frmComm().Wait_Answer();
}

void TestExchange::writesAndReadsBack()
{
    FrmComm &comm = frmComm();
    QCOMPARE(writeByte(AdrNumZon, 8), RxOk);
    QCOMPARE(comm.EstadoRx(), RxOk);
    QVERIFY(!comm.ErrPuerto());
    QVERIFY(appState().PuertoOk);
    QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(8));
    QCOMPARE(comm.Trama(), QByteArray::fromHex("10C05703002208 84"));
    QCOMPARE(appState().EntradaRx, AckFrame());

    m_sim->setMemory(AdrNumRel, QByteArray(1, char(0x7F)));
    QCOMPARE(readByte(AdrNumRel), RxOk);
    QCOMPARE(comm.DatosRx(), QByteArray(1, char(0x7F)));

    Frame f;
    const QString label = QStringLiteral("Año Ó 5€ ñ");
    Msg_WrText(f, AreaZon, 128, label);
    QVERIFY(comm.Send_Msg(f));
    QCOMPARE(comm.Wait_Ack(), RxOk);
    QCOMPARE(m_sim->memory(zoneLabel(128), 16).left(3), QByteArray("A\xF1o"));
    Msg_RdText(f, AreaZon, 128);
    QVERIFY(comm.Send_Msg(f));
    QCOMPARE(comm.Wait_Answer(), RxOk);
    QCOMPARE(comm.DatosRxText(), label.leftJustified(16));

    RelayRecord r;
    r.TIP = 0x46;
    r.Mode = ModeByte(2, 1, 0, 2);
    r.RMIN = 2;
    r.RSEC = 59;
    r.IL = {1, 5, 9, 0};
    r.FL = {4, 8, 128, 0};
    Msg_WrRel(f, 128, r);
    QVERIFY(comm.Send_Msg(f));
    QCOMPARE(comm.Wait_Ack(), RxOk);
    QCOMPARE(m_sim->memory(AdrRecRel(128), 12), r.toBytes());
    Msg_RdRel(f, 128);
    QVERIFY(comm.Send_Msg(f));
    QCOMPARE(comm.Wait_Answer(), RxOk);
    QCOMPARE(RelayRecord::fromBytes(comm.DatosRx()), std::optional<RelayRecord>(r));
    QCOMPARE(m_sim->framesReceived('W'), 3);
    QCOMPARE(m_sim->framesReceived('R'), 3);
    QCOMPARE(m_sim->badFrames(), 0);
    QVERIFY(m_boxes.isEmpty());
}

void TestExchange::clockFrames()
{
    FrmComm &comm = frmComm();
    Frame f;
    Msg_RdRel(f, 4);   // address bytes that the clock frames must not carry
    Msg_Time(f, QTime(23, 59, 58));
    QVERIFY(comm.Send_MsgShort(f));
    QCOMPARE(comm.Trama().size(), 8);
    QCOMPARE(comm.Wait_Ack(), RxOk);
    QVERIFY(Msg_Date(f, QDate(2031, 2, 28)));
    QVERIFY(comm.Send_MsgShort(f));
    QCOMPARE(comm.Wait_Ack(), RxOk);
    const PanelSim::Clock c = m_sim->clock();
    QCOMPARE(c.hour, 23);
    QCOMPARE(c.minute, 59);
    QCOMPARE(c.second, 58);
    QCOMPARE(c.day, 28);
    QCOMPARE(c.month, 2);
    QCOMPARE(c.year, 2031);
    QCOMPARE(m_sim->framesReceived(':'), 1);
    QCOMPARE(m_sim->framesReceived(';'), 1);
}

void TestExchange::portStaysOpenForTheSequence()
{
    FrmComm &comm = frmComm();
    QVERIFY(!comm.MSComm1().PortOpen());
    QCOMPARE(writeByte(AdrIniDia, 7), RxOk);
    QVERIFY(comm.MSComm1().PortOpen());
    QCOMPARE(readByte(AdrIniDia), RxOk);
    QVERIFY(comm.MSComm1().PortOpen());
    comm.Form_Unload();
    QVERIFY(!comm.MSComm1().PortOpen());
    // The next send opens it again.
    QCOMPARE(readByte(AdrIniDia), RxOk);
    QCOMPARE(comm.DatosRx(), QByteArray(1, char(7)));
}

void TestExchange::pacedRepliesArriveInPieces()
{
    m_sim->setBaud(9600);
    FrmComm &comm = frmComm();
    m_sim->setMemory(zoneLabel(3), QByteArray("ZONA TRES PACED!"));
    Frame f;
    Msg_RdText(f, AreaZon, 3);
    QVERIFY(comm.Send_Msg(f));
    QCOMPARE(comm.Wait_Answer(), RxOk);
    QCOMPARE(comm.DatosRx(), QByteArray("ZONA TRES PACED!"));
    QCOMPARE(writeByte(AdrNumZon, 3), RxOk);
}

void TestExchange::misbehaviourFails_data()
{
    QTest::addColumn<PanelSim::Misbehaviour>("what");
    QTest::addColumn<bool>("read");
    const struct {
        const char *name;
        M what;
    } all[] = {{"silent", M::Silent},         {"late", M::Late},          {"wrong checksum", M::WrongChecksum},
               {"negative ack", M::Nak},      {"extra byte", M::ExtraByte}, {"short reply", M::ShortReply},
               {"echo first", M::EchoFirst},  {"other panel", M::OtherPanel}};
    for (const auto &m : all) {
        QTest::newRow(qPrintable(QStringLiteral("write, %1").arg(QLatin1String(m.name)))) << m.what << false;
        QTest::newRow(qPrintable(QStringLiteral("read, %1").arg(QLatin1String(m.name)))) << m.what << true;
    }
}

void TestExchange::misbehaviourFails()
{
    QFETCH(PanelSim::Misbehaviour, what);
    QFETCH(bool, read);
    FrmComm &comm = frmComm();
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(5)));
    QCOMPARE(read ? readByte(AdrNumZon) : writeByte(AdrNumZon, 5), RxOk);
    const QByteArray before = comm.DatosRx();

    m_sim->misbehave(what, 1, AdrNumZon);
    const int sent = m_sim->repliesSent();
    QCOMPARE(read ? readByte(AdrNumZon) : writeByte(AdrNumZon, 9), RxFail);
    QCOMPARE(comm.EstadoRx(), RxFail);
    QVERIFY(!appState().TimeOut);
    if (read)
        QCOMPARE(comm.DatosRx(), before);
    if (what == M::Late)   // let the late answer go by before the next frame
        QVERIFY(m_sim->waitForRepliesSent(sent + 1, 5000));

    // The next exchange still works.
    m_sim->setMemory(AdrNumZon, QByteArray(1, char(6)));
    QCOMPARE(read ? readByte(AdrNumZon) : writeByte(AdrNumZon, 6), RxOk);
    if (read)
        QCOMPARE(comm.DatosRx(), QByteArray(1, char(6)));
    else
        QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(6));
    QVERIFY(m_boxes.isEmpty());
}

void TestExchange::inputOutsideAWaitChangesNothing()
{
    FrmComm &comm = frmComm();
    m_sim->misbehave(M::WrongChecksum);
    QCOMPARE(writeByte(AdrIniNit, 1), RxFail);
    const QByteArray entrada = appState().EntradaRx;
    comm.MSComm1().receiveBytes(AckFrame());
    QCOMPARE(comm.EstadoRx(), RxFail);
    QCOMPARE(appState().EntradaRx, entrada);
    // What came in between exchanges is thrown away by the next send.
    QCOMPARE(writeByte(AdrIniNit, 2), RxOk);
    QCOMPARE(appState().EntradaRx, AckFrame());
}

void TestExchange::incompleteFrameIsNeverSent()
{
    FrmComm &comm = frmComm();
    QCOMPARE(writeByte(AdrIniNit, 1), RxOk);
    Frame f;
    Msg_WrByte(f, AdrIniNit, 2);
    QVERIFY(!Msg_Date(f, QDate(1990, 1, 1)));
    const int frames = m_sim->framesReceived();
    QVERIFY(!comm.Send_MsgShort(f));
    QVERIFY(!comm.ErrPuerto());
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(m_sim->framesReceived(), frames);
    QCOMPARE(m_sim->byteAt(AdrIniNit), quint8(1));
}

void TestExchange::missingPortDevice()
{
    appState().TituloMsg = QStringLiteral("left from another message");
    orb::test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    FrmComm &comm = frmComm();
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(!comm.Send_Msg(f));
    QVERIFY(comm.ErrPuerto());
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.first().startsWith(Str(401) + QString::number(comm.MSComm1().lastErrorNumber()) + QLatin1Char(' ')));
    QVERIFY(!comm.MSComm1().lastErrorText().isEmpty());
    QVERIFY(m_boxes.first().endsWith(comm.MSComm1().lastErrorText()));
    QCOMPARE(appState().MensajeAux, m_boxes.first());
    // An OK box under the application title, whatever TituloMsg holds.
    QCOMPARE(m_boxStyles.first(), int(MsgOk));
    QCOMPARE(m_boxTitles.first(), applicationTitle());
    QVERIFY(!comm.MSComm1().PortOpen());
    // The wait fails at once and shows nothing more.
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_sim->framesReceived(), 0);

    // Once the device is there again the next send reaches it.
    orb::test::pointCom1At(m_sim->devicePath());
    QCOMPARE(writeByte(AdrNumZon, 8), RxOk);
    QVERIFY(!comm.ErrPuerto());

    // A read whose port cannot be opened never passes off the previous
    // good reply as its own.
    QCOMPARE(readByte(AdrNumZon), RxOk);
    QCOMPARE(comm.DatosRx(), QByteArray(1, char(8)));
    comm.Form_Unload();
    orb::test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    Msg_RdByte(f, AdrNumZon);
    QVERIFY(!comm.Send_Msg(f));
    QVERIFY(comm.ErrPuerto());
    QCOMPARE(comm.Wait_Answer(), RxFail);
    QCOMPARE(comm.EstadoRx(), RxFail);
    QCOMPARE(m_boxes.size(), 2);
}

void TestExchange::portLostDuringAWait()
{
    FrmComm &comm = frmComm();
    comm.setReplyTimeout(30000);   // only the lost device may end this wait
    m_sim->misbehave(M::Silent);
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(comm.Send_Msg(f));
    QTimer::singleShot(100, this, [this] { m_sim.reset(); });
    QCOMPARE(comm.Wait_Ack(), RxFail);
    comm.setReplyTimeout(FrmComm::ReplyTimeout);
    QVERIFY(!comm.MSComm1().PortOpen());

    // A new device on the same port number is opened by the next send.
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    orb::test::pointCom1At(m_sim->devicePath());
    QCOMPARE(writeByte(AdrNumZon, 8), RxOk);
}

void TestExchange::secondExchangeRefusedDuringAWait()
{
    FrmComm &comm = frmComm();
    m_sim->setLateDelayMs(300);
    m_sim->misbehave(M::Late);
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(comm.Send_Msg(f));
    const QByteArray trama = comm.Trama();

    bool nestedSend = true;
    quint8 nestedWait = 0;
    quint8 stateInside = 0;
    QTimer::singleShot(50, this, [&] {
        Frame other;
        Msg_RdByte(other, AdrNumRel);
        nestedSend = comm.Send_Msg(other);
        nestedWait = comm.Wait_Answer();
        stateInside = comm.EstadoRx();
    });
    QCOMPARE(comm.Wait_Ack(), RxOk);
    QVERIFY(!nestedSend);
    QCOMPARE(nestedWait, RxFail);
    QCOMPARE(stateInside, RxWaitAck);
    QCOMPARE(comm.Trama(), trama);
    QCOMPARE(m_sim->framesReceived(), 1);
}

void TestExchange::hostUnloadedDuringAWait()
{
    // The main window closed during a transfer unloads the serial host while
    // the transfer still holds it: the wait fails, and the host stays the
    // one the transfer's next attempt and frmComm() use.
    FrmComm &comm = frmComm();
    QPointer<FrmComm> host(&comm);
    comm.setReplyTimeout(30000);   // only the unload may end this wait
    m_sim->misbehave(M::Silent);
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(comm.Send_Msg(f));
    QTimer::singleShot(50, this, [] { unloadFrmComm(); });
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QVERIFY(!comm.MSComm1().PortOpen());
    comm.setReplyTimeout(FrmComm::ReplyTimeout);

    QCOMPARE(writeByte(AdrNumZon, 9), RxOk);
    QVERIFY(host);
    QCOMPARE(&frmComm(), host.data());
    QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(9));

    // Unloaded when no wait runs, it goes.
    unloadFrmComm();
    QVERIFY(!host);
}

void TestExchange::lineHeldByXoffFails()
{
    // With Xon/Xoff handshaking a panel that has sent Xoff holds the PC's
    // output: the frame cannot leave, and the send fails instead of blocking
    // the program. The failed send closes the port, which lets the held
    // line go, so the next exchange works again.
    FrmComm &comm = frmComm();
    QVERIFY(comm.MSComm1().setHandshaking(1));
    QCOMPARE(writeByte(AdrNumZon, 3), RxOk);
    m_sim->sendRaw(QByteArray(1, '\x13'));
    QTest::qWait(200);   // the Xoff reaches the line
    const int frames = m_sim->framesReceived();
    Frame f;
    Msg_WrByte(f, AdrNumZon, 4);
    QVERIFY(!comm.Send_Msg(f));
    QVERIFY(!comm.ErrPuerto());
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(m_sim->framesReceived(), frames);
    QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(3));

    QVERIFY(!comm.MSComm1().PortOpen());
    QCOMPARE(writeByte(AdrNumZon, 5), RxOk);
    QCOMPARE(m_sim->byteAt(AdrNumZon), quint8(5));
    QVERIFY(m_boxes.isEmpty());
    comm.Form_Unload();
    QVERIFY(comm.MSComm1().setHandshaking(0));
}

void TestExchange::storedSettingsAppliedAtOpen()
{
    FrmComm &comm = frmComm();
    MSComm &port = comm.MSComm1();
    // Without a working database the control keeps its start values.
    Close_DB();
    comm.Form_Load();
    QCOMPARE(port.CommPort(), 1);
    QCOMPARE(port.Settings(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(port.Handshaking(), 0);

    QVERIFY(Create_DB());
    QSqlDatabase db = BaseDatos();
    db.setDatabaseName(workingDatabasePath());
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("INSERT INTO CONFCENTRAL (IDCON, NOMCON, ETIINI) VALUES (0, 'A', 'B')")));
    // A new row's "0,0,0,0", port 0: all refused, the previous values stay.
    comm.Form_Load();
    QCOMPARE(port.CommPort(), 1);
    QCOMPARE(port.Settings(), QStringLiteral("9600,N,8,1"));

    QVERIFY(q.exec(QStringLiteral(
        "UPDATE CONFCENTRAL SET BAUD = 4800, PAR = 'e', DATBIT = 7, STPBIT = 2, PORT = 1, FLU = 2, ECO = -1")));
    appState().ComEco = false;
    comm.Form_Load();
    QCOMPARE(port.Settings(), QStringLiteral("4800,E,7,2"));
    QCOMPARE(port.Handshaking(), 2);
    QVERIFY(appState().ComEco);
    // The pseudo-terminal takes the frame whatever it accepts of these.
    QCOMPARE(writeByte(AdrNumZon, 8), RxOk);

    // Stored while the port is open: taken at the next open.
    QVERIFY(q.exec(QStringLiteral("UPDATE CONFCENTRAL SET BAUD = 2400, PAR = 'N', DATBIT = 8, STPBIT = 1, FLU = 0")));
    QCOMPARE(writeByte(AdrNumZon, 9), RxOk);
    QCOMPARE(port.Settings(), QStringLiteral("4800,E,7,2"));
    comm.Form_Unload();
    QCOMPARE(writeByte(AdrNumZon, 10), RxOk);
    QCOMPARE(port.Settings(), QStringLiteral("2400,N,8,1"));
    QCOMPARE(port.Handshaking(), 0);

    // A port number with no device behind it.
    QVERIFY(q.exec(QStringLiteral("UPDATE CONFCENTRAL SET PORT = 3")));
    comm.Form_Unload();
    Frame f;
    Msg_WrByte(f, AdrNumZon, 11);
    QVERIFY(!comm.Send_Msg(f));
    QCOMPARE(port.CommPort(), 3);
    QVERIFY(comm.ErrPuerto());
    QCOMPARE(m_boxes.size(), 1);

    QVERIFY(q.exec(QStringLiteral("UPDATE CONFCENTRAL SET PORT = 1, BAUD = 9600")));
    comm.Form_Load();
    Close_DB();
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
