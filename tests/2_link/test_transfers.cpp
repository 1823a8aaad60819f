// Whole-configuration send and receive and the panel clock command, against
// the simulated panel on a pseudo-terminal.

#include "Cp1252.h"
#include "FrmComm.h"
#include "ModCom.h"
#include "PanelSim.h"
#include "Strings.h"
#include "TestHome.h"
#include "Transfers.h"
#include "FakeTransferHost.h"
#include "ScriptedBoxes.h"
#include "SmallPanel.h"
#include "TestConfiguration.h"   // also the working database and AppState

#include <QtTest>

using namespace orb;
using orb::test::PanelSim;
using orbtest::execBound;
using orbtest::rows;
using Map = PanelSim;   // the panel's memory map
using orbtest::FakeHost;

namespace {

// How a command is made to stop early (or to run through with the general
// row claiming fewer zones and relays than the tables hold).
enum Stop {
    Completes, CountsShort, EditorOpen, Silent, Late, SilentAtRelay77, SilentAtDate, Unstorable, NoPort, RowGone,
    LineClosed, ZonesOver128, RelaysOver128, ZoneRow129, RelayRow0
};

// One run of a command against the panel and what the panel and the user
// then see.
struct Run {
    char command;     // 'W' send, 'R' receive, ':' clock; also the kind of frames counted
    int zones, relays;
    Stop stop;
    int frames;       // frames of the command's kind the panel saw
    int dateFrames;   // date frames the panel saw
    int written;      // the panel memory below this address holds the configuration, the rest is as it was
    int message;      // the one message shown; 0 for none
    // What the panel holds at 0x0020-0x0023: day and night hours, zone and
    // relay counts.
    const char *general = "09150A64";   // day 9, night 21, 10 zones, 100 relays
};

// A configuration of `zones` zones and `relays` relays in the working
// database, open, with varied relay programming and a few labels outside
// ASCII.
void makeConfiguration(int zones, int relays)
{
    QVERIFY(orbtest::makeConfiguration(zones, relays));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFCENTRAL SET ETIINI = ?"), {QStringLiteral("CENTRAL €1")}));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = ? || IDZON WHERE IDZON % 7 = 0"),
                      {QStringLiteral("Sótano ñ ")}));
    QVERIFY(execBound(QStringLiteral(
        "UPDATE CONFRELES SET TIP = IDREL * 37 % 256, RMIN = IDREL % 60, RSEC = IDREL * 7 % 60, DDIA = IDREL % 3, "
        "DNOCH = (IDREL + 1) % 3, PDIA = (IDREL + 2) % 3, PNOCH = IDREL / 3 % 3, IL1 = IDREL % 128 + 1, "
        "FL1 = IDREL % 128 + 1, IL2 = 1, FL2 = 2, IL3 = 3, FL3 = 4, IL4 = 5, FL4 = IDREL * 3 % 129")));
    QCOMPARE(Open_Conf(), OpenResult::Opened);
}

// Every row of the configuration tables and the open configuration's header,
// to show that a transfer changed nothing.
QStringList state()
{
    const AppState &s = appState();
    return rows("SELECT * FROM CONFCENTRAL") + rows("SELECT * FROM CONFZONAS ORDER BY rowid")
           + rows("SELECT * FROM CONFRELES ORDER BY rowid")
           << QString::asprintf("%d|%d|%d|%d|%s|%d", s.NumZon, s.NumRel, s.IniDia, s.IniNit, qUtf8Printable(s.EtiIni),
                                int(s.ConfModif));
}

// Where bytes that no frame awaits come, and what they are.
enum class Moment { InTheAnswersRead, BeforeAFrame, WhileAFrameIsWritten, InTheNextWait, AfterTheLast };
struct Unawaited {
    char command;    // 'W' send, 'R' receive, ':' clock
    Moment moment;
    int strays;      // so many stray bytes; 0: the answer before again
    int message;     // 432 (noise survived) or 405
};

} // namespace

