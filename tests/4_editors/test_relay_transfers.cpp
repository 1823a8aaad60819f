// The read and write of one relay against the simulated panel, without the
// window: the frames each phase sends, the one message each ending shows,
// what a read hands to the window, and that every ending gives the window
// back with the progress closed, the ticker stopped and the port closed.

#include "Cp1252.h"
#include "FrmComm.h"
#include "PanelSim.h"
#include "RelayTransfers.h"
#include "ScriptedBoxes.h"
#include "Strings.h"
#include "TestConfiguration.h"

#include <QtTest>

using namespace orb;
using orb::test::PanelSim;

namespace {

enum Setup { AllWell, SilentLabel, SilentRecord, NoPort, LineLostAtRecord, RowGoneAfterLabel };

class FakeHost : public RelayTransferHost, public ProgressSink {
public:
    int relay = 1;
    QList<bool> busy;
    bool ticking = false, showing = false, synced = false;
    int portSettingsClosed = 0;
    std::optional<QString> label;
    std::optional<RelayRecord> record;
    std::function<void()> onSync;

    int relayNumber() const override { return relay; }
    void setBusy(bool b) override { busy << b; }
    void closePortSettings() override { ++portSettingsClosed; }
    void prepareProgress() override { showing = true; }
    bool progressShown() const override { return synced; }
    void showSync() override
    {
        synced = true;
        if (onSync)
            onSync();
    }
    void fillProgress() override {}
    ProgressSink &progress() override { return *this; }
    void setTicker(bool on) override { ticking = on; }
    void labelReceived(const QString &text) override { label = text; }
    void recordReceived(const RelayRecord &r) override { record = r; }

    void setCaption(const QString &) override {}
    void setLabel(const QString &) override {}
    void setRange(int) override {}
    void setValue(int) override {}
    void close() override { showing = false; }
};

} // namespace

class TestRelayTransfers : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanupTestCase() { unloadFrmComm(); }
    void oneRelay_data();
    void oneRelay();

private:
    std::unique_ptr<PanelSim> m_sim;
    ScriptedBoxes m_boxes;
};

