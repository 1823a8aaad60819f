// The zone-label window: labels edited in the grid within the panel's
// limits, the zone box, the Program menu's refusal of an empty zone table,
// and the all-zone and single-zone transfers against the simulated panel.

#include "Cp1252.h"
#include "FrmConf.h"
#include "FrmLoad.h"
#include "FrmZon.h"
#include "MainWindowFixture.h"
#include "ZoneRowsModel.h"

namespace {

enum Panel { Answers, SilentAtZone5, NoPort, Unstorable };

QString panelLabel(int zone) { return QStringLiteral("PANEL ZONA %1").arg(zone).leftJustified(16); }

// The stored label of every zone, in zone order.
QStringList labels() { return rows(QStringLiteral("SELECT ETIZON FROM CONFZONAS ORDER BY IDZON")); }

} // namespace

class TestFrmZon : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { m_fx.stop(); }
    void labelsAreEditedWithinThePanelsLimits();
    void zoneBoxAndMenu();
    void transfersAgainstThePanel_data();
    void transfersAgainstThePanel();
    void noSecondExchangeWhileOneWaits();

private:
    MainWindowFixture m_fx;
};

void TestFrmZon::labelsAreEditedWithinThePanelsLimits()
{
    m_fx.start(12, 1);
    m_fx.main->toolButton(15)->trigger();
    FrmZon *window = FrmZon::loaded();
    QVERIFY(window && appState().FrmZonCargado);
    QTableView *grid = window->GrdZon();
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));

    // A click on a zone number: the cursor goes to its label and the zone
    // box names the zone.
    grid->setCurrentIndex(grid->model()->index(3, 0));
    QCOMPARE(window->TxZon1()->text(), QStringLiteral("4"));
    QTRY_COMPARE(grid->currentIndex().column(), 1);
    QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList{grid->currentIndex()});

    // F2 opens the label; what is typed or pasted must fit the panel.
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = grid->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor && editor->text() == QStringLiteral("ETI ZONA 4"));
    QCOMPARE(pasteInto(editor, QString(17, 'P')), QString());
    QCOMPARE(pasteInto(editor, QString::fromUtf8("ZONA Ω")), QString());
    const QList<std::pair<QString, QString>> typed = {{QString(17, 'X'), QString(16, 'X')},
                                                      {QString::fromUtf8("ZONA Ω NORTE"), "ZONA  NORTE"},
                                                      {QString::fromUtf8("CAÑÓN €"), QString::fromUtf8("CAÑÓN €")}};
    for (const auto &[keys, shown] : typed) {
        editor->clear();
        QCOMPARE(typeInto(editor, keys), shown);
    }
    // Delete takes the character after the caret.
    editor->setText(QStringLiteral("DCAÑÓN €"));
    editor->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(labels().value(3), QString::fromUtf8("CAÑÓN €"));   // committed once the key is handled
    QVERIFY(appState().ConfModif);
    QCOMPARE(grid->model()->rowCount(), 12);
}

void TestFrmZon::zoneBoxAndMenu()
{
    m_fx.start(0, 1);
    m_fx.main->menuItem(QStringLiteral("MnuPrgZon"))->trigger();
    m_fx.checkOnlyBox(1213, applicationTitle());
    QVERIFY(!FrmZon::loaded());
    m_fx.stop();

    m_fx.start(12, 1);
    FrmZon *window = FrmZon::showWindow();
    QLineEdit *box = window->TxZon1();
    QTest::keyClicks(box, QStringLiteral("1a3"));
    QCOMPARE(box->text(), QStringLiteral("13"));
    QVERIFY(!window->TxZon1_LostFocus());
    m_fx.checkOnlyBox(839, Str(109));
    QVERIFY(box->text().isEmpty());
    box->setText(QStringLiteral("12"));
    QVERIFY(window->TxZon1_LostFocus());
    // An empty box and zone 0 send nothing.
    for (const char *zone : {"", "0"}) {
        m_fx.boxes->shown.clear();
        box->setText(QLatin1String(zone));
        window->CmdRd1()->click();
        m_fx.checkOnlyBox(801, Str(802));
    }
    QCOMPARE(m_fx.sim->framesReceived(), 0);

    // The ticker moves the bar towards MaxProg and stops there.
    QProgressBar *bar = FrmLoad::load()->ProBar();
    appState().MaxProg = 2;
    for (int tick = 0; tick < 5; ++tick)
        window->TimBarCom2_Timer();
    QCOMPARE(bar->value(), 2);
}