Q_DECLARE_METATYPE(Run)
Q_DECLARE_METATYPE(Unawaited)

class TestTransfers : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commandAgainstThePanel_data();
    void commandAgainstThePanel();
    void statusTextOfEachItem();
    void receiveRewritesTheWorkingDatabase();
    void doubledAnswersAreNeverReportedDone_data();
    void doubledAnswersAreNeverReportedDone();
    void bytesNoFrameAwaits_data();
    void bytesNoFrameAwaits();

private:
    // The pointer, the toolbar and menus (or the window) given back, the
    // progress box, the port-settings window and the port closed.
    void checkGivenBack(const FakeHost &host, Pointer pointer = Pointer::Default);
    // The one box shown, which starts with message `id` (none for 0).
    void checkOnlyBox(int id);
    // Sets the panel, the port or the database up to stop the transfer.
    void arrange(Stop stop, FakeHost &host);

    std::unique_ptr<PanelSim> m_sim;
    ScriptedBoxes m_boxes;
};

void TestTransfers::init()
{
    appState() = AppState{};
    appState().TituloMsg = QStringLiteral("title");
    m_sim = std::make_unique<PanelSim>();
    QVERIFY(m_sim->start());
    test::pointCom1At(m_sim->devicePath());
    // Short waits keep the failing cases quick; the simulator answers at once.
    frmComm().setReplyTimeout(200);
    SetPointer(Pointer::Default);
}

void TestTransfers::cleanup()
{
    frmComm().setLineObserver(nullptr);
    frmComm().Form_Unload();
    m_sim.reset();
    Close_DB();
    QFile::remove(workingDatabasePath());
    m_boxes.onShow = nullptr;
}

void TestTransfers::checkGivenBack(const FakeHost &host, Pointer pointer)
{
    QVERIFY(!host.enabled.isEmpty() && !host.enabled.first() && host.enabled.last());
    QCOMPARE(currentPointer(), pointer);
    QVERIFY2(!host.showing, "the progress is taken away");
    QVERIFY2(host.portSettingsClosed == 1, "the port-settings window was closed first");
    QVERIFY2(!frmComm().MSComm1().PortOpen(), "the port is closed at the end");
}

void TestTransfers::checkOnlyBox(int id)
{
    QCOMPARE(m_boxes.shown.size(), id ? 1 : 0);
    if (!id)
        return;
    const ShownBox &box = m_boxes.shown.first();
    QVERIFY2(box.prompt.startsWith(Str(id)), qPrintable(box.prompt));
    // The end and the failure of an exchange ask OK/Cancel under the
    // exchange's own title (never one another command left behind); the
    // other messages are OK boxes under the application's.
    const bool exchange = id == 405 || id == 432;
    QCOMPARE(box.style, exchange ? int(MsgOkCancelExclamation) : int(MsgOk));
    QCOMPARE(box.title, exchange ? Str(414) : applicationTitle());
}