void TestRelayTransfers::init()
{
    appState() = AppState{};
    setCurrentLanguage(Language::English);
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    test::pointCom1At(m_sim->devicePath());
    frmComm().setReplyTimeout(60);
    QVERIFY(orbtest::makeConfiguration(8, 3));
    QVERIFY(orbtest::execBound(QStringLiteral("UPDATE CONFRELES SET TIP = 70, RMIN = 2, RSEC = 30, DDIA = 2, "
                                              "DNOCH = 1, PDIA = 0, PNOCH = 2, IL1 = 1, FL1 = 4 WHERE IDREL = 1")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    m_boxes.shown.clear();
}

void TestRelayTransfers::cleanup()
{
    frmComm().Form_Unload();
    m_sim.reset();
    Close_DB();
}

void TestRelayTransfers::oneRelay_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("relay");
    QTest::addColumn<int>("setup");
    QTest::addColumn<QList<int>>("addresses");   // of the frames the panel saw, in order
    QTest::addColumn<int>("message");            // the one message shown
    QTest::addColumn<int>("result");
    const QList<int> ten(10, 0x1050);
    QTest::newRow("read relay 3") << false << 3 << int(AllWell) << QList<int>{0x1040, 0x1050} << 432
                                  << int(RelayTransferResult::Completed);
    QTest::newRow("write relay 1") << true << 1 << int(AllWell) << QList<int>{0x1000, 0x1010} << 432
                                   << int(RelayTransferResult::Completed);
    QTest::newRow("read, label never answered") << false << 3 << int(SilentLabel) << QList<int>(10, 0x1040) << 405
                                                << int(RelayTransferResult::Failed);
    QTest::newRow("read, record never answered") << false << 3 << int(SilentRecord) << QList<int>{0x1040} + ten
                                                 << 405 << int(RelayTransferResult::Failed);
    QTest::newRow("write, record never answered")
        << true << 3 << int(SilentRecord) << QList<int>{0x1040} + ten << 405 << int(RelayTransferResult::Failed);
    QTest::newRow("read, no port") << false << 3 << int(NoPort) << QList<int>{} << 401
                                   << int(RelayTransferResult::PortFailed);
    // The line goes after the record's first frame: one message, not one
    // for each attempt left.
    QTest::newRow("read, line lost at the record") << false << 3 << int(LineLostAtRecord)
                                                   << QList<int>{0x1040, 0x1050} << 401
                                                   << int(RelayTransferResult::PortFailed);
    // No half-built record frame goes out.
    QTest::newRow("write, row gone after the label") << true << 3 << int(RowGoneAfterLabel) << QList<int>{0x1040}
                                                     << 120 << int(RelayTransferResult::NoRow);
}

void TestRelayTransfers::oneRelay()
{
    QFETCH(bool, write);
    QFETCH(int, relay);
    QFETCH(int, setup);
    QFETCH(QList<int>, addresses);
    QFETCH(int, message);
    QFETCH(int, result);
    FakeHost host;
    host.relay = relay;
    const QByteArray label = toCp1252(QStringLiteral("PLANTA BAJA €   "));
    const QByteArray record = QByteArray::fromHex("60AD051E0102030405060708");
    m_sim->setMemory(relayLabel(relay), label);
    m_sim->setMemory(AdrRecRel(relay), record);
    if (setup == SilentLabel)
        m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, relayLabel(relay));
    if (setup == SilentRecord)
        m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, AdrRecRel(relay));
    if (setup == LineLostAtRecord)
        m_sim->misbehave(PanelSim::Misbehaviour::HangUp, 1, AdrRecRel(relay));
    if (setup == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    if (setup == RowGoneAfterLabel)
        host.onSync = [] { QVERIFY(orbtest::execBound(QStringLiteral("DELETE FROM CONFRELES WHERE IDREL = 3"))); };

    const QString typed = QStringLiteral("PLANTA 1 ñ");   // 10 characters
    QCOMPARE(int(write ? writeRelay(host, typed) : readRelay(host)), result);

    QList<int> seen;
    for (const QByteArray &frame : m_sim->receivedFrames())
        seen << (quint8(frame.at(4)) << 8 | quint8(frame.at(5)));
    QCOMPARE(seen, addresses);
    QCOMPARE(m_boxes.shown.size(), 1);
    QVERIFY2(m_boxes.shown.first().prompt.startsWith(Str(message)), qPrintable(m_boxes.shown.first().prompt));
    if (message == 405 || message == 432)
        QCOMPARE(m_boxes.shown.first().title, exchangeMessageTitle());
    QCOMPARE(host.busy, QList<bool>({true, false}));
    QCOMPARE(host.portSettingsClosed, 1);
    QVERIFY(!host.showing && !host.ticking);
    QVERIFY(!frmComm().MSComm1().PortOpen());

    // A read hands over what arrived, the label even when the record
    // failed; a write leaves the panel with the label padded to 16 and the
    // record of the stored row.
    const bool labelArrived = !write && (setup == AllWell || setup == SilentRecord || setup == LineLostAtRecord);
    QCOMPARE(host.label.has_value(), labelArrived);
    if (labelArrived)
        QCOMPARE(*host.label, fromCp1252(label));
    QCOMPARE(host.record.has_value(), !write && setup == AllWell);
    if (host.record)
        QCOMPARE(host.record->toBytes(), record);
    if (write && setup == AllWell) {
        QCOMPARE(m_sim->memory(relayLabel(1), 16), toCp1252(typed) + QByteArray(6, ' '));
        QCOMPARE(m_sim->memory(AdrRecRel(1), 12), QByteArray::fromHex("46AD021E0104000000000000"));
    }
}

QTEST_GUILESS_MAIN(TestRelayTransfers)
#include "test_relay_transfers.moc"
