// A whole receive from a panel that answers one read a second time, against
// the simulated panel on a 9600 baud line. Nothing in a read reply names its
// frame, so a second copy taken for the next frame's answer would put every
// later answer one item late. Whatever the panel's own answer time and the
// gap between the two copies, and wherever in the sequence the copy comes,
// the receive ends "Comunication Error" having stored nothing, or
// "Communication Ending O.K." with exactly what the panel holds. A good
// panel at each answer time ends "O.K.".
//
// Each answer time is a test function of its own, so that they can run side
// by side.

#include "FakeTransferHost.h"
#include "FrmComm.h"
#include "PanelSim.h"
#include "ScriptedBoxes.h"
#include "SmallPanel.h"
#include "Strings.h"
#include "TestConfiguration.h"
#include "TestHome.h"
#include "Transfers.h"

#include <QtTest>

using namespace orb;
using orb::test::PanelSim;
using orbtest::rows;
using Map = PanelSim;

class TestDoubledReplies : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answersAfter2ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter2ms() { receive(2); }
    void answersAfter50ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter50ms() { receive(50); }
    void answersAfter150ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter150ms() { receive(150); }
    void answersAfter500ms_data() { rowsOfOneAnswerTime(); }
    void answersAfter500ms() { receive(500); }

private:
    void rowsOfOneAnswerTime();
    void receive(int answerMs);

    std::unique_ptr<PanelSim> m_sim;
    ScriptedBoxes m_boxes;
};

void TestDoubledReplies::init()
{
    appState() = AppState{};
    m_boxes.shown.clear();
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    orb::test::pointCom1At(m_sim->devicePath());
    m_sim->setBaud(9600);
}

void TestDoubledReplies::cleanup()
{
    frmComm().Form_Unload();
    m_sim.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
}

void TestDoubledReplies::rowsOfOneAnswerTime()
{
    QTest::addColumn<int>("gap");       // ms from the first copy's end to the second's start; 0: no second copy
    QTest::addColumn<int>("address");   // of the item answered twice
    QTest::newRow("good panel") << 0 << 0;
    // The zone count (the first item), the first zone's label, the relay's
    // record (the last).
    const std::pair<const char *, int> items[] = {
        {"first", Map::kZoneCount}, {"middle", Map::zoneLabel(1)}, {"last", Map::relayRecord(1)}};
    for (const int gap : {5, 20, 100}) {
        for (const auto &[where, address] : items)
            QTest::addRow("%s item answered again %d ms later", where, gap) << gap << address;
    }
}

void TestDoubledReplies::receive(int answerMs)
{
    QFETCH(int, gap);
    QFETCH(int, address);
    QVERIFY(orbtest::makeConfiguration(3, 3));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
    // 2 zones and 1 relay, every value and text its own.
    orbtest::setUpSmallPanel(*m_sim, 2, 1);
    m_sim->setAnswerDelayMs(answerMs);
    if (gap > 0) {
        m_sim->setDoubleGapMs(gap);
        m_sim->misbehave(PanelSim::Misbehaviour::Doubled, 1, address, 'R');
    }
    const QStringList before = orbtest::everyRow();
    orbtest::FakeHost host;
    Rec_AllConf(host);

    QCOMPARE(m_boxes.shown.size(), 1);
    const QString prompt = m_boxes.shown.first().prompt;
    if (prompt.startsWith(Str(405))) {
        QVERIFY2(gap > 0, "a good panel is read whole");
        QCOMPARE(orbtest::everyRow(), before);
    } else {
        QVERIFY2(prompt.startsWith(Str(432)), qPrintable(prompt));
        QCOMPARE(orbtest::storedConfiguration(), orbtest::smallPanelStored(2, 1));
    }
}

ORB_TEST_GUILESS_MAIN(TestDoubledReplies)
#include "test_doubled_replies.moc"
