// An exchange under way when the program ends: the main window's close box
// stays live during a transfer, and once the application is told to quit no
// event loop runs any more. A wait then must end at once with a failure,
// and so must every later wait of the transfer, instead of spinning forever
// for a reply or a time-out that can no longer be delivered.
//
// This is a test executable of its own: once the application has been told
// to quit, no event loop of the process runs again.

#include "AppState.h"
#include "FrmComm.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Seams.h"

#include <QTimer>
#include <QtTest>

using namespace orb;
using orb::test::PanelSim;

class TestExchangeEnd : public QObject {
    Q_OBJECT
private slots:
    void waitEndsWhenTheProgramQuits();
};

void TestExchangeEnd::waitEndsWhenTheProgramQuits()
{
    QStringList boxes;
    setMsgBoxHandler([&boxes](const QString &prompt, int, const QString &) {
        boxes << prompt;
        return int(AnsOk);
    });
    PanelSim sim;
    QVERIFY(sim.start());
    orb::test::pointCom1At(sim.devicePath());
    FrmComm &comm = frmComm();

    // A good exchange first, so the port is open and the panel answers.
    Frame f;
    Msg_WrByte(f, AdrNumZon, 8);
    QVERIFY(comm.Send_Msg(f));
    QCOMPARE(comm.Wait_Ack(), RxOk);

    // The panel stays silent; the program is told to quit during the wait.
    comm.setReplyTimeout(60000);   // only the quit may end this wait
    sim.misbehave(PanelSim::Misbehaviour::Silent);
    Msg_WrByte(f, AdrNumZon, 9);
    QVERIFY(comm.Send_Msg(f));
    QTimer::singleShot(50, &comm, [] { QCoreApplication::exit(0); });
    QCOMPARE(comm.Wait_Ack(), RxFail);
    QCOMPARE(comm.EstadoRx(), RxFail);
    QVERIFY(!comm.waiting());
    QVERIFY(!appState().TimeOut);

    // The transfer goes on to its next attempt, which the panel would
    // answer: it fails at once as well, the read wait too, and the state is
    // left for the next exchange.
    Msg_WrByte(f, AdrNumZon, 10);
    comm.Send_Msg(f);
    QCOMPARE(comm.Wait_Ack(), RxFail);
    Msg_RdByte(f, AdrNumZon);
    comm.Send_Msg(f);
    QCOMPARE(comm.Wait_Answer(), RxFail);
    QVERIFY(!comm.waiting());
    QVERIFY(boxes.isEmpty());

    comm.setReplyTimeout(FrmComm::ReplyTimeout);
    unloadFrmComm();
}

QTEST_GUILESS_MAIN(TestExchangeEnd)
#include "test_exchange_end.moc"