void TestTransfers::arrange(Stop stop, FakeHost &host)
{
    m_boxes.shown.clear();
    host.editorsClose = stop != EditorOpen;
    if (stop == Silent) {
        m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways);
        frmComm().setReplyTimeout(50);   // nothing ever comes
    }
    // Every reply comes after the reply time-out, each one during the wait
    // for the next frame.
    if (stop == Late) {
        m_sim->misbehave(PanelSim::Misbehaviour::Late, PanelSim::kAlways);
        m_sim->setLateDelayMs(frmComm().replyTimeout() * 3 / 2);
    }
    if (stop == SilentAtRelay77)
        m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, Map::relayRecord(77));
    if (stop == SilentAtDate)
        m_sim->misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, PanelSim::kAnyAddress, ';');
    // The engine refuses every new relay row; the counts claim fewer rows
    // than there are; counts and row numbers beyond the panel's zone and
    // relay areas.
    const QMap<Stop, const char *> statements{
        {Unstorable, "CREATE TRIGGER refuse BEFORE INSERT ON CONFRELES BEGIN SELECT RAISE(ABORT, 'refused'); END"},
        {CountsShort, "UPDATE CONFCENTRAL SET NUMZON = 1, NUMREL = 1"},
        {ZonesOver128, "UPDATE CONFCENTRAL SET NUMZON = 129"},
        {RelaysOver128, "UPDATE CONFCENTRAL SET NUMREL = 200"},
        {ZoneRow129, "UPDATE CONFZONAS SET IDZON = 129 WHERE IDZON = 2"},
        {RelayRow0, "UPDATE CONFRELES SET IDREL = 0 WHERE IDREL = 2"}};
    if (statements.contains(stop)) {
        QVERIFY(execBound(QLatin1String(statements.value(stop))));
        QCOMPARE(Open_Conf(), OpenResult::Opened);
    }
    if (stop == LineClosed)
        m_sim->misbehave(PanelSim::Misbehaviour::HangUp, 1, Map::zoneLabel(2));
    if (stop == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    // Relay 1 done (item 5 + 2 + 1 of 10): relay 2's row goes away before
    // its record frame is built.
    if (stop == RowGone)
        host.onPercent = [](int percent) {
            if (percent == transferPercent(8, 10))
                QSqlQuery(BaseDatos()).exec(QStringLiteral("DELETE FROM CONFRELES WHERE IDREL = 2"));
        };
}

void TestTransfers::commandAgainstThePanel_data()
{
    QTest::addColumn<Run>("run");
    // command, zones, relays, stop, frames, date frames, written, message
    QTest::newRow("send") << Run{'W', 128, 128, Completes, 5 + 128 + 2 * 128, 0, Map::kMemorySize, 432};
    // Every row goes out, and the bar, measured against the claimed counts,
    // stops at 100.
    QTest::newRow("send, rows outrun the counts") << Run{'W', 4, 2, CountsShort, 5 + 4 + 2 * 2, 0, Map::kMemorySize, 432};
    QTest::newRow("send, no zone") << Run{'W', 0, 3, Completes, 5, 0, Map::zoneLabel(1), 120};
    QTest::newRow("send, zones, no relay") << Run{'W', 4, 0, Completes, 5 + 4, 0, Map::kMemorySize, 120};
    // Relay 1 whole, relay 2's label, no record of relay 2 and nothing after.
    QTest::newRow("send, relay row gone") << Run{'W', 2, 3, RowGone, 5 + 2 + 2 + 1, 0, Map::relayRecord(2), 120};
    QTest::newRow("send, panel never answers") << Run{'W', 3, 3, Silent, 10, 0, 0, 405};
    QTest::newRow("send, line closed at zone 2") << Run{'W', 3, 2, LineClosed, 5 + 2, 0, Map::zoneLabel(2), 401};
    // Nothing goes when anything would be written outside the zone or relay
    // area.
    QTest::newRow("send, 129 zones") << Run{'W', 3, 2, ZonesOver128, 0, 0, 0, 839};
    QTest::newRow("send, 200 relays") << Run{'W', 3, 2, RelaysOver128, 0, 0, 0, 840};
    QTest::newRow("send, zone row 129") << Run{'W', 3, 2, ZoneRow129, 0, 0, 0, 839};
    QTest::newRow("send, relay row 0") << Run{'W', 3, 2, RelayRow0, 0, 0, 0, 840};
    // The panel holds 10 zones and 100 relays; a receive that stops changes
    // nothing. Relay 77's record is asked for ten times and nothing after it;
    // an unstorable receive gets every item but claims no success.
    QTest::newRow("receive, editing window stays open") << Run{'R', 4, 2, EditorOpen, 0, 0, 0, 0};
    QTest::newRow("receive, relay 77") << Run{'R', 4, 2, SilentAtRelay77, 5 + 10 + 76 * 2 + 1 + 10, 0, 0, 405};
    QTest::newRow("receive, cannot be stored") << Run{'R', 4, 2, Unstorable, 5 + 10 + 2 * 100, 0, 0, 120};
    QTest::newRow("receive, line closed at zone 2") << Run{'R', 4, 2, LineClosed, 5 + 2, 0, 0, 401};
    QTest::newRow("receive, every reply late") << Run{'R', 4, 2, Late, 10, 0, 0, 405};
    // A count or an hour the configuration cannot hold is refused as soon
    // as it arrives.
    QTest::newRow("receive, 200 zones") << Run{'R', 4, 2, Completes, 1, 0, 0, 839, "0915C864"};
    QTest::newRow("receive, 129 relays") << Run{'R', 4, 2, Completes, 2, 0, 0, 840, "09150A81"};
    QTest::newRow("receive, day hour 24") << Run{'R', 4, 2, Completes, 3, 0, 0, 841, "18150A64"};
    QTest::newRow("receive, night hour 99") << Run{'R', 4, 2, Completes, 4, 0, 0, 842, "09630A64"};
    QTest::newRow("receive, day hour 255") << Run{'R', 4, 2, Completes, 3, 0, 0, 841, "FF150A64"};
    QTest::newRow("clock") << Run{':', 1, 1, Completes, 1, 1, 0, 432};
    QTest::newRow("clock, date fails") << Run{':', 1, 1, SilentAtDate, 1, 11, 0, 405};
    QTest::newRow("clock, port cannot be opened") << Run{':', 1, 1, NoPort, 0, 0, 0, 401};
}