void TestFrmZon::transfersAgainstThePanel_data()
{
    QTest::addColumn<char>("button");     // R/W all zones, r/w the zone in the box
    QTest::addColumn<QString>("zone");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("message");
    QTest::addColumn<QList<int>>("moved");   // zones whose label went across
    const QList<int> all = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QTest::newRow("read all") << 'R' << "" << int(Answers) << 12 << 432 << all;
    QTest::newRow("read all, zone 5 fails 11 times") << 'R' << "" << int(SilentAtZone5) << 4 + 11 << 405
                                                      << QList<int>{1, 2, 3, 4};
    QTest::newRow("read all, port cannot be opened") << 'R' << "" << int(NoPort) << 0 << 401 << QList<int>{};
    QTest::newRow("read all, labels cannot be stored") << 'R' << "" << int(Unstorable) << 12 << 120 << QList<int>{};
    QTest::newRow("write all") << 'W' << "" << int(Answers) << 12 << 432 << all;
    QTest::newRow("read zone 7") << 'r' << "7" << int(Answers) << 1 << 432 << QList<int>{7};
    QTest::newRow("read zone 5, fails 10 times") << 'r' << "5" << int(SilentAtZone5) << 10 << 405 << QList<int>{};
    QTest::newRow("write zone 3") << 'w' << "3" << int(Answers) << 1 << 432 << QList<int>{3};
}

void TestFrmZon::transfersAgainstThePanel()
{
    QFETCH(char, button);
    QFETCH(QString, zone);
    QFETCH(int, panel);
    QFETCH(int, message);
    QFETCH(QList<int>, moved);
    m_fx.start(12, 1);
    PanelSim &sim = *m_fx.sim;
    for (int z = 1; z <= 12; ++z)
        sim.setMemory(zoneLabel(z), toCp1252(panelLabel(z)));
    if (panel == SilentAtZone5)
        sim.misbehave(PanelSim::Misbehaviour::Silent, PanelSim::kAlways, zoneLabel(5));
    if (panel == NoPort)
        test::pointCom1At(QStringLiteral("/dev/orbitarsis-no-such-port"));
    if (panel == Unstorable)
        QVERIFY(orbtest::execBound(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON CONFZONAS "
                                                  "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    const QByteArray memory = sim.memory(0, kMemorySize);
    const QStringList before = labels();
    FrmZon *window = FrmZon::showWindow();
    window->GrdZon()->setCurrentIndex(window->DatZon()->index(0, 1));
    window->TxZon1()->setText(zone);
    // The window stays while its transfer runs.
    bool closed = true;
    m_fx.boxes->onShow = [&](const ShownBox &) { closed = frameOf(window)->close(); };
    const bool read = button == 'R' || button == 'r';
    QPushButton *buttons[] = {window->CmdRd(), window->CmdWr2(), window->CmdRd1(), window->CmdWr1()};
    buttons[QByteArrayLiteral("RWrw").indexOf(button)]->click();

    QVERIFY(!closed && FrmZon::loaded() == window && window->isEnabled());
    QTEST(sim.framesReceived(read ? 'R' : 'W'), "frames");
    m_fx.checkOnlyBox(message, message == 401 || message == 120 ? applicationTitle() : Str(414));
    QVERIFY(!FrmLoad::loaded() && !frmComm().MSComm1().PortOpen() && !window->TimBarCom2().isActive());
    QStringList expected = before;
    for (int z = 1; z <= 12; ++z) {
        const bool across = moved.contains(z);
        if (read && across)
            expected[z - 1] = panelLabel(z);   // as it came, trailing blanks kept
        if (!read)
            QCOMPARE(sim.memory(zoneLabel(z), 16),
                     across ? toCp1252(before.at(z - 1).leftJustified(16)) : memory.mid(zoneLabel(z), 16));
    }
    QCOMPARE(labels(), expected);
    // The grid shows what is stored.
    for (int z = 1; z <= 12; ++z)
        QCOMPARE(window->DatZon()->label(z), expected.at(z - 1));
    QCOMPARE(appState().ConfModif, read && !moved.isEmpty());
}

void TestFrmZon::noSecondExchangeWhileOneWaits()
{
    m_fx.start(12, 1);
    m_fx.sim->setLateDelayMs(40);   // within the reply time
    m_fx.sim->misbehave(PanelSim::Misbehaviour::Late);
    m_fx.sim->setMemory(zoneLabel(2), toCp1252(panelLabel(2)));
    FrmZon *window = FrmZon::showWindow();
    window->TxZon1()->setText(QStringLiteral("2"));
    // While the read of zone 2 waits, every other transfer is asked for.
    QTimer::singleShot(10, window, [window] {
        for (QPushButton *button : {window->CmdRd1(), window->CmdWr1(), window->CmdRd(), window->CmdWr2()})
            button->click();
        FrmConf::showWindow()->CmdLeerConf()->click();
    });
    window->CmdRd1()->click();
    QCOMPARE(m_fx.sim->framesReceived(), 1);
    m_fx.checkOnlyBox(432, Str(414));
    QCOMPARE(labels().value(1), panelLabel(2));
}

QTEST_MAIN(TestFrmZon)
#include "test_frmzon.moc"
