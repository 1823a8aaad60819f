// The general-configuration window: the store with its row changes, what it
// closes and disables, and the read and write of the general part against
// the simulated panel.

#include "FrmConf.h"
#include "FrmLoad.h"
#include "FrmZon.h"
#include "MainWindowFixture.h"

namespace {

enum Panel { Answers, Silent, SilentAtLabel, Zones200, NightHour30, NoPort };

} // namespace

class TestFrmConf : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { m_fx.stop(); }
    void storeMatchesTheRowsToTheCounts_data();
    void storeMatchesTheRowsToTheCounts();
    void storeClosesAndDisablesTheOtherWindowsAndFailsWhole();
    void transferAgainstThePanel_data();
    void transferAgainstThePanel();

private:
    MainWindowFixture m_fx;
};

void TestFrmConf::storeMatchesTheRowsToTheCounts_data()
{
    QTest::addColumn<int>("zones");
    QTest::addColumn<int>("relays");
    QTest::addColumn<int>("newZones");
    QTest::addColumn<int>("newRelays");
    QTest::newRow("zones 12 to 20") << 12 << 3 << 20 << 3;
    QTest::newRow("relays 20 to 8") << 2 << 20 << 2 << 8;
    QTest::newRow("zone count 0") << 5 << 1 << 0 << 1;
    QTest::newRow("counts unchanged") << 4 << 4 << 4 << 4;
}

void TestFrmConf::storeMatchesTheRowsToTheCounts()
{
    QFETCH(int, zones);
    QFETCH(int, relays);
    QFETCH(int, newZones);
    QFETCH(int, newRelays);
    m_fx.start(zones, relays);
    // The user's own label and programming of zone and relay 1 stay.
    QVERIFY(execBound(QStringLiteral("UPDATE CONFZONAS SET ETIZON = 'KEPT' WHERE IDZON = 1")));
    QVERIFY(execBound(QStringLiteral("UPDATE CONFRELES SET RMIN = 7 WHERE IDREL = 1")));
    FrmConf *window = FrmConf::showWindow();
    // Stored numbers show after the blank of a sign.
    QCOMPARE(window->TxtCon(FieldZones)->text(), QLatin1Char(' ') + QString::number(zones));
    QCOMPARE(window->LblCon(FieldZones)->text(), QLatin1Char(' ') + QString::number(zones));

    fill(window, {"Renamed", QString::number(newZones), QString::number(newRelays), "7", "22", "LABEL  "});
    window->CmdWrConf()->click();
    QVERIFY(m_fx.boxes->shown.isEmpty());

    QStringList zoneRows, relayRows;
    for (int n = 1; n <= newZones; ++n)
        zoneRows << (n == 1 ? QStringLiteral("1|KEPT") : QStringLiteral("%1|ETI ZONA %1").arg(n));
    for (int n = 1; n <= newRelays; ++n)
        relayRows << QStringLiteral("%1|192|ETI RELE %1|%2").arg(n).arg(n == 1 ? 7 : 0);
    QCOMPARE(rows("SELECT IDZON, ETIZON FROM CONFZONAS ORDER BY IDZON"), zoneRows);
    QCOMPARE(rows("SELECT IDREL, TIP, ETIREL, RMIN FROM CONFRELES ORDER BY IDREL"), relayRows);
    const QString general = QStringLiteral("Renamed|%1|%2|7|22|LABEL  ").arg(newZones).arg(newRelays);
    QCOMPARE(rows("SELECT NOMCON, NUMZON, NUMREL, INIDIA, ININIT, ETIINI FROM CONFCENTRAL"), QStringList(general));
    const AppState &s = appState();
    QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5|%6").arg(s.NomCon).arg(s.NumZon).arg(s.NumRel).arg(s.IniDia).arg(s.IniNit).arg(s.EtiIni),
             general);
    QVERIFY(s.ConfModif);
    for (int i = 0; i < kGeneralFieldCount; ++i)
        QCOMPARE(window->LblCon(i)->text(), window->TxtCon(i)->text());
}