void TestTransfers::commandAgainstThePanel()
{
    QFETCH(Run, run);
    makeConfiguration(run.zones, run.relays);
    m_sim->setMemory(Map::kDayHour, QByteArray::fromHex(run.general));
    FakeHost host;
    arrange(run.stop, host);
    // Started with the hourglass already up, a command leaves it up.
    const Pointer pointer = run.stop == Silent || run.stop == SilentAtDate ? Pointer::Hourglass : Pointer::Default;
    SetPointer(pointer);
    const QStringList before = state();
    const QByteArray image = orbtest::expectedImage();
    const QByteArray initial = m_sim->memory(0, Map::kMemorySize);
    const QDateTime start = QDateTime::currentDateTime();
    (run.command == 'W' ? Send_AllConf : run.command == 'R' ? Rec_AllConf : SetPanelClock)(host);
    const QDateTime end = QDateTime::currentDateTime();

    QCOMPARE(m_sim->framesReceived(run.command), run.frames);
    QCOMPARE(m_sim->framesReceived(';'), run.dateFrames);
    checkOnlyBox(run.message);
    if (run.stop == Unstorable)
        QVERIFY(m_boxes.shown.first().prompt.startsWith(Str(120) + QStringLiteral("\n\n"))
                && m_boxes.shown.first().prompt.contains(QStringLiteral("refused")));
    checkGivenBack(host, pointer);
    if (run.stop != RowGone)   // the test itself took a row away
        QCOMPARE(state(), before);
    QCOMPARE(host.refreshed, 0);
    QCOMPARE(host.editorsClosed, run.command == 'R' ? 1 : 0);
    const QByteArray memory = m_sim->memory(0, Map::kMemorySize);
    QCOMPARE(memory.left(run.written), image.left(run.written));
    QCOMPARE(memory.mid(run.written), initial.mid(run.written));
    // A whole send ends at 100.
    if (run.command == 'W' && run.message == 432)
        QVERIFY(std::is_sorted(host.percents.cbegin(), host.percents.cend()) && host.percents.last() == 100);
    if (run.command != ':')
        return;
    // The PC's clock when each frame was built, time before date; no date
    // unless it went out, and a time set before the date failed stays set.
    QVERIFY(run.frames == 0 || m_sim->receivedFrames().first().at(2) == ':');
    const PanelSim::Clock c = m_sim->clock();
    const QDateTime set(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second));
    if (run.dateFrames == 1)
        QVERIFY(start.addSecs(-1) <= set && set <= end && host.percents == QList<int>({0, 1, 2, 3}));
    else
        QCOMPARE(c.year, 2000);
    if (run.stop == SilentAtDate)
        QVERIFY((set.time().secsTo(end.time()) + 86400) % 86400 <= 5);
}

