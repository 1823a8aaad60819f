// The reads of the editing windows (the general part, every zone label, the
// relay shown) from a panel that answers one read a second time, against
// the simulated panel on a 9600 baud line. Whatever the panel's answer time,
// the gap between the two copies and where the copy comes, a read ends
// "Comunication Error" having taken nothing from the panel (the relay
// window keeps the label it read before the record, which is the panel's
// own), or "Communication Ending O.K." with exactly what the panel holds. A
// good panel at each answer time ends "O.K.".
//
// Each answer time is a test function of its own, so that they can run side
// by side. Every panel command of the windows, reads and writes, also meets
// a panel that answers its last frame a second time, which only the watch
// after the last frame sees: it ends "Comunication Error", and a read takes
// nothing.

#include "Cp1252.h"
#include "FrmConf.h"
#include "FrmLoad.h"
#include "FrmRel.h"
#include "FrmZon.h"
#include "MainWindowFixture.h"
#include "SmallPanel.h"
#include "TestHome.h"

namespace {

enum Window { General, Zones, Relay };

QString generalPart() { return rows("SELECT NUMZON, NUMREL, INIDIA, ININIT, ETIINI FROM CONFCENTRAL").value(0); }
QString zoneLabels() { return rows("SELECT group_concat(ETIZON, ',') FROM (SELECT ETIZON FROM CONFZONAS ORDER BY IDZON)").value(0); }
QString relayLabel() { return rows("SELECT ETIREL FROM CONFRELES WHERE IDREL = 1").value(0); }
// The labels the zone grid shows, as zoneLabels() gives the stored ones.
QString gridLabels(const QTableView *grid)
{
    QStringList labels;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        labels << grid->model()->index(row, 1).data().toString();
    return labels.join(QLatin1Char(','));
}
QString relayRecord()
{
    return rows("SELECT TIP, RMIN, RSEC, DDIA, DNOCH, PDIA, PNOCH, IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4 "
                "FROM CONFRELES WHERE IDREL = 1").value(0);
}

// Runs the read command of the window.
void readThrough(Window window)
{
    if (window == General)
        FrmConf::showWindow()->CmdLeerConf()->click();
    else if (window == Zones)
        FrmZon::showWindow()->CmdRd()->click();
    else
        FrmRel::showWindow()->CmdRecConfRel()->click();
}

// What the panel holds, as the windows store it.
const QString kPanelGeneral = QStringLiteral("3|2|9|21|PANEL NORTE     ");
const QString kPanelZones = QStringLiteral("ZONA UNO        ,ZONA DOS        ,ZONA TRES       ");
const QString kPanelRelayLabel = QStringLiteral("RELE UNO        ");
const QString kPanelRelayRecord = QStringLiteral("10|1|2|0|0|0|0|1|2|0|0|0|0|0|0");

} // namespace

class TestDoubledRepliesEditors : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_fx.stop(); }
    void answersAfter2ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter2ms() { read(2); }
    void answersAfter50ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter50ms() { read(50); }
    void answersAfter150ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter150ms() { read(150); }
    void answersAfter500ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter500ms() { read(500); }
    void lastFrameAnsweredTwice_data();
    void lastFrameAnsweredTwice();
    void quickPanelIsHeard_data();
    void quickPanelIsHeard();
    void readInDoubtThatCannotBeReadAgain_data();
    void readInDoubtThatCannotBeReadAgain();

private:
    void rowsOfOneAnswerTime();
    void read(int answerMs);

    MainWindowFixture m_fx;
};

void TestDoubledRepliesEditors::init()
{
    m_fx.start(3, 2);
    PanelSim &sim = *m_fx.sim;
    setUpSmallPanel(sim, 3, 2);
    sim.setBaud(9600);
    // The panel's own reply time: a panel answering 500 ms late is a good one.
    frmComm().setReplyTimeout(FrmComm::ReplyTimeout);
}