void TestFrmConf::storeClosesAndDisablesTheOtherWindowsAndFailsWhole()
{
    m_fx.start(3, 3);
    FrmMain &main = *m_fx.main;
    FrmZon::showWindow();
    auto *relays = new QWidget;
    relays->setObjectName(QStringLiteral("FrmRel"));
    showAsChild(relays);
    const auto commands = [&main] {
        return QList<bool>{main.menuItem(QStringLiteral("MnuPrgZon"))->isEnabled(), main.toolButton(15)->isEnabled(),
                           main.menuItem(QStringLiteral("MnuPrgRel"))->isEnabled(), main.toolButton(16)->isEnabled()};
    };
    main.toolButton(14)->trigger();
    FrmConf *window = FrmConf::loaded();
    QVERIFY(window && appState().FrmConfCargado && main.menuItem(QStringLiteral("MnuArxImp"))->isEnabled());
    QVERIFY(!childWindow(QStringLiteral("FrmZon"))->isEnabled() && !relays->isEnabled());
    QCOMPARE(commands(), QList<bool>(4, false));

    // A store the engine refuses changes nothing, but the zone and relay
    // windows have closed first.
    QVERIFY(execBound(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON CONFZONAS "
                                     "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    fill(window, {"Other", "9", "3", "8", "20", "PANEL 1"});
    window->CmdWrConf_Click();
    m_fx.checkOnlyBox(120, applicationTitle());
    QVERIFY(m_fx.boxes->shown.first().prompt.contains(QStringLiteral("refused")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!childWindow(QStringLiteral("FrmZon")) && !childWindow(QStringLiteral("FrmRel")));
    QVERIFY(!appState().FrmZonCargado);
    QCOMPARE(rows("SELECT NOMCON, NUMZON, (SELECT count(*) FROM CONFZONAS) FROM CONFCENTRAL"),
             QStringList(QStringLiteral("Hotel Plaza|3|3")));
    QCOMPARE(appState().NumZon, quint8(3));
    QCOMPARE(window->LblCon(FieldZones)->text(), QStringLiteral(" 3"));

    // Closing gives the commands back and refreshes the status line.
    main.setEnabled(false);
    window->CmdCan_Click();
    QVERIFY(!appState().FrmConfCargado && main.isEnabled() && !main.menuItem(QStringLiteral("MnuArxImp"))->isEnabled());
    QCOMPARE(commands(), QList<bool>(4, true));
    QCOMPARE(main.LblCon(2)->text(), Str(4911) + QStringLiteral("3"));
}

void TestFrmConf::transferAgainstThePanel_data()
{
    QTest::addColumn<char>("command");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("frames");   // frames of the command's kind the panel saw
    QTest::addColumn<int>("message");  // the one message shown
    // A read that completes stores the panel's values; one that stops
    // stores nothing and the boxes keep what they had.
    QTest::newRow("read 40 zones where 64 are stored") << 'R' << int(Answers) << 5 << 432;
    QTest::newRow("read, panel never answers") << 'R' << int(Silent) << 10 << 405;
    QTest::newRow("read, label never answers") << 'R' << int(SilentAtLabel) << 4 + 10 << 405;
    QTest::newRow("read, 200 zones") << 'R' << int(Zones200) << 1 << 839;
    QTest::newRow("read, night hour 30") << 'R' << int(NightHour30) << 4 << 842;
    QTest::newRow("read, port cannot be opened") << 'R' << int(NoPort) << 0 << 401;
    // A write sends the stored values, not the boxes.
    QTest::newRow("write") << 'W' << int(Answers) << 5 << 432;
    QTest::newRow("write, panel never acknowledges") << 'W' << int(Silent) << 10 << 405;
    QTest::newRow("write, port cannot be opened") << 'W' << int(NoPort) << 0 << 401;
}

void TestFrmConf::transferAgainstThePanel()
{
    QFETCH(char, command);
    QFETCH(int, panel);
    QFETCH(int, message);
    m_fx.start(64, 3);
    PanelSim &sim = *m_fx.sim;
    // Day 9, night 21 (or 30), 40 zones (or 200), 2 relays.
    sim.setMemory(AdrIniDia, QByteArray::fromHex(panel == NightHour30 ? "091E2802" : panel == Zones200 ? "0915C802"
                                                                                                        : "09152802"));
    sim.setMemory(AdrEtiIni, QByteArray("PANEL NORTE     "));
    if (panel == Silent)
        sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways);
    if (panel == SilentAtLabel)
        sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, AdrEtiIni);
    if (panel == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    const QByteArray memory = sim.memory(0, kMemorySize);
    FrmConf *window = FrmConf::showWindow();
    fill(window, {"Hotel Plaza", "50", "3", "8", "20", "BOX LABEL"});
    (command == 'R' ? window->CmdLeerConf() : window->CmdSendConf())->click();

    QTEST(sim.framesReceived(command), "frames");
    const bool exchangeMessage = message == 405 || message == 432;
    m_fx.checkOnlyBox(message, exchangeMessage ? Str(414) : message == 401 ? applicationTitle() : Str(109));
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen());

    const bool stored = command == 'R' && message == 432;
    QCOMPARE(rows("SELECT NUMZON, NUMREL, INIDIA, ININIT, ETIINI, (SELECT count(*) FROM CONFZONAS) FROM CONFCENTRAL"),
             QStringList(stored ? QStringLiteral("40|2|9|21|PANEL NORTE     |40") : QStringLiteral("64|3|8|20|PANEL 1|64")));
    QCOMPARE(appState().EtiIni, stored ? QStringLiteral("PANEL NORTE     ") : QStringLiteral("PANEL 1"));
    QCOMPARE(window->TxtCon(FieldZones)->text(), stored ? QStringLiteral("40") : QStringLiteral("50"));
    QCOMPARE(window->LblCon(FieldLabel)->text(), stored ? QStringLiteral("PANEL NORTE     ") : QStringLiteral("PANEL 1"));
    const QByteArray written = command == 'W' && message == 432 ? QByteArray::fromHex("08144003") : memory.mid(AdrIniDia, 4);
    QCOMPARE(sim.memory(AdrIniDia, 4), written);
    QCOMPARE(sim.memory(AdrEtiIni, 16), command == 'W' && message == 432 ? QByteArray("PANEL 1         ")
                                                                          : memory.mid(AdrEtiIni, 16));
}

QTEST_MAIN(TestFrmConf)
#include "test_frmconf.moc"