void TestTransfers::statusTextOfEachItem()
{
    // Two zones and two relays: nine items, each with its own percentage and
    // text. The progress of a receive still shows, at 100, when the end is
    // told.
    makeConfiguration(2, 2);
    FakeHost sending, receiving;
    Send_AllConf(sending);
    m_boxes.onShow = [&receiving](const ShownBox &) {
        QVERIFY(receiving.showing && receiving.caption == Str(414) && receiving.percents.last() == 100);
    };
    Rec_AllConf(receiving);
    checkGivenBack(receiving);
    for (const auto &[host, first] : {std::pair{&sending, 582}, std::pair{&receiving, 589}}) {
        QCOMPARE(host->percents, QList<int>({11, 22, 33, 44, 55, 66, 77, 88, 100}));
        QStringList labels;
        for (int id = first; id < first + 5; ++id)
            labels << Str(id);
        for (int id : {first + 5, first + 6})
            labels << Str(id) + QStringLiteral(" 1") << Str(id) + QStringLiteral(" 2");
        QCOMPARE(host->labels, labels);
    }
}

void TestTransfers::receiveRewritesTheWorkingDatabase()
{
    const int zones = 128;
    makeConfiguration(5, 5);
    QVERIFY(execBound(QStringLiteral("UPDATE CONFCENTRAL SET NOMCON = 'Kept name', BAUD = 4800")));
    // Day 8, night 20, the zones, 3 relays.
    m_sim->setMemory(Map::kDayHour, QByteArray::fromHex("0814") + char(zones) + '\x03');
    m_sim->setMemory(Map::kLabel, QByteArray("PANEL OESTE     "));
    QStringList zoneRows;   // every zone of the open configuration, then
    for (int z = 1; z <= zones; ++z) {
        const QString label = QStringLiteral("Zona %1 ñ").arg(z).leftJustified(16);
        m_sim->setMemory(Map::zoneLabel(z), toCp1252(label));
        zoneRows << QStringLiteral("0|%1|").arg(z) + label;
    }
    m_sim->setMemory(Map::relayLabel(2), QByteArray("EXTINCION       "));
    m_sim->setMemory(Map::relayRecord(1), QByteArray::fromHex("E0AD05061020304050607080"));
    m_sim->setMemory(Map::relayRecord(2), QByteArray::fromHex("0A2000000101020203030404"));
    m_sim->setMemory(Map::relayRecord(3), QByteArray::fromHex("20FF3B3B0000000000000000"));
    FakeHost host;
    arrange(Completes, host);
    Rec_AllConf(host);
    checkOnlyBox(432);
    QCOMPARE(host.refreshed, 1);
    checkGivenBack(host);

    const QString counts = QStringLiteral("%1|3|8|20|PANEL OESTE     ").arg(zones);
    QCOMPARE(state().last(), counts + QStringLiteral("|1"));
    QCOMPARE(rows("SELECT NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI, BAUD FROM CONFCENTRAL"),
             QStringList(QStringLiteral("Kept name|") + counts + QStringLiteral("|4800")));
    QCOMPARE(rows("SELECT IDCON, IDZON, ETIZON FROM CONFZONAS ORDER BY IDZON"), zoneRows);
    // 0xAD: detector by day delayed, by night without delay; call point by
    // day not active, by night delayed. 0x20: the delay bit alone is not
    // active.
    QCOMPARE(rows("SELECT IDREL, TIP, DDIA, DNOCH, PDIA, PNOCH, RMIN, RSEC, IL1, FL1, IL2, FL2, IL3, FL3, IL4, FL4 "
                  "FROM CONFRELES ORDER BY IDREL"),
             (QStringList{QStringLiteral("1|224|2|1|0|2|5|6|16|32|48|64|80|96|112|128"),
                          QStringLiteral("2|10|0|0|0|0|0|0|1|1|2|2|3|3|4|4"),
                          QStringLiteral("3|32|2|2|2|2|59|59|0|0|0|0|0|0|0|0")}));
    QCOMPARE(rows("SELECT ETIREL FROM CONFRELES WHERE IDREL = 2"), QStringList(QStringLiteral("EXTINCION       ")));
}