void TestDoubledRepliesEditors::rowsOfOneAnswerTime()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("gap");       // ms from the first copy's end to the second's start; 0: no second copy
    QTest::addColumn<int>("address");   // of the item answered twice
    // The first, a middle and the last item of each read.
    const std::tuple<const char *, Window, QList<int>> reads[] = {
        {"general", General, {PanelSim::kZoneCount, PanelSim::kDayHour, PanelSim::kLabel}},
        {"zones", Zones, {PanelSim::zoneLabel(1), PanelSim::zoneLabel(2), PanelSim::zoneLabel(3)}},
        {"relay", Relay, {PanelSim::relayLabel(1), PanelSim::relayRecord(1)}},
    };
    for (const auto &[name, window, items] : reads) {
        QTest::addRow("%s, good panel", name) << int(window) << 0 << 0;
        for (const int gap : {5, 20, 100}) {
            for (qsizetype i = 0; i < items.size(); ++i) {
                const char *where = i == 0 ? "first" : i + 1 == items.size() ? "last" : "middle";
                QTest::addRow("%s, %s item answered again %d ms later", name, where, gap)
                    << int(window) << gap << items.at(i);
            }
        }
    }
}

void TestDoubledRepliesEditors::read(int answerMs)
{
    QFETCH(int, window);
    QFETCH(int, gap);
    QFETCH(int, address);
    PanelSim &sim = *m_fx.sim;
    sim.setAnswerDelayMs(answerMs);
    if (gap > 0) {
        sim.setDoubleGapMs(gap);
        sim.misbehave(PanelSim::Misbehaviour::Doubled, 1, address, 'R');
    }
    const QString general = generalPart(), zones = zoneLabels(), label = relayLabel(), record = relayRecord();
    readThrough(Window(window));

    QCOMPARE(m_fx.boxes->shown.size(), 1);
    const QString prompt = m_fx.boxes->shown.first().prompt;
    const bool done = prompt.startsWith(Str(432));
    QVERIFY2(done || (gap > 0 && prompt.startsWith(Str(405))), qPrintable(prompt));
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen());
    // Closing the window stores what it shows.
    if (window == Relay)
        QVERIFY(frameOf(FrmRel::loaded())->close());
    QCOMPARE(generalPart(), window == General && done ? kPanelGeneral : general);
    QCOMPARE(zoneLabels(), window == Zones && done ? kPanelZones : zones);
    // The grid shows what is stored, not the labels it showed while reading.
    if (window == Zones)
        QCOMPARE(gridLabels(FrmZon::loaded()->GrdZon()), zoneLabels());
    QCOMPARE(relayRecord(), window == Relay && done ? kPanelRelayRecord : record);
    if (window == Relay && !done)
        QVERIFY(relayLabel() == label || relayLabel() == kPanelRelayLabel);
    else
        QCOMPARE(relayLabel(), window == Relay ? kPanelRelayLabel : label);
}

void TestDoubledRepliesEditors::lastFrameAnsweredTwice_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("address");   // of the last frame
    QTest::newRow("general, read") << "general read" << int(PanelSim::kLabel);
    QTest::newRow("general, write") << "general write" << int(PanelSim::kLabel);
    QTest::newRow("zones, read all") << "zones read" << PanelSim::zoneLabel(3);
    QTest::newRow("zones, write all") << "zones write" << PanelSim::zoneLabel(3);
    QTest::newRow("zone 2, read") << "zone read" << PanelSim::zoneLabel(2);
    QTest::newRow("zone 2, write") << "zone write" << PanelSim::zoneLabel(2);
    QTest::newRow("relay, read") << "relay read" << PanelSim::relayRecord(1);
    QTest::newRow("relay, write") << "relay write" << PanelSim::relayRecord(1);
}