void TestTransfers::doubledAnswersAreNeverReportedDone_data()
{
    QTest::addColumn<char>("command");
    QTest::addColumn<int>("gap");   // ms between the two answers to a frame; 0: a good panel
    for (const char command : {'W', 'R'}) {
        for (const int gap : {0, 5, 15, 30})
            QTest::addRow("%s, %d ms", command == 'W' ? "send" : "receive", gap) << command << gap;
    }
}

void TestTransfers::doubledAnswersAreNeverReportedDone()
{
    // A 9600 baud line to a panel that answers every frame twice and loses
    // every 5th frame: an answer can no longer be told from the next
    // frame's, so a transfer may fail, but it is never reported done while
    // the panel lacks a frame or what was read is not what the panel holds.
    // A good panel on the same line is.
    QFETCH(char, command);
    QFETCH(int, gap);
    makeConfiguration(3, 2);
    m_sim->setMemory(Map::kDayHour, QByteArray::fromHex("09150302"));   // 3 zones, 2 relays
    m_sim->setMemory(Map::relayRecord(2), QByteArray::fromHex("0102030405060708090A0B0C"));
    m_sim->setBaud(9600);
    if (gap > 0) {
        m_sim->setDoubleGapMs(gap);
        m_sim->misbehave(PanelSim::Misbehaviour::Doubled, PanelSim::kAlways);
        m_sim->loseEvery(5);
    }
    FakeHost host;
    arrange(Completes, host);
    const QByteArray image = orbtest::expectedImage();
    (command == 'W' ? Send_AllConf : Rec_AllConf)(host);

    QCOMPARE(m_boxes.shown.size(), 1);
    const QString prompt = m_boxes.shown.first().prompt;
    QVERIFY2((gap > 0 && prompt.startsWith(Str(405))) || prompt.startsWith(Str(432)), qPrintable(prompt));
    if (prompt.startsWith(Str(432))) {
        if (command == 'W')
            QCOMPARE(m_sim->memory(0, Map::kMemorySize), image);
        else
            QCOMPARE(rows("SELECT NUMZON, NUMREL, INIDIA, ININIT, (SELECT group_concat(ETIZON, '') FROM CONFZONAS), "
                          "(SELECT group_concat(TIP || RMIN || IL1 || FL4, ',') FROM CONFRELES) FROM CONFCENTRAL"),
                     QStringList(QStringLiteral("3|2|9|21|%1|0000,13512").arg(QString(48, QLatin1Char(' ')))));
    }
    checkGivenBack(host);
}

void TestTransfers::bytesNoFrameAwaits_data()
{
    // Bytes no frame awaits, at each moment of a sequence: fewer than an
    // answer are noise, which the transfer survives, retrying the frame
    // whose wait saw them; an answer's worth (an acknowledge is 6 bytes; the
    // bytes come at the second frame, whose read reply, like the first's, is
    // 8; after the last, a relay record's is 19) or a second answer ends it.
    QTest::addColumn<Unawaited>("run");
    for (const char command : {'W', 'R', ':'}) {
        const int answer = command == 'R' ? 8 : 6;
        const int last = command == 'R' ? 19 : 6;
        const char *name = command == 'W' ? "send" : command == 'R' ? "receive" : "clock";
        const auto row = [&](const char *what, Moment moment, int strays, int message) {
            QTest::addRow("%s, %s", name, what) << Unawaited{command, moment, strays, message};
        };
        row("a stray byte in an answer's read", Moment::InTheAnswersRead, 1, 432);
        row("stray bytes in an answer's read, one short of an answer", Moment::InTheAnswersRead, answer - 1, 432);
        row("an answer's worth in an answer's read", Moment::InTheAnswersRead, answer, 405);
        row("a stray byte before a frame", Moment::BeforeAFrame, 1, 432);
        row("stray bytes before a frame, one short of an answer", Moment::BeforeAFrame, answer - 1, 432);
        row("an answer's worth before a frame", Moment::BeforeAFrame, answer, 405);
        row("a stray byte while a frame is written", Moment::WhileAFrameIsWritten, 1, 432);
        row("an answer's worth while a frame is written", Moment::WhileAFrameIsWritten, answer, 405);
        row("a stray byte after the last", Moment::AfterTheLast, 1, 432);
        row("stray bytes after the last, one short of an answer", Moment::AfterTheLast, last - 1, 432);
        row("an answer's worth after the last", Moment::AfterTheLast, last, 405);
        row("an answer again before the next frame", Moment::BeforeAFrame, 0, 405);
        row("an answer again while the next frame is written", Moment::WhileAFrameIsWritten, 0, 405);
        row("an answer again in the next frame's wait", Moment::InTheNextWait, 0, 405);
        row("an answer again after the last", Moment::AfterTheLast, 0, 405);
    }
}

void TestTransfers::bytesNoFrameAwaits()
{
    QFETCH(Unawaited, run);
    makeConfiguration(2, 2);
    orbtest::setUpSmallPanel(*m_sim, 2, 2);
    const bool clock = run.command == ':';
    // The second frame, and the last: the relay count and relay 2's record,
    // or the clock's date.
    const int second = clock ? PanelSim::kAnyAddress : Map::kRelayCount;
    const int lastFrame = clock ? PanelSim::kAnyAddress : Map::relayRecord(2);
    const char function = clock ? ';' : 0;
    m_sim->setStrayBytes(run.strays);
    m_sim->setDoubleGapMs(10);
    switch (run.moment) {
    case Moment::InTheAnswersRead: m_sim->misbehave(PanelSim::Misbehaviour::NoisyAnswer, 1, second, function); break;
    case Moment::InTheNextWait: m_sim->misbehave(PanelSim::Misbehaviour::AfterPrevious, 1, second, function); break;
    case Moment::AfterTheLast:
        m_sim->misbehave(run.strays ? PanelSim::Misbehaviour::NoiseAfter : PanelSim::Misbehaviour::Doubled, 1,
                         lastFrame, function);
        break;
    case Moment::BeforeAFrame:
    case Moment::WhileAFrameIsWritten: {
        // Just before the second frame is written, or once it has left.
        const FrmComm::LineStep step = run.moment == Moment::BeforeAFrame ? FrmComm::LineStep::BeforeWrite
                                                                          : FrmComm::LineStep::AfterWrite;
        frmComm().setLineObserver([this, run, step, frames = 0](FrmComm::LineStep now) mutable {
            frames += now == FrmComm::LineStep::BeforeWrite ? 1 : 0;
            if (frames == 2 && now == step)
                m_sim->sendRaw(run.strays ? QByteArray(run.strays, PanelSim::kStray) : m_sim->lastAnswer());
        });
        break;
    }
    }
    FakeHost host;
    arrange(Completes, host);
    const QStringList before = state();
    const QByteArray image = orbtest::expectedImage();
    (run.command == 'W' ? Send_AllConf : run.command == 'R' ? Rec_AllConf : SetPanelClock)(host);

    checkOnlyBox(run.message);
    checkGivenBack(host);
    if (run.message == 405 && run.command == 'R')
        QCOMPARE(state(), before);
    if (run.message == 405)
        return;
    if (run.command == 'W')
        QCOMPARE(m_sim->memory(0, Map::kMemorySize), image);
    else if (run.command == 'R')
        QCOMPARE(orbtest::storedConfiguration(), orbtest::smallPanelStored(2, 2));
    else
        QVERIFY(m_sim->clock().year >= 2026);
}

ORB_TEST_GUILESS_MAIN(TestTransfers)
#include "test_transfers.moc"