void TestDoubledRepliesEditors::lastFrameAnsweredTwice()
{
    QFETCH(QString, command);
    QFETCH(int, address);
    PanelSim &sim = *m_fx.sim;
    sim.setBaud(0);
    sim.setDoubleGapMs(10);
    sim.misbehave(PanelSim::Misbehaviour::Doubled, 1, address);
    const QString general = generalPart(), zones = zoneLabels(), record = relayRecord();
    if (command.startsWith(QLatin1String("general"))) {
        FrmConf *window = FrmConf::showWindow();
        (command.endsWith(QLatin1String("read")) ? window->CmdLeerConf() : window->CmdSendConf())->click();
    } else if (command.startsWith(QLatin1String("zones"))) {
        FrmZon *window = FrmZon::showWindow();
        (command.endsWith(QLatin1String("read")) ? window->CmdRd() : window->CmdWr2())->click();
    } else if (command.startsWith(QLatin1String("zone"))) {
        FrmZon *window = FrmZon::showWindow();
        window->TxZon1()->setText(QStringLiteral("2"));
        (command.endsWith(QLatin1String("read")) ? window->CmdRd1() : window->CmdWr1())->click();
    } else {
        FrmRel *window = FrmRel::showWindow();
        (command.endsWith(QLatin1String("read")) ? window->CmdRecConfRel() : window->CmdSendConfRel())->click();
    }
    m_fx.checkOnlyBox(405, Str(414));
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen());
    if (FrmRel *window = FrmRel::loaded())
        QVERIFY(frameOf(window)->close());
    QCOMPARE(generalPart(), general);
    QCOMPARE(zoneLabels(), zones);
    QCOMPARE(relayRecord(), record);
}

void TestDoubledRepliesEditors::quickPanelIsHeard_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("answerMs");
    for (const int answerMs : {0, 1}) {
        QTest::addRow("general, answers after %d ms", answerMs) << int(General) << answerMs;
        QTest::addRow("zones, answers after %d ms", answerMs) << int(Zones) << answerMs;
        QTest::addRow("relay, answers after %d ms", answerMs) << int(Relay) << answerMs;
    }
}

// A panel that answers within a millisecond of each frame, while the end of
// each write is reported when a 9600 baud line would have taken it out and
// up to 8 ms later: every read is heard at its first try.
void TestDoubledRepliesEditors::quickPanelIsHeard()
{
    QFETCH(int, window);
    QFETCH(int, answerMs);
    PanelSim &sim = *m_fx.sim;
    sim.setAnswerDelayMs(answerMs);
    frmComm().MSComm1().setWriteEndDelay([random = QRandomGenerator(7)](qsizetype bytes) mutable {
        return std::chrono::microseconds(bytes * 10'000'000 / 9600 + random.bounded(8001));
    });
    readThrough(Window(window));
    frmComm().MSComm1().setWriteEndDelay(nullptr);

    m_fx.checkOnlyBox(432, Str(414));
    const int fewest = window == General ? 5 : window == Zones ? 3 : 2;
    QCOMPARE(sim.framesReceived('R'), fewest);
    if (window == Relay)
        QVERIFY(frameOf(FrmRel::loaded())->close());
    if (window == General)
        QCOMPARE(generalPart(), kPanelGeneral);
    else if (window == Zones)
        QCOMPARE(zoneLabels(), kPanelZones);
    else
        QCOMPARE(relayLabel() + relayRecord(), kPanelRelayLabel + kPanelRelayRecord);
}

void TestDoubledRepliesEditors::readInDoubtThatCannotBeReadAgain_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("address");
    QTest::newRow("zones, the second label") << int(Zones) << PanelSim::zoneLabel(2);
    QTest::newRow("relay, the label") << int(Relay) << PanelSim::relayLabel(1);
}

// A stray byte before a read reply that passes its checksum shifted, then
// no answer to that item again: the shifted label is in doubt and never
// confirmed, so it is not kept, whatever was kept before it.
void TestDoubledRepliesEditors::readInDoubtThatCannotBeReadAgain()
{
    QFETCH(int, window);
    QFETCH(int, address);
    PanelSim &sim = *m_fx.sim;
    frmComm().setReplyTimeout(100);
    sim.misbehave(PanelSim::Misbehaviour::StrayBefore, 1, address);
    sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, address);
    const QString zones = zoneLabels(), label = relayLabel();
    readThrough(Window(window));

    m_fx.checkOnlyBox(405, Str(414));
    if (window == Relay)
        QVERIFY(frameOf(FrmRel::loaded())->close());
    QCOMPARE(relayLabel(), label);
    // Zone 1 was confirmed by the answer after it.
    QCOMPARE(zoneLabels(), window == Zones ? kPanelZones.section(',', 0, 0) + ',' + zones.section(',', 1) : zones);
    if (window == Zones)
        QCOMPARE(gridLabels(FrmZon::loaded()->GrdZon()), zoneLabels());
}

ORB_TEST_MAIN(TestDoubledRepliesEditors)
#include "test_doubled_replies_editors.moc"
